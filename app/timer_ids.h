// The dialog's window timers. Each chain of timers hands over from one to the next; no other ids
// are ever set.
#pragma once

#include "platform/terminal/win_types.h"

// The storage test's move, once a second.
inline constexpr UINT_PTR TIMER_RW_TEST = 2;
// The meter test cycle: four one-shot steps, 2 seconds apart, each arming the next.
inline constexpr UINT_PTR TIMER_MTR_STEP0 = 10;
inline constexpr UINT_PTR TIMER_MTR_STEP1 = 11;
inline constexpr UINT_PTR TIMER_MTR_STEP2 = 12;
inline constexpr UINT_PTR TIMER_MTR_STEP3 = 13;
// The modem cycle: start, power pulse, open COM2, then the number queries.
inline constexpr UINT_PTR TIMER_MDN_START = 20;
inline constexpr UINT_PTR TIMER_COM2_OPEN = 21;
inline constexpr UINT_PTR TIMER_MODEM_POWER = 23;
inline constexpr UINT_PTR TIMER_MDN_QUERY = 24;
