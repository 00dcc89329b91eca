// The request journal of the simulated terminal: one JSON object a line in drivers.jsonl for every
// request a simulated driver receives and for every open a driver refuses, written as it happens
// so that tests and people can follow what the console asked of its devices. Lines look like
//   {"device":"ETC1:","event":"request","code":2536,"input":null,"input_pointer":"null",
//    "input_size":1,"output_pointer":"null","output_size":1,"result":true,"state":{...}}
//   {"device":"MTR1:","event":"open refused","reason":"absent"}
//   {"device":"MTR1:","event":"report","report":{"message":1654,...}}
// "input" is the 4-byte little-endian value when the driver was given a buffer of at least four
// bytes, else null; "input_pointer" and "output_pointer" say whether a buffer came at all
// ("given") or the pointer was null ("null"), so that a null buffer with size 1 stands apart
// from a real 1-byte one; the sizes are exactly what the driver received. "state" is the
// driver's state after the request. A refused request also carries "error", the code it failed
// with, and a driver's refusal may say why in "reason"; a request that set something off beyond
// the driver (the meter's message to the console) says what in "report". A report that no
// request set off (a real board's meter inputs changed) is a line of its own.
//
// Each run starts a new drivers.jsonl; the previous run's journal is kept as
// drivers.previous.jsonl, since after a console was killed it may be all that tells what the
// console last asked.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/linux/posix_calls.h"
#include "platform/terminal/win_types.h"
#include "sim/sandbox.h"

namespace sim {

struct JournaledRequest {
  DWORD code = 0;
  std::optional<DWORD> input;
  bool input_given = false;  // a buffer came, rather than a null pointer
  DWORD input_size = 0;
  bool output_given = false;
  DWORD output_size = 0;
  DWORD error = ERROR_SUCCESS;  // ERROR_SUCCESS: the driver carried the request out
  std::string reason;           // why a refused request was refused, when the driver says
  nlohmann::ordered_json report = nullptr;
};

class DriverJournal {
 public:
  // Sets the previous journal aside and starts this run's. Throws SandboxError naming the file
  // when either cannot be done.
  explicit DriverJournal(const Sandbox& sandbox);

  // Safe from any thread; each line is complete on disk when the call returns.
  void RecordRequest(std::string_view device, const JournaledRequest& request,
                     nlohmann::ordered_json state);
  void RecordRefusedOpen(std::string_view device, std::string_view reason);
  void RecordReport(std::string_view device, nlohmann::ordered_json report);

 private:
  void WriteLine(const nlohmann::ordered_json& entry);

  std::mutex mutex_;
  platform::posix::UniqueFd file_;
  bool write_failed_ = false;
};

// Every entry of a journal file, in order; for tests and tools that follow the console.
std::vector<nlohmann::json> ReadJournal(const std::filesystem::path& file);

}  // namespace sim
