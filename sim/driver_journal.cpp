#include "sim/driver_journal.h"

#include <cerrno>
#include <fstream>
#include <string>
#include <system_error>

namespace sim {

DriverJournal::DriverJournal(const std::filesystem::path& file)
    // "e": the journal is not handed down to the programs the console launches.
    : file_(std::fopen(file.c_str(), "we")) {
  if (!file_) {
    throw std::system_error(errno, std::generic_category(),
                            "cannot create the driver journal " + file.string());
  }
}

void DriverJournal::RecordRequest(std::string_view device, const JournaledRequest& request,
                                  nlohmann::ordered_json state) {
  nlohmann::ordered_json entry;
  entry["device"] = device;
  entry["event"] = "request";
  entry["code"] = request.code;
  entry["input"] = request.input ? nlohmann::ordered_json(*request.input) : nullptr;
  entry["input_size"] = request.input_size;
  entry["output_size"] = request.output_size;
  entry["result"] = request.error == ERROR_SUCCESS;
  if (request.error != ERROR_SUCCESS) entry["error"] = request.error;
  entry["state"] = std::move(state);
  WriteLine(entry);
}

void DriverJournal::RecordRefusedOpen(std::string_view device, std::string_view reason) {
  nlohmann::ordered_json entry;
  entry["device"] = device;
  entry["event"] = "open refused";
  entry["reason"] = reason;
  WriteLine(entry);
}

void DriverJournal::WriteLine(const nlohmann::ordered_json& entry) {
  const std::string line = entry.dump() + '\n';
  std::lock_guard lock(mutex_);
  const bool written = std::fputs(line.c_str(), file_.get()) >= 0 && std::fflush(file_.get()) == 0;
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
