// Command tables. A class lists the messages it handles, in order; the framework scans the
// class's table first and then its base class's, and the first entry that matches runs. Each
// entry keeps its handler's name, so that the table can be read back and checked.
#pragma once

#include <functional>
#include <vector>

#include "platform/terminal/win_types.h"

class CCmdTarget;

struct MessageMapEntry {
  UINT message;
  UINT id;  // the control id of a WM_COMMAND entry; 0 for the others
  const char* handler_name;
  std::function<LRESULT(CCmdTarget&, WPARAM, LPARAM)> invoke;
};

struct MessageMap {
  const MessageMap* base;
  std::vector<MessageMapEntry> entries;

  // The first entry, in this table or a base table, that handles the message.
  const MessageMapEntry* Find(UINT message, WPARAM wParam) const;
};

namespace framework {

template <class T>
MessageMapEntry CommandEntry(UINT id, void (T::*handler)(), const char* name) {
  return {WM_COMMAND, id, name, [handler](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(target).*handler)();
            return 0;
          }};
}

template <class T>
MessageMapEntry TimerEntry(void (T::*handler)(UINT_PTR), const char* name) {
  return {WM_TIMER, 0, name, [handler](CCmdTarget& target, WPARAM wParam, LPARAM) -> LRESULT {
            (static_cast<T&>(target).*handler)(static_cast<UINT_PTR>(wParam));
            return 0;
          }};
}

template <class T>
MessageMapEntry NotificationEntry(UINT message, void (T::*handler)(), const char* name) {
  return {message, 0, name, [handler](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT {
            (static_cast<T&>(target).*handler)();
            return 0;
          }};
}

template <class T>
MessageMapEntry MessageEntry(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM),
                             const char* name) {
  return {message, 0, name, [handler](CCmdTarget& target, WPARAM wParam, LPARAM lParam) {
            return (static_cast<T&>(target).*handler)(wParam, lParam);
          }};
}

}  // namespace framework

#define DECLARE_MESSAGE_MAP()                   \
 public:                                        \
  static const MessageMap* GetThisMessageMap(); \
  const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(the_class, base_class)                                     \
  const MessageMap* the_class::GetMessageMap() const { return GetThisMessageMap(); } \
  const MessageMap* the_class::GetThisMessageMap() {                                 \
    using ThisClass [[maybe_unused]] = the_class;                                    \
    static const MessageMap map {                                                    \
      base_class::GetThisMessageMap(), {
#define END_MESSAGE_MAP() \
  }                       \
  }                       \
  ;                       \
  return &map;            \
  }

#define ON_BN_CLICKED(id, handler) \
  framework::CommandEntry<ThisClass>(id, &ThisClass::handler, #handler),
#define ON_COMMAND(id, handler) ON_BN_CLICKED(id, handler)
#define ON_WM_TIMER() framework::TimerEntry<ThisClass>(&ThisClass::OnTimer, "OnTimer"),
#define ON_WM_DESTROY() \
  framework::NotificationEntry<ThisClass>(WM_DESTROY, &ThisClass::OnDestroy, "OnDestroy"),
#define ON_MESSAGE(message, handler) \
  framework::MessageEntry<ThisClass>(message, &ThisClass::handler, #handler),
