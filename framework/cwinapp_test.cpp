#include "framework/cwinapp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CWinAppTest, TheTitleIsTheExecutablesNameUnlessOneIsGiven) {
  {
    CWinApp unnamed;
    EXPECT_EQ(std::wstring(unnamed.m_pszAppName), L"framework_tests");
    EXPECT_EQ(std::wstring(AfxGetAppName()), L"framework_tests");
  }
  CWinApp named(L"quorvane");
  EXPECT_EQ(std::wstring(AfxGetAppName()), L"quorvane");
}

}  // namespace
