// The drivers of a real board whose lines and channels are files (board_io/): ETC1:'s switched
// lines, MTR1:'s two signals with the meter side's inputs, EAS1:'s twelve channels. They take the
// console's requests with the codes, values and buffers the simulated drivers take and journal
// each the same way; what a request sets is written to its line's file. A code the profile gives
// no file, or a request the simulated driver would refuse, is refused with
// ERROR_INVALID_PARAMETER; a file that fails refuses the request with ERROR_INVALID_DATA, as an
// unusable channel file does on the simulated terminal, the file and its fault in the journal.
//
// The navigation request (2536) has no line on a board: ETC1: takes it, counts it in its state
// and sets nothing. MTR1:'s signals report nothing themselves: on a board the meter answers on
// its own inputs, and each settled change of those is posted to the console as the simulated
// meter posts its report, with a journal line of its own.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "board_io/file_settings.h"
#include "platform/ports/stream_driver.h"
#include "sim/driver_journal.h"

namespace board {

// The driver of files for "ETC1", "MTR1" or "EAS1"; the meter side reports to the window whose
// text is `console_window_text`.
std::shared_ptr<platform::StreamDriver> MakeFileDriver(std::string_view name,
                                                       const board_io::FileDriverSetting& setting,
                                                       std::shared_ptr<sim::DriverJournal> journal,
                                                       const std::wstring& console_window_text);

}  // namespace board
