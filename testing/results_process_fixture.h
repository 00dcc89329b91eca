// What the process tests of quorvane-results share: a scratch folder, a run of the shipped plan
// that reads the EAS channels on a simulated terminal (its records in out()), and
// quorvane-results run with what it printed kept. The test executables that include it define
// where the programs and the plans are (QUORVANE_PLAN_BINARY, QUORVANE_PLANS_DIR,
// QUORVANE_BINARY, QUORVANE_RESULTS_BINARY).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/child_process.h"
#include "testing/temp_dir.h"

namespace testing_support {

class ResultsProcessTest : public ::testing::Test {
 protected:
  // Runs the plan on `unit` with `more` arguments; its status, with its errors in errors_.
  int RunPlan(const std::string& unit, const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {QUORVANE_PLAN_BINARY,
                                     std::string(QUORVANE_PLANS_DIR) + "/eas-channels.toml",
                                     "--unit",
                                     unit,
                                     "--simulate",
                                     "--console",
                                     QUORVANE_BINARY,
                                     "--out",
                                     out().string()};
    args.insert(args.end(), more.begin(), more.end());
    ChildProcess run(args, Scratch("plan"));
    const int status = run.Wait(std::chrono::seconds(240)).value_or(-1);
    errors_ = run.Errors();
    return status;
  }

  // `quorvane-results ARGS...`; its status, with what it printed in output_ and errors_.
  int Results(std::vector<std::string> args) {
    args.insert(args.begin(), QUORVANE_RESULTS_BINARY);
    ChildProcess results(args, Scratch("results"));
    const int status = results.Wait(std::chrono::seconds(60)).value_or(-1);
    output_ = results.Output();
    errors_ = results.Errors();
    return status;
  }

  std::filesystem::path Scratch(const std::string& name) const {
    std::filesystem::create_directories(temp_.path() / name);
    return temp_.path() / name;
  }
  std::filesystem::path out() const { return temp_.path() / "records"; }
  std::filesystem::path store() const { return out() / "results.sqlite"; }

  TempDir temp_;
  std::string output_, errors_;
};

}  // namespace testing_support
