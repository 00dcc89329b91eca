#include "testing/run_records.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "testing/child_process.h"

namespace testing_support {

std::string FileText(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

nlohmann::json CheckedRecord(const std::filesystem::path& json,
                             const std::filesystem::path& plans_folder,
                             const std::filesystem::path& scratch) {
  ChildProcess check(
      {"/usr/bin/python3", (plans_folder / "check_records.py").string(), json.string(),
       std::filesystem::path(json).replace_extension(".xml").string()},
      scratch);
  EXPECT_EQ(check.Wait(std::chrono::seconds(60)), 0) << check.Output() << check.Errors();
  return nlohmann::json::parse(FileText(json));
}

}  // namespace testing_support
