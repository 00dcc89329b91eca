#include "sim/simulated_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/ports/board.h"
#include "platform/terminal/devices.h"
#include "platform/terminal/handles.h"
#include "sim/absent_driver.h"
#include "sim/eas_driver.h"
#include "sim/etc_driver.h"
#include "sim/meter_driver.h"
#include "testing/temp_dir.h"

namespace sim {
namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

// The three simulated drivers installed as a board, asked the way the console asks them: open
// by name, one request, close.
class SimulatedDriverTest : public ::testing::Test {
 protected:
  SimulatedDriverTest()
      : journal_(std::make_shared<DriverJournal>(Sandbox::Prepare(dir_.path()))),
        etc_(std::make_shared<EtcDriver>(journal_)),
        meter_(std::make_shared<MeterDriver>(journal_, L"QUORVANE")),
        eas_(std::make_shared<EasDriver>(journal_, kDefaultEasChannels)) {
    platform::Board board;
    board.devices.Add(L"ETC1:", etc_);
    board.devices.Add(L"MTR1:", meter_);
    board.devices.Add(L"EAS1:", eas_);
    board.devices.Add(L"NONE1:", std::make_shared<AbsentDriver>("NONE1:", journal_));
    platform::InstallBoard(std::move(board));
  }
  ~SimulatedDriverTest() override { platform::InstallBoard({}); }

  std::filesystem::path JournalFile() const { return dir_.path() / "drivers.jsonl"; }

  std::vector<std::string> JournalLines() const {
    std::ifstream in(JournalFile());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // One request as IoSend makes it; the driver's answer, with GetLastError when it refused.
  static BOOL Send(LPCWSTR device, DWORD code, const void* input, DWORD input_size, void* output,
                   DWORD output_size, DWORD* bytes_returned = nullptr) {
    const HANDLE handle =
        CreateFileW(device, kReadWrite, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FALSE;
    const BOOL answer = DeviceIoControl(handle, code, const_cast<void*>(input), input_size, output,
                                        output_size, bytes_returned, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    SetLastError(error);
    return answer;
  }

  static BOOL SendValue(LPCWSTR device, DWORD code, DWORD value, DWORD output_size) {
    return Send(device, code, &value, sizeof value, nullptr, output_size);
  }

  testing_support::TempDir dir_;
  std::shared_ptr<DriverJournal> journal_;
  std::shared_ptr<EtcDriver> etc_;
  std::shared_ptr<MeterDriver> meter_;
  std::shared_ptr<EasDriver> eas_;
};

TEST_F(SimulatedDriverTest, EtcRequestsAreJournaledLineByLineWithTheStateTheyLeave) {
  EXPECT_TRUE(SendValue(L"ETC1:", 9120, 1, 1));               // ON/OFF with "Power On"
  EXPECT_TRUE(Send(L"ETC1:", 2536, nullptr, 1, nullptr, 1));  // the open-port command's request
  EXPECT_TRUE(SendValue(L"ETC1:", 9125, 1, 0));               // the modem's "Power On"

  const auto lines = JournalLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            R"({"device":"ETC1:","event":"request","code":9120,"input":1,)"
            R"("input_pointer":"given","input_size":4,"output_pointer":"null","output_size":1,)"
            R"("result":true,"state":{"lines":{"7001":0,"9010":0,"9119":0,)"
            R"("9120":1,"9121":0,"9124":0,"9125":0},"navi_requests":0}})");
  EXPECT_EQ(lines[1],
            R"({"device":"ETC1:","event":"request","code":2536,"input":null,)"
            R"("input_pointer":"null","input_size":1,"output_pointer":"null","output_size":1,)"
            R"("result":true,"state":{"lines":{"7001":0,"9010":0,"9119":0,)"
            R"("9120":1,"9121":0,"9124":0,"9125":0},"navi_requests":1}})");
  EXPECT_EQ(lines[2],
            R"({"device":"ETC1:","event":"request","code":9125,"input":1,)"
            R"("input_pointer":"given","input_size":4,"output_pointer":"null","output_size":0,)"
            R"("result":true,"state":{"lines":{"7001":0,"9010":0,"9119":0,)"
            R"("9120":1,"9121":0,"9124":0,"9125":1},"navi_requests":1}})");
}

TEST_F(SimulatedDriverTest, EtcLinesKeepTheLastValueEachCodeSet) {
  SendValue(L"ETC1:", 9120, 1, 1);
  SendValue(L"ETC1:", 9124, 0, 0);  // the modem start pulse: low, then high on the same line
  SendValue(L"ETC1:", 9124, 1, 0);
  SendValue(L"ETC1:", 7002, 1, 1);  // the pair 7002/7001 drives the one line kept under 7001
  EXPECT_EQ(etc_->Line(7001), 1u);
  SendValue(L"ETC1:", 7001, 0, 1);

  EXPECT_EQ(etc_->Line(9120), 1u);
  EXPECT_EQ(etc_->Line(9124), 1u);
  EXPECT_EQ(etc_->Line(9121), 0u);
  EXPECT_EQ(etc_->Line(7001), 0u);
  EXPECT_EQ(etc_->Line(7002), std::nullopt);
}

TEST_F(SimulatedDriverTest, RequestsTheEtcDriverCannotUseAreRefusedAndChangeNothing) {
  SendValue(L"ETC1:", 9120, 1, 1);
  const auto before = sim::ReadJournal(JournalFile()).back()["state"];

  // 8002 is what the console sends after an EAS read; no line of this driver answers to it.
  EXPECT_FALSE(SendValue(L"ETC1:", 8002, 1, 1));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(SendValue(L"ETC1:", 9120, 2, 1));  // a line is on or off
  EXPECT_FALSE(Send(L"ETC1:", 9120, nullptr, 4, nullptr, 1));

  const auto journal = sim::ReadJournal(JournalFile());
  ASSERT_EQ(journal.size(), 4u);
  EXPECT_EQ(journal[1]["code"], 8002);
  EXPECT_EQ(journal[1]["result"], false);
  EXPECT_EQ(journal[1]["error"], ERROR_INVALID_PARAMETER);
  EXPECT_EQ(journal[3]["input"], nullptr);
  EXPECT_EQ(journal[3]["input_size"], 4);
  for (std::size_t i = 1; i < journal.size(); ++i) EXPECT_EQ(journal[i]["state"], before);
}

TEST_F(SimulatedDriverTest, TheJournalTellsANullBufferFromARealOneOfTheSameSize) {
  BYTE in[4] = {1, 0, 0, 0};
  BYTE out[1] = {};
  const struct {
    const void* input;
    DWORD input_size;
    void* output;
    DWORD output_size;
    const char* input_pointer;
    const char* output_pointer;
  } cases[] = {
      {nullptr, 1, nullptr, 1, "null", "null"},  // the navigation request as the console sends it
      {in, 1, out, 1, "given", "given"},
      {nullptr, 0, out, 0, "null", "given"},
      {in, 4, nullptr, 0, "given", "null"},
  };
  for (const auto& c : cases) {
    Send(L"ETC1:", IOCTL_ETC_NAVI_REQUEST, c.input, c.input_size, c.output, c.output_size);
    const auto entry = sim::ReadJournal(JournalFile()).back();
    EXPECT_EQ(entry["input_pointer"], c.input_pointer) << "case " << &c - cases;
    EXPECT_EQ(entry["input_size"], c.input_size) << "case " << &c - cases;
    EXPECT_EQ(entry["output_pointer"], c.output_pointer) << "case " << &c - cases;
    EXPECT_EQ(entry["output_size"], c.output_size) << "case " << &c - cases;
  }
}

TEST_F(SimulatedDriverTest, MeterSignalsStayWhereTheLastRequestPutThem) {
  SendValue(L"MTR1:", 8028, 1, 0);  // boarding up
  SendValue(L"MTR1:", 8029, 1, 0);  // then reservation up: boarding stays up
  EXPECT_TRUE(meter_->Boarding());
  EXPECT_TRUE(meter_->Reservation());
  SendValue(L"MTR1:", 8028, 0, 0);
  EXPECT_FALSE(meter_->Boarding());
  EXPECT_TRUE(meter_->Reservation());

  EXPECT_FALSE(SendValue(L"MTR1:", 8028, 7, 0));
  EXPECT_FALSE(SendValue(L"MTR1:", 8030, 1, 0));
  EXPECT_FALSE(meter_->Boarding());

  const auto journal = sim::ReadJournal(JournalFile());
  ASSERT_EQ(journal.size(), 5u);
  EXPECT_EQ(journal[1], nlohmann::json::parse(
                            R"({"device":"MTR1:","event":"request","code":8029,"input":1,)"
                            R"("input_pointer":"given","input_size":4,"output_pointer":"null",)"
                            R"("output_size":0,"result":true,)"
                            R"("state":{"boarding":1,"reservation":1},"report":{"message":1654,)"
                            R"("wParam":1,"lParam":1,"posted":false}})"));
}

TEST_F(SimulatedDriverTest, EasBlockHoldsTheChannelsLittleEndianAndZeroReservedBytes) {
  eas_->SetChannels({0x1a, 0, 0xFFFFFFFF, 0x01020304, 5, 6, 7, 8, 9, 10, 11, 12});
  std::array<BYTE, 52> block;
  block.fill(0xAA);
  DWORD returned = 0;
  const DWORD zero = 0;
  ASSERT_TRUE(Send(L"EAS1:", 8002, &zero, 4, block.data(), 52, &returned));

  EXPECT_EQ(returned, 52u);
  const std::array<BYTE, 16> first_four{0x1a, 0,    0,    0,    0,    0,    0,    0,
                                        0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01};
  EXPECT_TRUE(std::equal(first_four.begin(), first_four.end(), block.begin()));
  EXPECT_EQ(block[44], 12);
  for (std::size_t i = 48; i < 52; ++i) EXPECT_EQ(block[i], 0) << "reserved byte " << i;

  const auto entry = sim::ReadJournal(JournalFile()).back();
  EXPECT_EQ(entry["input"], 0);
  EXPECT_EQ(entry["output_size"], 52);
  EXPECT_EQ(entry["state"]["channels"][2], 0xFFFFFFFFu);
}

TEST_F(SimulatedDriverTest, EasRefusesABufferSmallerThanTheBlockAndLeavesItAlone) {
  std::array<BYTE, 48> short_block;
  short_block.fill(0xAA);
  const DWORD zero = 0;
  EXPECT_FALSE(Send(L"EAS1:", 8002, &zero, 4, short_block.data(), 48));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  for (BYTE byte : short_block) ASSERT_EQ(byte, 0xAA);
  EXPECT_FALSE(Send(L"EAS1:", 8002, &zero, 4, nullptr, 52));
}

TEST_F(SimulatedDriverTest, AbsentDriverRefusesEveryOpenAndJournalsEachRefusal) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(CreateFileW(L"NONE1:", kReadWrite, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  }
  const auto lines = JournalLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], R"({"device":"NONE1:","event":"open refused","reason":"absent"})");
  EXPECT_EQ(lines[1], lines[0]);
}

TEST_F(SimulatedDriverTest, RequestsFromManyThreadsEachLeaveOneWholeLine) {
  constexpr int kThreads = 4;
  constexpr int kRequestsEach = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      const DWORD code = t % 2 == 0 ? IOCTL_MTR_BOARDING : IOCTL_ETC_NAVI_REQUEST;
      for (int i = 0; i < kRequestsEach; ++i) {
        DWORD value = i % 2;
        // Straight to the drivers: the device table lets only one handle hold a driver.
        if (t % 2 == 0) {
          meter_->IoControl(code, &value, 4, nullptr, 0, nullptr);
        } else {
          etc_->IoControl(code, nullptr, 1, nullptr, 1, nullptr);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();

  const auto journal = sim::ReadJournal(JournalFile());  // throws on a torn line
  EXPECT_EQ(journal.size(), std::size_t{kThreads * kRequestsEach});
  EXPECT_EQ(etc_->NaviRequests(), kThreads / 2 * kRequestsEach);
}

}  // namespace
}  // namespace sim
