// Arbitrary bytes as a session record: a file copied from a terminal in the field, cut short by a
// console that was killed, or edited by hand, handed to the replay. It is read from a real file
// (on tmpfs where there is one) by the same reader the replay uses, with a short line limit so
// that the refusal of overlong lines is reached too.
//
// Beyond "no crash": every line is taken or noted at its place; a block that is taken keeps to
// its size limit and, written again by the record's own writer, reads back as the same block.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <variant>

#include "fuzz/fuzz_check.h"
#include "record/line_format.h"
#include "record/record_reader.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLineLimit = 256;

const fs::path& RecordFolder() {
  static const fs::path* folder = [] {
    const fs::path base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
    auto* made = new fs::path(base / ("quorvane-record-fuzz-" + std::to_string(::getpid())));
    fs::create_directories(*made);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(RecordFolder(), ignored);
    });
    return made;
  }();
  return *folder;
}

void CheckRewritten(const record::BlockInRecord& taken, std::uint64_t sequence) {
  const record::Event event{
      {std::chrono::system_clock::now(), std::chrono::steady_clock::time_point(taken.monotonic)},
      record::SerialBlock{taken.block.port, taken.block.direction, taken.block.bytes}};
  std::string written;
  record::FormatLine(written, sequence, event);
  const auto again = record::ParseRecordLine(written);
  const auto* line = std::get_if<record::RecordedLine>(&again);
  fuzz::Check(line != nullptr && line->block && line->block->bytes == taken.block.bytes &&
                  line->block->port == taken.block.port &&
                  line->block->direction == taken.block.direction &&
                  line->monotonic == taken.monotonic,
              "a block that is taken reads back the same once written again");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const fs::path file = RecordFolder() / "session-fuzz.log";
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(text.data(), static_cast<std::streamsize>(text.size()));

  const record::RunRecord run = record::ReadRunRecord(file, kLineLimit);
  const auto lines = static_cast<std::uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  for (const record::RecordNote& note : run.notes) {
    fuzz::Check(note.where.file == file && note.where.line >= 1 && note.where.line <= lines,
                "a note names a line of the file");
  }
  for (const record::BlockInRecord& block : run.blocks) {
    fuzz::Check(block.block.bytes.size() <= record::kMostBlockBytes,
                "a block that is taken keeps to the size limit");
    fuzz::Check(block.where.line >= 1 && block.where.line <= lines,
                "a block comes from a line of the file");
    CheckRewritten(block, block.where.line);
  }
  return 0;
}
