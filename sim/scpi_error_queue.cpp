#include "sim/scpi_error_queue.h"

#include <string_view>

namespace sim {

namespace {

std::string_view Text(ScpiError error) {
  switch (error) {
    case ScpiError::kSyntax:
      return "Syntax error";
    case ScpiError::kParameterNotAllowed:
      return "Parameter not allowed";
    case ScpiError::kMissingParameter:
      return "Missing parameter";
    case ScpiError::kUndefinedHeader:
      return "Undefined header";
    case ScpiError::kDataOutOfRange:
      return "Data out of range";
    case ScpiError::kIllegalParameterValue:
      return "Illegal parameter value";
    case ScpiError::kQueueOverflow:
      return "Queue overflow";
    case ScpiError::kInputBufferOverrun:
      return "Input buffer overrun";
    case ScpiError::kQueryUnterminated:
      return "Query UNTERMINATED";
  }
  return "Unknown error";
}

}  // namespace

void ScpiErrorQueue::Push(ScpiError error) {
  if (queue_.size() < kScpiErrorQueueLength) {
    queue_.push_back(error);
  } else {
    queue_.back() = ScpiError::kQueueOverflow;
  }
}

std::string ScpiErrorQueue::Pop() {
  if (queue_.empty()) return "0,\"No error\"";
  const ScpiError error = queue_.front();
  queue_.pop_front();
  return std::to_string(static_cast<int>(error)) + ",\"" + std::string(Text(error)) + "\"";
}

}  // namespace sim
