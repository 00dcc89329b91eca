#include "sim/driver_journal.h"

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/linux/file_calls.h"

namespace sim {

namespace {

// The journal's file in the sandbox, after a new one is started.
platform::posix::UniqueFd StartJournal(const Sandbox& sandbox) {
  sandbox.SetFileAside(kJournalName, kPreviousJournalName);
  return sandbox.OpenFileForAppend(kJournalName);
}

std::string_view PointerWord(bool given) { return given ? "given" : "null"; }

}  // namespace

DriverJournal::DriverJournal(const Sandbox& sandbox) : file_(StartJournal(sandbox)) {}

void DriverJournal::RecordRequest(std::string_view device, const JournaledRequest& request,
                                  nlohmann::ordered_json state) {
  nlohmann::ordered_json entry;
  entry["device"] = device;
  entry["event"] = "request";
  entry["code"] = request.code;
  entry["input"] = request.input ? nlohmann::ordered_json(*request.input) : nullptr;
  entry["input_pointer"] = PointerWord(request.input_given);
  entry["input_size"] = request.input_size;
  entry["output_pointer"] = PointerWord(request.output_given);
  entry["output_size"] = request.output_size;
  entry["result"] = request.error == ERROR_SUCCESS;
  if (request.error != ERROR_SUCCESS) entry["error"] = request.error;
  if (!request.reason.empty()) entry["reason"] = request.reason;
  entry["state"] = std::move(state);
  if (!request.report.is_null()) entry["report"] = request.report;
  WriteLine(entry);
}

void DriverJournal::RecordRefusedOpen(std::string_view device, std::string_view reason) {
  nlohmann::ordered_json entry;
  entry["device"] = device;
  entry["event"] = "open refused";
  entry["reason"] = reason;
  WriteLine(entry);
}

void DriverJournal::RecordReport(std::string_view device, nlohmann::ordered_json report) {
  nlohmann::ordered_json entry;
  entry["device"] = device;
  entry["event"] = "report";
  entry["report"] = std::move(report);
  WriteLine(entry);
}

void DriverJournal::WriteLine(const nlohmann::ordered_json& entry) {
  const std::string line = entry.dump() + '\n';
  std::lock_guard lock(mutex_);
  const bool written = platform::posix::WriteAll(file_.get(), line.data(), line.size()).ok();
  // A full disk must not pass unnoticed, but one complaint is enough.
  if (!written && !write_failed_) {
    write_failed_ = true;
    std::fputs("quorvane: the driver journal could not be written; later requests are missing\n",
               stderr);
  }
}

std::vector<nlohmann::json> ReadJournal(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<nlohmann::json> entries;
  for (std::string line; std::getline(in, line);) entries.push_back(nlohmann::json::parse(line));
  return entries;
}

}  // namespace sim
