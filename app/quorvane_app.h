// The console's application object: its start-up runs the main dialog and nothing else.
#pragma once

#include "framework/cwinapp.h"

class CQuorvaneApp : public CWinApp {
  DECLARE_MESSAGE_MAP()

 public:
  CQuorvaneApp() = default;
  ~CQuorvaneApp() override = default;
  BOOL InitInstance() override;
};

extern CQuorvaneApp theApp;
