#include "platform/ports/sandbox_location.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace platform {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnvironment() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SandboxLocationTest, DefaultFolderFollowsXdgStateHomeElseHome) {
  {
    const ScopedEnvironment state("XDG_STATE_HOME", "/somewhere/state");
    EXPECT_EQ(DefaultSandboxFolder(), fs::path("/somewhere/state/quorvane/sim"));
  }
  const ScopedEnvironment home("HOME", "/home/tester");
  for (const char* unusable : {static_cast<const char*>(nullptr), "", "relative/state"}) {
    const ScopedEnvironment state("XDG_STATE_HOME", unusable);
    EXPECT_EQ(DefaultSandboxFolder(), fs::path("/home/tester/.local/state/quorvane/sim"));
  }
}

}  // namespace
}  // namespace platform
