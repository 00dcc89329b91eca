#include "platform/linux/stored_attributes.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <string>

#include "platform/linux/file_calls.h"

namespace platform::posix {

DWORD StoredAttributes(const char* host_path) {
  std::string text;
  if (!ReadExtendedAttribute(host_path, kAttributesName, &text).ok()) return 0;
  if (text.size() < 3 || text.compare(0, 2, "0x") != 0) return 0;
  DWORD value = 0;
  const auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
  if (error != std::errc{} || end != text.data() + text.size()) return 0;
  return value & kStoredAttributes;
}

CallResult StoreAttributes(const char* host_path, DWORD attributes) {
  const DWORD stored = attributes & kStoredAttributes;
  if (stored == 0) {
    const CallResult removed = RemoveExtendedAttribute(host_path, kAttributesName);
    // Nothing to remove is as good as removed.
    return removed.error == ENODATA || removed.error == ENOTSUP ? CallResult{} : removed;
  }
  char text[16] = "0x";
  const char* end = std::to_chars(text + 2, text + sizeof text, stored, 16).ptr;
  return WriteExtendedAttribute(host_path, kAttributesName,
                                std::string_view(text, static_cast<std::size_t>(end - text)));
}

DWORD TerminalAttributes(const char* host_path, mode_t mode) {
  DWORD attributes = StoredAttributes(host_path);
  if (S_ISDIR(mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if ((mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

}  // namespace platform::posix
