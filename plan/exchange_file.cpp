#include "plan/exchange_file.h"

#include <nlohmann/json.hpp>

#include "plan/run_report.h"

namespace plan {

std::string ExchangeLine(const instrument::Exchange& exchange) {
  const nlohmann::json line = {
      {"role", exchange.role},
      {"sent", exchange.sent},
      {"answer", exchange.answer ? nlohmann::json(*exchange.answer) : nlohmann::json()},
      {"error", exchange.error.empty() ? nlohmann::json() : nlohmann::json(exchange.error)},
      {"wall", WallTimeText(exchange.wall)},
      {"monotonic_ms", exchange.monotonic_ms}};
  // An instrument's bytes need not be UTF-8; they are written with U+FFFD in their place.
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

void ExchangeFile::Add(const instrument::Exchange& exchange) {
  if (!fault_.empty()) return;
  if (!out_.is_open()) {
    std::error_code exists;
    if (std::filesystem::exists(std::filesystem::symlink_status(file_, exists))) {
      fault_ = file_.string() + ": is there already";
      return;
    }
    out_.open(file_, std::ios::out | std::ios::binary);
  }
  out_ << ExchangeLine(exchange) << std::flush;
  if (!out_) fault_ = file_.string() + ": cannot be written";
}

}  // namespace plan
