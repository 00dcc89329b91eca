#include "testing/console_fixture.h"

#include <fstream>

#include "board/build_board.h"
#include "platform/ports/window_model.h"
#include "platform/terminal/utf16.h"
#include "res/install_resources.h"
#include "sim/driver_journal.h"

namespace console_testing {

ConsoleTest::InstalledResources::InstalledResources() { res::InstallResources(); }

void ConsoleTest::PrepareBoard(const std::string& profile_text) {
  board::BoardOptions options{Sandbox(), std::nullopt};
  options.restart_in_place = [this] { ++restarts_asked; };
  if (!profile_text.empty()) {
    options.profile = temp_.path() / "board.toml";
    std::ofstream(*options.profile) << profile_text;
  }
  platform::InstallBoard(board::BuildBoard(options));
  app.m_pMainWnd = &dlg;
}

void ConsoleTest::Start(const std::string& profile_text) {
  PrepareBoard(profile_text);
  ASSERT_TRUE(dlg.Create());
}

void ConsoleTest::TearDown() {
  if (dlg.m_hWnd != nullptr) DestroyWindow(dlg.m_hWnd);
  app.m_pMainWnd = nullptr;
  platform::InstallBoard({});
}

std::wstring ConsoleTest::LogText() const {
  return platform::FromUtf16(platform::FindWindowState(dlg.m_editLog.m_hWnd)->text);
}

std::vector<nlohmann::json> ConsoleTest::Journal() const {
  return sim::ReadJournal(Sandbox() / "drivers.jsonl");
}

std::vector<DriverCall> ConsoleTest::NewCallsTo(std::string_view device) {
  const auto journal = Journal();
  std::vector<DriverCall> calls;
  for (std::size_t index = journal_entries_seen_; index < journal.size(); ++index) {
    const auto& entry = journal[index];
    if (entry["device"] != device) continue;
    if (entry["event"] != "request") {
      calls.push_back(OpenRefused());
      continue;
    }
    calls.push_back({true, entry["code"],
                     entry["input"].is_null() ? std::nullopt : std::optional<DWORD>(entry["input"]),
                     entry["output_size"]});
  }
  journal_entries_seen_ = journal.size();
  return calls;
}

std::ostream& operator<<(std::ostream& out, const DriverCall& call) {
  if (!call.opened) return out << "(open refused)";
  out << "(" << call.code << ", ";
  if (call.value) {
    out << *call.value;
  } else {
    out << "no value";
  }
  return out << ", out " << call.output_size << ")";
}

}  // namespace console_testing
