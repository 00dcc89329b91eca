// What the tests of the plan tools read back: a file's whole text, and a run's JSON record once
// plans/check_records.py has checked it and its JUnit twin against the shipped schemas and their
// names against what they hold.
#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

namespace testing_support {

std::string FileText(const std::filesystem::path& file);

// The record at `json` (STEM.json beside STEM.xml); a failed check fails the calling test.
// `scratch` takes the checker's outputs.
nlohmann::json CheckedRecord(const std::filesystem::path& json,
                             const std::filesystem::path& plans_folder,
                             const std::filesystem::path& scratch);

}  // namespace testing_support
