// Feeds every file named on the command line, and every file below every
// folder named there, to a fuzz target, in name order. Linked with a target in
// the normal build, it replays the committed corpus as a plain test, under
// the sanitizers too, without clang or libFuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

bool CollectInputs(const fs::path& path, std::vector<fs::path>& inputs) {
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) {
    inputs.push_back(path);
    return true;
  }
  if (!fs::is_directory(path, ec)) return false;
  for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_regular_file(ec)) inputs.push_back(it->path());
  }
  return !ec;
}

bool ReadFile(const fs::path& path, std::vector<uint8_t>& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  for (int k = 1; k < argc; ++k) {
    if (!CollectInputs(argv[k], inputs)) {
      std::fprintf(stderr, "replay: cannot read %s\n", argv[k]);
      return 1;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "replay: no inputs (usage: %s FILE-OR-FOLDER...)\n", argv[0]);
    return 1;
  }
  std::sort(inputs.begin(), inputs.end());
  std::vector<uint8_t> bytes;
  for (const fs::path& input : inputs) {
    if (!ReadFile(input, bytes)) {
      std::fprintf(stderr, "replay: cannot read %s\n", input.string().c_str());
      return 1;
    }
    // Named before the run, so that a crash shows which input caused it.
    std::fprintf(stderr, "replay: %s\n", input.string().c_str());
    const uint8_t none = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
  }
  std::fprintf(stderr, "replay: %zu inputs passed\n", inputs.size());
  return 0;
}
