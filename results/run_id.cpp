#include "results/run_id.h"

#include <openssl/sha.h>

#include <algorithm>
#include <random>

namespace results {

namespace {

constexpr char kHex[] = "0123456789abcdef";

std::string Hex(const unsigned char* bytes, std::size_t size) {
  std::string text;
  for (std::size_t at = 0; at < size; ++at) {
    text += kHex[bytes[at] >> 4];
    text += kHex[bytes[at] & 0xf];
  }
  return text;
}

}  // namespace

std::string NewRunId() {
  // The system's entropy (getrandom), not a seeded generator's sequence.
  std::random_device entropy;
  unsigned char bytes[16];
  for (auto& byte : bytes) byte = static_cast<unsigned char>(entropy());
  return Hex(bytes, sizeof bytes);
}

std::string DerivedRunId(std::string_view record_bytes) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(record_bytes.data()), record_bytes.size(), digest);
  return "sha256:" + Hex(digest, sizeof digest);
}

bool IsRunId(std::string_view id) {
  return id.size() == 32 && std::all_of(id.begin(), id.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

}  // namespace results
