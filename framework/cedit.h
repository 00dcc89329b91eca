// An edit control as the dialog holds it: bound to the control by data exchange, reached by
// messages to its window.
#pragma once

#include "framework/cwnd.h"

class CEdit : public CWnd {};
