#include "framework/ccmdtarget.h"

const MessageMap* CCmdTarget::GetThisMessageMap() {
  static const MessageMap map{nullptr, {}};
  return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }
