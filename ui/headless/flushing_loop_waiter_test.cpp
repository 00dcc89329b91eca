#include "ui/headless/flushing_loop_waiter.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using std::chrono::steady_clock;

class FlushingLoopWaiterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::pipe2(ends.data(), O_NONBLOCK), 0);
    out = ::fdopen(ends[1], "w");  // a pipe: fully buffered, as standard output into a file
  }
  void TearDown() override {
    std::fclose(out);
    ::close(ends[0]);
  }
  std::string Arrived() {
    std::string bytes(256, '\0');
    const ssize_t size = ::read(ends[0], bytes.data(), bytes.size());
    bytes.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return bytes;
  }

  std::array<int, 2> ends{};
  std::FILE* out = nullptr;
  std::mutex loop_mutex;
  std::unique_lock<std::mutex> lock{loop_mutex};
};

TEST_F(FlushingLoopWaiterTest, WhatWasWrittenGoesOutWhenTheLoopWaits) {
  ui::FlushingLoopWaiter waiter(out);
  std::fputs("COM1 OPEN!! \r\n", out);
  EXPECT_EQ(Arrived(), "");
  waiter.Wait(lock, steady_clock::now());
  EXPECT_EQ(Arrived(), "COM1 OPEN!! \r\n");
  EXPECT_TRUE(lock.owns_lock());
}

TEST_F(FlushingLoopWaiterTest, AWakeThatCameWhileWritingEndsTheNextWaitAtOnce) {
  ui::FlushingLoopWaiter waiter(out);
  waiter.Wake();
  const auto deadline = steady_clock::now() + std::chrono::seconds(30);
  waiter.Wait(lock, deadline);
  EXPECT_LT(steady_clock::now(), deadline);
}

}  // namespace
