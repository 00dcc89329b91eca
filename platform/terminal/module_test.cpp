#include "platform/terminal/module.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ModuleTest, TheFileNameIsThisExecutablesPathCutToTheBuffer) {
  WCHAR path[4096] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, 4096);
  ASSERT_GT(length, 0u);
  EXPECT_TRUE(std::wstring(path, length).ends_with(L"/platform_device_tests"));

  WCHAR cut[5] = {L'x', L'x', L'x', L'x', L'x'};
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetModuleFileNameW(nullptr, cut, 5), 5u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(std::wstring(cut), std::wstring(path, 4));

  EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(1), path, 4096), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
