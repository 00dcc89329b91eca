#include "platform/terminal/devices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <future>
#include <latch>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ports/board.h"
#include "platform/terminal/handles.h"

namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

// A driver that keeps what was asked of it and refuses opens with `open_refusal` when set.
class RecordingDriver final : public platform::StreamDriver {
 public:
  struct Request {
    DWORD code;
    DWORD input_value;
    DWORD input_size;
    DWORD output_size;
  };

  DWORD Open(DWORD access, DWORD share_mode) override {
    const std::lock_guard lock(mutex_);
    last_access_ = access;
    last_share_mode_ = share_mode;
    ++opens_;
    return open_refusal_;
  }

  BOOL IoControl(DWORD code, const void* input, DWORD input_size, void* output, DWORD output_size,
                 DWORD* bytes_returned) override {
    if (during_request) during_request();
    const std::lock_guard lock(mutex_);
    DWORD value = 0;
    if (input != nullptr && input_size >= sizeof value) std::memcpy(&value, input, sizeof value);
    requests_.push_back({code, value, input_size, output_size});
    if (output != nullptr && output_size >= sizeof code) {
      std::memcpy(output, &code, sizeof code);  // echo the code back as the answer
      *bytes_returned = sizeof code;
    }
    return TRUE;
  }

  void Close() override {
    const std::lock_guard lock(mutex_);
    ++closes_;
  }

  void RefuseOpens(DWORD error) {
    const std::lock_guard lock(mutex_);
    open_refusal_ = error;
  }
  int opens() const { return Locked(opens_); }
  int closes() const { return Locked(closes_); }
  DWORD last_access() const { return Locked(last_access_); }
  DWORD last_share_mode() const { return Locked(last_share_mode_); }
  std::vector<Request> requests() const { return Locked(requests_); }

  // Runs inside each request, before it is recorded; set before the driver is used.
  std::function<void()> during_request;

 private:
  template <class T>
  T Locked(const T& value) const {
    const std::lock_guard lock(mutex_);
    return value;
  }

  mutable std::mutex mutex_;
  DWORD open_refusal_ = ERROR_SUCCESS;
  int opens_ = 0;
  int closes_ = 0;
  DWORD last_access_ = 0;
  DWORD last_share_mode_ = 0;
  std::vector<Request> requests_;
};

HANDLE OpenDevice(LPCWSTR name) {
  return CreateFileW(name, kReadWrite, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class DevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Board board;
    board.devices.Add(L"ETC1:", etc);
    board.devices.Add(L"MTR1:", meter);
    platform::InstallBoard(std::move(board));
  }
  void TearDown() override { platform::InstallBoard({}); }

  std::shared_ptr<RecordingDriver> etc = std::make_shared<RecordingDriver>();
  std::shared_ptr<RecordingDriver> meter = std::make_shared<RecordingDriver>();
};

TEST_F(DevicesTest, ExclusiveOpenHoldsTheDeviceUntilItsHandleIsClosed) {
  const HANDLE first = OpenDevice(L"ETC1:");
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_EQ(etc->last_access(), kReadWrite);
  EXPECT_EQ(etc->last_share_mode(), 0u);

  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(OpenDevice(L"ETC1:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(etc->opens(), 1) << "a refused second open must not reach the driver";

  // Another device is not affected.
  const HANDLE meter_handle = OpenDevice(L"MTR1:");
  EXPECT_NE(meter_handle, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(meter_handle));

  EXPECT_EQ(etc->closes(), 0);
  EXPECT_TRUE(CloseHandle(first));
  EXPECT_EQ(etc->closes(), 1);

  const HANDLE again = OpenDevice(L"ETC1:");
  ASSERT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_NE(again, first) << "handle values are never given out twice";
  EXPECT_TRUE(CloseHandle(again));
  EXPECT_EQ(etc->opens(), 2);
  EXPECT_EQ(etc->closes(), 2);
}

TEST_F(DevicesTest, NamesCompareWithoutRegardToCaseAndUnknownNamesAreNotFound) {
  const HANDLE lower = OpenDevice(L"etc1:");
  ASSERT_NE(lower, INVALID_HANDLE_VALUE);
  EXPECT_EQ(etc->opens(), 1);
  EXPECT_EQ(OpenDevice(L"Etc1:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(lower);

  for (LPCWSTR unknown : {L"EAS1:", L"ETC1", L"ETC2:", L""}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(OpenDevice(unknown), INVALID_HANDLE_VALUE) << unknown;
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << unknown;
  }
}

TEST_F(DevicesTest, DriverRefusalIsPassedThroughAndLeavesTheDeviceFree) {
  etc->RefuseOpens(ERROR_ACCESS_DENIED);
  EXPECT_EQ(OpenDevice(L"ETC1:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(etc->closes(), 0) << "a driver that refused the open is not closed";

  etc->RefuseOpens(ERROR_SUCCESS);
  const HANDLE handle = OpenDevice(L"ETC1:");
  EXPECT_NE(handle, INVALID_HANDLE_VALUE) << "the refused open must not keep the device held";
  CloseHandle(handle);
}

TEST_F(DevicesTest, DeviceIoControlReachesTheDriverOfItsHandle) {
  const HANDLE handle = OpenDevice(L"ETC1:");
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);

  DWORD value = 1;
  DWORD answer = 0;
  DWORD returned = 99;
  EXPECT_TRUE(DeviceIoControl(handle, 9124, &value, 4, &answer, 4, &returned, nullptr));
  EXPECT_EQ(answer, 9124u);
  EXPECT_EQ(returned, 4u);

  // No output: the count of bytes returned starts at zero, and may be left out.
  returned = 99;
  EXPECT_TRUE(DeviceIoControl(handle, 2536, nullptr, 1, nullptr, 1, &returned, nullptr));
  EXPECT_EQ(returned, 0u);
  EXPECT_TRUE(DeviceIoControl(handle, 9125, &value, 4, &answer, 4, nullptr, nullptr));
  CloseHandle(handle);

  const auto requests = etc->requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].code, 9124u);
  EXPECT_EQ(requests[0].input_value, 1u);
  EXPECT_EQ(requests[0].input_size, 4u);
  EXPECT_EQ(requests[0].output_size, 4u);
  EXPECT_EQ(requests[1].code, 2536u);
  EXPECT_EQ(requests[1].input_size, 1u);
  EXPECT_EQ(requests[1].output_size, 1u);
  EXPECT_TRUE(meter->requests().empty());
}

TEST_F(DevicesTest, ClosedAndMadeUpHandlesNameNothing) {
  const HANDLE handle = OpenDevice(L"ETC1:");
  ASSERT_TRUE(CloseHandle(handle));

  DWORD value = 0;
  DWORD returned = 0;
  for (HANDLE bogus : {handle, INVALID_HANDLE_VALUE, HANDLE{nullptr},
                       reinterpret_cast<HANDLE>(std::uintptr_t{0x12345})}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(DeviceIoControl(bogus, 9124, &value, 4, nullptr, 0, &returned, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(CloseHandle(bogus));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
  EXPECT_TRUE(etc->requests().empty());
  EXPECT_EQ(etc->closes(), 1) << "closing a closed handle again must not close the driver again";
}

// A handle of another kind of object is not a device, even though it is a valid handle.
TEST_F(DevicesTest, DeviceIoControlRefusesHandlesOfOtherObjects) {
  const HANDLE other = platform::InsertHandle(std::make_shared<platform::KernelObject>());
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(DeviceIoControl(other, 9124, nullptr, 0, nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_TRUE(CloseHandle(other));
}

TEST_F(DevicesTest, ClosingDuringARequestClosesTheDriverOnlyAfterTheRequest) {
  std::promise<void> entered;
  std::promise<void> release;
  etc->during_request = [&entered, released = release.get_future().share()] {
    entered.set_value();
    released.wait();
  };
  const HANDLE handle = OpenDevice(L"ETC1:");
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);

  std::thread requester([handle] {
    DWORD value = 0;
    DeviceIoControl(handle, 9124, &value, 4, nullptr, 0, nullptr, nullptr);
  });
  entered.get_future().wait();
  EXPECT_TRUE(CloseHandle(handle));
  EXPECT_EQ(etc->closes(), 0) << "the driver was closed under a request still running";
  EXPECT_EQ(OpenDevice(L"ETC1:"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);

  release.set_value();
  requester.join();
  EXPECT_EQ(etc->closes(), 1);
  const HANDLE again = OpenDevice(L"ETC1:");
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
}

TEST_F(DevicesTest, OnlyOneOfManyRacingExclusiveOpensWins) {
  constexpr int kThreads = 8;
  for (int round = 0; round < 20; ++round) {
    std::latch start(kThreads);
    std::vector<HANDLE> results(kThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
      threads.emplace_back([&, i] {
        start.arrive_and_wait();
        results[i] = OpenDevice(L"ETC1:");
      });
    }
    for (auto& thread : threads) thread.join();
    int winners = 0;
    for (HANDLE result : results) {
      if (result == INVALID_HANDLE_VALUE) continue;
      ++winners;
      CloseHandle(result);
    }
    ASSERT_EQ(winners, 1) << "round " << round;
  }
  EXPECT_EQ(etc->opens(), 20);
  EXPECT_EQ(etc->closes(), 20);
}

}  // namespace
