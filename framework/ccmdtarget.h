// The base of everything that has a command table: windows and the application object.
#pragma once

#include "framework/cobject.h"
#include "framework/message_map.h"

class CCmdTarget : public CObject {
 public:
  static const MessageMap* GetThisMessageMap();
  virtual const MessageMap* GetMessageMap() const;
};
