// The console on the simulated terminal for tests: a sandbox in a temporary folder, an optional
// board profile, the real resources, a virtual clock and a front end that records message boxes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/quorvane_dlg.h"
#include "framework/cwinapp.h"
#include "platform/terminal/message_loop.h"
#include "testing/count_of.h"
#include "testing/recording_front_end.h"
#include "testing/temp_dir.h"

namespace console_testing {

// One call the console made on a stream driver, as the journal tells it: a request with its
// value (none without a 4-byte input) and output size, or an open that the driver refused.
struct DriverCall {
  bool opened = true;
  DWORD code = 0;
  std::optional<DWORD> value;
  DWORD output_size = 0;
  bool operator==(const DriverCall&) const = default;
};
std::ostream& operator<<(std::ostream& out, const DriverCall& call);
inline DriverCall OpenRefused() { return {false, 0, std::nullopt, 0}; }

using testing_support::CountOf;

// The dialog with its protected parts opened up for the tests.
class TestableDlg : public CQuorvaneDlg {
 public:
  using CQuorvaneDlg::AppendLog;
  using CQuorvaneDlg::IoSend;
  using CQuorvaneDlg::m_bRwFileInDataStorage;
  using CQuorvaneDlg::m_bRwTestRunning;
  using CQuorvaneDlg::m_com;
  using CQuorvaneDlg::m_dwEtcIoctl;
  using CQuorvaneDlg::m_editLog;
  using CQuorvaneDlg::m_editNumber;
  using CQuorvaneDlg::m_nComPort;
  using CQuorvaneDlg::m_nEtcOnOff;
  using CQuorvaneDlg::m_nMdnQueryCount;
  using CQuorvaneDlg::m_nMeterStep;
  using CQuorvaneDlg::OnModemStartTimer;
};

class ConsoleTest : public ::testing::Test {
 protected:
  // `waiter`: how the loop waits when idle (a front end's own event processing); null for the
  // plain wait.
  explicit ConsoleTest(std::unique_ptr<platform::LoopWaiter> waiter = nullptr)
      : loop(clock, std::move(waiter)) {}

  // Builds the board (with `profile_text` as its profile when not empty) and installs the
  // resources; Start also creates the dialog.
  void PrepareBoard(const std::string& profile_text = "");
  void Start(const std::string& profile_text = "");
  void TearDown() override;

  std::filesystem::path Sandbox() const { return temp_.path() / "sim"; }
  std::filesystem::path Volume(const char* name) const { return Sandbox() / "volumes" / name; }
  std::wstring LogText() const;
  std::vector<nlohmann::json> Journal() const;
  // The calls on `device` journaled since the previous NewCallsTo, for any device.
  std::vector<DriverCall> NewCallsTo(std::string_view device);
  void Command(int id) {
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
  }

  // The dialog loads its icon when it is built, so the resources come first.
  struct InstalledResources {
    InstalledResources();
  };

  InstalledResources resources_;
  testing_support::TempDir temp_;
  platform::VirtualClock clock;
  platform::MessageLoop loop;
  testing_support::RecordingFrontEnd front_end;
  CWinApp app{L"quorvane"};
  TestableDlg dlg;
  int restarts_asked = 0;  // warm restarts the board was asked for

 private:
  std::size_t journal_entries_seen_ = 0;
};

}  // namespace console_testing
