// The storage soak test on the simulated terminal's volumes, its moves on the virtual clock.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>

#include "testing/console_fixture.h"

namespace {

using namespace console_testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr wchar_t kStart[] = L"file read/write test start\r\n";
constexpr wchar_t kEnd[] = L"file read/write test end\r\n";

enum class Where { kCard, kDataStore };

class StorageSoakTest : public ConsoleTest {
 protected:
  fs::path OnCard() const { return Volume("SDMMC") / "rwtest.txt"; }
  fs::path InDataStore() const { return Volume("DataStorage") / "rwtest.txt"; }
  static std::string ContentOf(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
  }
  // The file is at `where` alone, whole, and the dialog knows it is there.
  void ExpectFileOnlyAt(Where where, const std::string& content, const std::string& when) {
    const fs::path at = where == Where::kCard ? OnCard() : InDataStore();
    const fs::path other = where == Where::kCard ? InDataStore() : OnCard();
    EXPECT_EQ(ContentOf(at), content) << when;
    EXPECT_FALSE(fs::exists(other)) << when;
    EXPECT_EQ(dlg.m_bRwFileInDataStorage, where == Where::kDataStore) << when;
  }
};

TEST_F(StorageSoakTest, TheFileStartsAsSixtyFourNumberedLinesOnTheCard) {
  Start();
  const std::string content = ContentOf(OnCard());
  ASSERT_EQ(content.size(), 1024u);
  for (std::size_t line = 0; line < 64; ++line) {
    char expected[17];
    std::snprintf(expected, sizeof expected, "rwtest line %02zu\r\n", line);
    EXPECT_EQ(content.substr(line * 16, 16), expected);
  }
}

TEST_F(StorageSoakTest, TheFileMovesOnceASecondAndWaitsWhereTheEndLeftIt) {
  Start();
  const std::string content = ContentOf(OnCard());
  Command(IDC_BTN_RW_TEST);
  EXPECT_EQ(LogText(), kStart);
  EXPECT_TRUE(dlg.m_bRwTestRunning);

  const struct {
    const char* when;
    std::function<void()> step;
    Where where;
  } steps[] = {
      {"just before the first move", [&] { loop.AdvanceBy(999ms); }, Where::kCard},
      {"after 1 s", [&] { loop.AdvanceBy(1ms); }, Where::kDataStore},
      {"after 2 s", [&] { loop.AdvanceBy(1s); }, Where::kCard},
      {"after 3 s", [&] { loop.AdvanceBy(1s); }, Where::kDataStore},
      {"ended", [&] { Command(IDC_BTN_RW_TEST); }, Where::kDataStore},
      {"ended, a minute on", [&] { loop.AdvanceBy(1min); }, Where::kDataStore},
      {"resumed", [&] { Command(IDC_BTN_RW_TEST); }, Where::kDataStore},
      {"resumed, 1 s on", [&] { loop.AdvanceBy(1s); }, Where::kCard},
  };
  for (const auto& step : steps) {
    step.step();
    ExpectFileOnlyAt(step.where, content, step.when);
  }
  EXPECT_EQ(LogText(), std::wstring(kStart) + kEnd + kStart);
  EXPECT_TRUE(front_end.message_boxes.empty());

  loop.AdvanceBy(1s);  // into the data store
  DestroyWindow(dlg.m_hWnd);
  EXPECT_FALSE(fs::exists(OnCard()));
  EXPECT_FALSE(fs::exists(InDataStore()));
}

TEST_F(StorageSoakTest, AMoveReplacesAFileAlreadyAtItsDestination) {
  Start();
  const std::string content = ContentOf(OnCard());
  std::ofstream(InDataStore()) << "left from an earlier run, longer than nothing";
  Command(IDC_BTN_RW_TEST);
  loop.AdvanceBy(1s);
  ExpectFileOnlyAt(Where::kDataStore, content, "moved");
  std::ofstream(OnCard()) << "stale";
  loop.AdvanceBy(1s);
  ExpectFileOnlyAt(Where::kCard, content, "moved back");
}

// A copy that fails leaves the file where it is and the dialog knowing it; the test goes on and
// moves the file once its way is free again.
struct BlockedWay {
  const char* name;
  const char* profile;
  int moves_before;    // moves that succeed before the way is blocked
  bool folder_in_way;  // a folder takes the destination's name; else the profile blocks the way
};

void PrintTo(const BlockedWay& way, std::ostream* out) { *out << way.name; }

class BlockedMoveTest : public StorageSoakTest, public ::testing::WithParamInterface<BlockedWay> {};

TEST_P(BlockedMoveTest, TheFileStaysWhereItIsUntilItsWayIsFree) {
  const BlockedWay& way = GetParam();
  Start(way.profile);
  const std::string content = ContentOf(OnCard());
  Command(IDC_BTN_RW_TEST);
  loop.AdvanceBy(std::chrono::seconds(way.moves_before));
  const Where held = way.moves_before % 2 == 0 ? Where::kCard : Where::kDataStore;
  const fs::path at = held == Where::kCard ? OnCard() : InDataStore();
  const fs::path destination = held == Where::kCard ? InDataStore() : OnCard();
  if (way.folder_in_way) fs::create_directory(destination);

  loop.AdvanceBy(5s);
  EXPECT_EQ(ContentOf(at), content);
  EXPECT_EQ(dlg.m_bRwFileInDataStorage, held == Where::kDataStore);
  EXPECT_EQ(LogText(), kStart);
  EXPECT_TRUE(front_end.message_boxes.empty());

  if (!way.folder_in_way) return;
  fs::remove(destination);
  loop.AdvanceBy(1s);
  ExpectFileOnlyAt(held == Where::kCard ? Where::kDataStore : Where::kCard, content, "freed");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, BlockedMoveTest,
    ::testing::Values(BlockedWay{"NoDataStore", "[volumes]\nDataStorage = \"absent\"\n", 0, false},
                      BlockedWay{"FolderInTheDataStoresWay", "", 0, true},
                      BlockedWay{"FolderInTheCardsWayBack", "", 1, true}),
    [](const ::testing::TestParamInfo<BlockedWay>& way) { return std::string(way.param.name); });

}  // namespace
