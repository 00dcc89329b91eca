// Arbitrary blocks through the console's receive handler, as the serial watch thread hands them
// over: the first four bytes are the count the message carries (which may claim more than the
// receive buffer holds), the fifth the port, the rest the bytes in the receive buffer. Everything
// the handler does with them runs: the marks for command lines, the widening of every byte, the
// appends to the log pane, whose capacity is small here so that its trimming runs too.
//
// Beyond "no crash": the block's header line names the count the handler could read, the pane
// never holds more than its capacity, and the handler's own text ends it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/quorvane_dlg.h"
#include "framework/cwinapp.h"
#include "fuzz/fuzz_check.h"
#include "platform/ports/board.h"
#include "platform/ports/window_model.h"
#include "platform/terminal/message_loop.h"
#include "platform/terminal/window.h"
#include "res/install_resources.h"

namespace {

constexpr std::size_t kPaneCapacity = 20'000;

class ReceivingDlg : public CQuorvaneDlg {
 public:
  using CQuorvaneDlg::m_com;
  using CQuorvaneDlg::m_editLog;
  using CQuorvaneDlg::OnCommRead;
};

struct Console {
  platform::VirtualClock clock;
  platform::MessageLoop loop{clock};
  CWinApp app{L"quorvane"};
  ReceivingDlg dlg;
};

Console& TheConsole() {
  static Console* console = [] {
    res::InstallResources();
    platform::Board board;
    board.edit_control_capacity = kPaneCapacity;
    platform::InstallBoard(std::move(board));
    auto* made = new Console;
    made->app.m_pMainWnd = &made->dlg;
    fuzz::Check(made->dlg.Create(), "the dialog is created");
    return made;
  }();
  return *console;
}

// The pane's text as the model holds it: read in place, since converting the whole pane for
// every input would cost more than the handler itself.
std::u16string_view PaneText(const Console& console) {
  return platform::FindWindowState(console.dlg.m_editLog.m_hWnd)->text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TheConsole();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  Console& console = TheConsole();
  std::uint32_t count = 0;
  std::memcpy(&count, data, sizeof count);
  const int port = data[4];
  auto& buffer = console.dlg.m_com.m_abyRecvBuf;
  std::memset(buffer, 0, sizeof buffer);
  std::memcpy(buffer, data + 5, std::min(size - 5, sizeof buffer));

  console.dlg.OnCommRead(count, port);

  const std::u16string_view pane = PaneText(console);
  fuzz::Check(pane.size() <= kPaneCapacity, "the pane stays within its capacity");
  fuzz::Check(pane.ends_with(u"\r\n"), "the handler's own line end closes the pane");
  const std::string header = "\r\ncom[" + std::to_string(port) + "] recvdatasize:" +
                             std::to_string(std::min<std::size_t>(count, sizeof buffer)) + "\r\n";
  fuzz::Check(pane.find(std::u16string(header.begin(), header.end())) != std::u16string::npos,
              "the block's header names the count the handler read");
  return 0;
}
