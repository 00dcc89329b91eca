// One run of the console on the installed board and resources, shown by `front_end`: the
// application object runs the dialog on this thread's loop, the outside senders' socket opens
// once the dialog stands, and signals close the dialog. Returns the program's exit status.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/ports/front_end.h"
#include "platform/terminal/message_loop.h"
#include "ui/stop_signals.h"

namespace ui {

int RunConsole(const std::filesystem::path& sandbox, platform::FrontEnd& front_end,
               std::unique_ptr<platform::LoopWaiter> waiter, StopOnSignals& stop_signals);

}  // namespace ui
