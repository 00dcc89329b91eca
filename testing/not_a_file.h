// For tests: what a card, a script or another program may leave where a file is expected. Each
// holds an open that does not look first: a FIFO waits for its far end, a device does what its
// driver does on opening, a socket or a link that leads nowhere is no file at all.
#pragma once

#include <array>
#include <filesystem>
#include <string>

namespace testing_support {

enum class NotAFile { kFifo, kSocket, kDanglingLink, kCharacterDevice };

// The device last: it is the one a machine may not allow, and a test skips only what is left.
inline constexpr std::array<NotAFile, 4> kEveryNotAFile{
    NotAFile::kFifo, NotAFile::kSocket, NotAFile::kDanglingLink, NotAFile::kCharacterDevice};

std::string NameOf(NotAFile what);

// Puts one at `path`, which must not exist yet. Empty when done; otherwise why this machine does
// not allow it (a device needs the right to make device nodes), for the test's skip message.
std::string Plant(NotAFile what, const std::filesystem::path& path);

}  // namespace testing_support
