// The real quorvane-replay binary against simulated lines whose far ends are published in a
// sandbox folder, the test holding their console sides as the console would.
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/simulated_port.h"
#include "testing/child_process.h"
#include "testing/temp_dir.h"
#include "testing/tty_end.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Finished {
  int status = -1;
  std::string out;
  std::string err;
};

// A record line of a block at `seconds` on the monotonic clock.
std::string BlockLine(int sequence, double seconds, std::string_view kind, std::string_view port,
                      std::string_view bytes) {
  char times[64];
  std::snprintf(times, sizeof times, "2024-05-01T03:34:56.789Z %.6f %d ", seconds, sequence);
  std::string hex;
  for (const char c : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
    hex += pair;
  }
  return std::string(times) + std::string(kind) + " " + std::string(port) +
         " bytes=" + std::to_string(bytes.size()) + " hex=" + hex + "\n";
}

class QuorvaneReplayTest : public ::testing::Test {
 protected:
  QuorvaneReplayTest() { fs::create_directories(Sandbox() / "tty"); }

  fs::path Sandbox() const { return dir_.path() / "sim"; }

  // A simulated line on COMn whose console side the test holds.
  testing_support::TtyEnd& Line(int port) {
    ports_.push_back(
        std::make_unique<sim::SimulatedPort>(Sandbox() / "tty" / ("COM" + std::to_string(port))));
    consoles_.push_back(std::make_unique<testing_support::TtyEnd>(ports_.back()->ConsoleSide()));
    return *consoles_.back();
  }

  fs::path WriteRecord(const std::string& text) const {
    fs::path file = dir_.path() / "session-run.log";
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }

  // Starts quorvane-replay on the sandbox; Finish waits for it.
  std::unique_ptr<testing_support::ChildProcess> Start(const fs::path& record,
                                                       std::vector<std::string> options = {}) {
    std::vector<std::string> args = {QUORVANE_REPLAY_BINARY, record.string(), "--sandbox",
                                     Sandbox().string()};
    args.insert(args.end(), options.begin(), options.end());
    return std::make_unique<testing_support::ChildProcess>(args, dir_.path());
  }
  static Finished Finish(testing_support::ChildProcess& replay) {
    const std::optional<int> status = replay.Wait(30s);
    return {status.value_or(-1), replay.Output(), replay.Errors()};
  }
  Finished Run(const fs::path& record, std::vector<std::string> options = {}) {
    return Finish(*Start(record, std::move(options)));
  }

  testing_support::TempDir dir_;
  std::vector<std::unique_ptr<sim::SimulatedPort>> ports_;
  std::vector<std::unique_ptr<testing_support::TtyEnd>> consoles_;
};

TEST_F(QuorvaneReplayTest, OnlyTheReceivedBlocksOfTheChosenPortsAreWrittenInOrder) {
  const testing_support::TtyEnd& com1 = Line(1);
  const testing_support::TtyEnd& com3 = Line(3);
  const fs::path record = WriteRecord(
      BlockLine(1, 1.0, "rx", "COM1", "OK\r\n") + BlockLine(2, 1.0, "tx", "COM1", "AT\r\n") +
      BlockLine(3, 1.0, "rx", "COM3", std::string("\0\xff", 2)) + "broken line\n" +
      BlockLine(5, 1.0, "rx", "COM1", "RING\r\n"));

  const Finished all = Run(record, {"--as-fast-as-possible"});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out, "3 block(s), 12 byte(s) written\n");
  EXPECT_EQ(all.err, "quorvane-replay: " + record.string() +
                         ":4: skipped: the wall clock is not a UTC time with milliseconds\n");
  EXPECT_EQ(com1.Read(10), "OK\r\nRING\r\n");
  EXPECT_EQ(com3.Read(2), std::string("\0\xff", 2));

  const Finished com3_only = Run(record, {"--port", "COM3", "--as-fast-as-possible"});
  EXPECT_EQ(com3_only.status, 0) << com3_only.err;
  EXPECT_EQ(com3.Read(2), std::string("\0\xff", 2));
  pollfd nothing_more{com1.fd(), POLLIN, 0};
  EXPECT_EQ(::poll(&nothing_more, 1, 100), 0);
}

// The gaps are checked from the start of the replay to the second block's arrival: the replay
// cannot write it sooner than the gap after the first, however late the test sees the first. A
// gap of 30 s that is not shortened makes the read give up after 10 s.
TEST_F(QuorvaneReplayTest, TheRecordedGapsAreKeptOrScaledOrLeftOut) {
  const testing_support::TtyEnd& com1 = Line(1);
  const struct {
    double gap_seconds;
    std::vector<std::string> options;
    std::chrono::milliseconds at_least;
  } cases[] = {
      {0.4, {}, 400ms},
      {0.4, {"--speed", "2"}, 200ms},
      {0.2, {"--speed", "0.5"}, 400ms},
      {30, {"--speed", "100"}, 300ms},
      {30, {"--as-fast-as-possible"}, 0ms},
  };
  for (const auto& c : cases) {
    const std::string what = std::to_string(c.gap_seconds) + " s " +
                             (c.options.empty() ? "original" : c.options.front());
    const fs::path record = WriteRecord(BlockLine(1, 100.0, "rx", "COM1", "a") +
                                        BlockLine(2, 100.0 + c.gap_seconds, "rx", "COM1", "b"));
    const auto started = Clock::now();
    auto replay = Start(record, c.options);
    EXPECT_EQ(com1.Read(2), "ab") << what;
    EXPECT_GE(Clock::now() - started, c.at_least) << what;
    EXPECT_EQ(Finish(*replay).status, 0) << what;
  }
}

TEST_F(QuorvaneReplayTest, AGapTooLongForTheClockIsWaitedNotDropped) {
  // Times 292 years apart, as only a hand-edited record has them, stretched further by a slow
  // speed: counted in the clock's nanoseconds they overflow, and must not come out as no gap.
  const testing_support::TtyEnd& com1 = Line(1);
  const fs::path record = WriteRecord(BlockLine(1, 0.0, "rx", "COM1", "a") +
                                      BlockLine(2, 9223372035.0, "rx", "COM1", "b"));
  for (const char* speed : {"1", "1e-300"}) {
    const auto replay = Start(record, {"--speed", speed});
    EXPECT_EQ(com1.Read(1), "a") << speed;
    pollfd more{com1.fd(), POLLIN, 0};
    EXPECT_EQ(::poll(&more, 1, 1000), 0) << "the second block came at speed " << speed;
  }
}

TEST_F(QuorvaneReplayTest, AConsoleThatDoesNotReadItsPortStopsTheReplayWithinTheTimeout) {
  Line(1);  // held, never read
  std::string text;
  for (int sequence = 1; sequence <= 40; ++sequence) {
    text += BlockLine(sequence, 1.0, "rx", "COM1", std::string(60000, 'x'));
  }
  const auto started = Clock::now();
  const Finished stuck = Run(WriteRecord(text), {"--as-fast-as-possible", "--timeout", "0.3"});
  EXPECT_LT(Clock::now() - started, 20s);
  EXPECT_EQ(stuck.status, 1);
  EXPECT_NE(stuck.err.find("of the block's 60000 bytes within 300 ms: is the console reading the "
                           "port?"),
            std::string::npos)
      << stuck.err;
}

TEST_F(QuorvaneReplayTest, WhatCannotBeReplayedIsRefusedWithWhy) {
  Line(1);
  const fs::path received =
      WriteRecord(BlockLine(1, 1.0, "rx", "COM1", "a") + BlockLine(2, 1.0, "rx", "COM2", "b"));
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{(dir_.path() / "none.log").string()}, "none.log: cannot be opened"},
      {{(dir_.path() / "sim").string()}, "sim: is not a plain file"},
      {{received.string()},
       "COM2's far end " + (Sandbox() / "tty/COM2").string() + ": there is no such far end"},
      {{received.string(), "--port", "COM4"}, "the record holds no received blocks on COM4"},
      {{received.string(), "--speed", "fast"}, "--speed: must be a number above 0"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {QUORVANE_REPLAY_BINARY, "--sandbox", Sandbox().string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    testing_support::ChildProcess replay(args, dir_.path());
    EXPECT_EQ(replay.Wait(30s), 1) << c.error;
    EXPECT_NE(replay.Errors().find(c.error), std::string::npos) << replay.Errors();
  }
  const Finished sent_only = Run(WriteRecord(BlockLine(1, 1.0, "tx", "COM1", "AT\r\n")));
  EXPECT_EQ(sent_only.status, 1);
  EXPECT_NE(sent_only.err.find("the record holds no received blocks"), std::string::npos);
}

}  // namespace
