// A phase's slice of the session record as a table: each line's number, what it was, the port
// and direction of a serial block, and its bytes in hex beside them as text (a byte that is not
// printable ASCII as "."). Lines other than blocks show their fields as the record wrote them.
// The slice is read from the record's files between the phase's marks; a file the record has
// removed since is said to be gone, plainly, and a slice too long for a page is cut with a note.
#pragma once

#include <filesystem>
#include <string>

#include "results/stored_run.h"

namespace report {

// The lines shown of one phase at most.
inline constexpr std::size_t kMostSliceLines = 400;

// `records`: the folder the marks' files are named in.
std::string RecordSliceHtml(const std::filesystem::path& records,
                            const results::StoredPhase& phase);

}  // namespace report
