// The record's line format: one line for each event, in fields separated by single spaces,
//
//   WALL MONO SEQ KIND SUBJECT NAME=VALUE ...
//
// WALL is the wall clock in UTC with milliseconds (2024-05-01T03:34:56.789Z), MONO the monotonic
// clock in seconds with microseconds (8231.004512), SEQ the line's number in the run's record
// from 1, KIND what happened, SUBJECT what it happened on (a port "COM1", a device "ETC1:", a
// control id "1010", or "-"). A VALUE is either bare (a number, hexadecimal bytes, a word; "-"
// for a null buffer) or a text in double quotes, in which a control byte is written as its name
// in angle brackets (<NUL>, <CR>, <LF>, <ESC>, <DEL>), '"' as <QUOT>, '<' as <LT>, and in a
// serial block's text a byte from 0x80 up as <xHH>; other texts are UTF-8. A block's hex is the
// truth; its text is for the eye.
//
//   start  -     pid=N
//   rx|tx  COMn  bytes=N hex=HEX text="..."
//   ioctl  DEV:  code=N in_size=N in=HEX out_size=N out=HEX result=ok|error error=N
//   pane   ID    op=insert|set|clear text="..."
//   box    -     answer=N caption="..." text="..."
//   cmd    -     verb=VERB NAME=VALUE ... sync=0|1 [refused="..."]
//   lost   -     events=N
//   stop   -
//
// ioctl's out is what the driver returned; pane's insert is EM_REPLACESEL at the caret, set a
// whole new text, clear the removal of the selection. lost counts events missing before it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "record/session_event.h"

namespace record {

// The names control bytes 0x00 to 0x1F go by in a quoted text, <NUL> to <US>.
inline constexpr std::array<std::string_view, 32> kControlNames{
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

// The event's line, without its newline.
std::string FormatLine(std::uint64_t sequence, const Event& event);

// A wall clock time in UTC with milliseconds: 2024-05-01T03:34:56.789Z as the lines give it, or
// 20240501T033456.789Z, compact, as file names do.
enum class UtcForm { kLine, kCompact };
std::string FormatUtc(std::chrono::system_clock::time_point time, UtcForm form);

}  // namespace record
