#include "ui/run_console.h"

#include <cstdio>
#include <optional>

#include "framework/cwinapp.h"
#include "platform/ports/board.h"
#include "platform/ports/sandbox_location.h"
#include "res/resource.h"
#include "sender/server.h"

namespace ui {

int RunConsole(const std::filesystem::path& sandbox, platform::FrontEnd& front_end,
               std::unique_ptr<platform::LoopWaiter> waiter, StopOnSignals& stop_signals) {
  platform::SetFrontEnd(&front_end);
  platform::MonotonicClock clock;
  auto loop = std::make_unique<platform::MessageLoop>(clock, std::move(waiter));
  std::optional<sender::SenderServer> senders;
  int status = 0;
  // Runs inside the dialog's modal loop, once the dialog has been created and initialised.
  loop->core()->Post([&] {
    const HWND dialog = AfxGetApp()->m_pMainWnd->m_hWnd;
    senders.emplace(platform::ConsoleSocketIn(sandbox), dialog, loop->core(),
                    sender::ServerLimits{},
                    sender::WaitSources{IDC_EDIT_LOG, platform::CurrentBoard().mark_record});
    if (const auto error = senders->Start()) {
      std::fprintf(stderr, "quorvane: %s\n", error->c_str());
      status = 2;
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      return;
    }
    stop_signals.Watch(dialog);
  });
  const int app_status = AfxWinMain();
  stop_signals.StopWatching();  // before the dialog's loop goes
  loop.reset();                 // releases any outside sender still waiting for the ended dialog
  senders.reset();
  platform::SetFrontEnd(nullptr);
  return status != 0 ? status : app_status;
}

}  // namespace ui
