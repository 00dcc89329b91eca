#include "results/query_database.h"

#include <charconv>

namespace results {

std::string RealText(double number) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, number).ptr;
  std::string shortest(text, static_cast<std::size_t>(end - text));
  // Digits alone (with a sign): a whole number, which would read back as an integer.
  if (shortest.find_first_not_of("-0123456789") == std::string::npos) shortest += ".0";
  return shortest;
}

}  // namespace results
