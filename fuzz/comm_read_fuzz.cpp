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

std::wstring PaneText(const Console& console) {
  const int length = GetWindowTextLengthW(console.dlg.m_editLog.m_hWnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(console.dlg.m_editLog.m_hWnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
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

  const std::wstring pane = PaneText(console);
  fuzz::Check(pane.size() <= kPaneCapacity, "the pane stays within its capacity");
  fuzz::Check(pane.ends_with(L"\r\n"), "the handler's own line end closes the pane");
  const std::wstring header =
      L"\r\ncom[" + std::to_wstring(port) + L"] recvdatasize:" +
      std::to_wstring(std::min<std::size_t>(count, sizeof buffer)) + L"\r\n";
  fuzz::Check(pane.find(header) != std::wstring::npos,
              "the block's header names the count the handler read");
  return 0;
}
