// A plan pattern for tests: compiled, or the test fails saying why.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "plan/pattern.h"

namespace testing_support {

inline std::shared_ptr<const plan::Pattern> Compiled(std::string_view text) {
  std::string error;
  std::shared_ptr<const plan::Pattern> pattern = plan::Pattern::Compile(text, error);
  EXPECT_NE(pattern, nullptr) << text << ": " << error;
  return pattern;
}

}  // namespace testing_support
