// Replays fuzz targets' corpora as ordinary tests, in builds without libFuzzer (gcc, the
// sanitizer presets): every file under the folders named on the command line goes once through
// the target's entry point, as libFuzzer would hand it over. An input that once crashed a target
// and was kept in its corpus thus fails the test suite if the fault comes back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Set-up that a target does once, before its first input, when it has any.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(argv[i], error)) {
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    if (error) {
      std::fprintf(stderr, "corpus replay: cannot read %s: %s\n", argv[i], error.message().c_str());
      return 2;
    }
  }
  // An empty corpus means a wrong folder, not a passing target.
  if (inputs.empty()) {
    std::fprintf(stderr, "corpus replay: no inputs; usage: %s CORPUS_FOLDER...\n", argv[0]);
    return 2;
  }
  std::sort(inputs.begin(), inputs.end());
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  for (const fs::path& input : inputs) {
    // Named before it runs, so that a crash report says which input it was.
    std::fprintf(stderr, "Running: %s\n", input.c_str());
    const std::string bytes = Contents(input);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("corpus replay: %zu inputs, no crash\n", inputs.size());
  return 0;
}
