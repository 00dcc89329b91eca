// quorvane-send's command line: which console to reach and what to hand it.
//
//   quorvane-send [--socket PATH | --sandbox DIR] [--sync] VERB ...
//     command ID                       a click on control ID, or the bare command ID
//     message NUMBER WPARAM LPARAM     a window message with signed 32-bit values
//     text ID TEXT                     typing: the edit control's whole new text (UTF-8)
//     select ID START END              a selection in an edit control (-1: none / the end)
//     read ID                          prints the control's text (ID 0: the dialog's own)
//     expect [--timeout S] [--whole | --box] PATTERN
//                                      waits for the log pane's new text (its whole text, a
//                                      message box's) to match; prints the match
//     mark                             prints where the session record stands:
//                                      OFFSET SEQUENCE FILE
//
// Numbers are decimal or 0x-prefixed hexadecimal, with an optional minus sign. A TEXT or
// PATTERN that begins with "-" follows a "--".
#pragma once

#include <filesystem>
#include <string>
#include <variant>

#include "tools/early_exit.h"

#include "sender/protocol.h"

namespace quorvane_send {

struct Invocation {
  std::filesystem::path socket_path;
  sender::Request request;
};

std::variant<Invocation, tools::EarlyExit> ParseCommandLine(int argc, char** argv);

}  // namespace quorvane_send
