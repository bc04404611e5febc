// Feeds every file named on the command line, and every file below every
// folder named there, to a fuzz target, in name order; then, with --mutate=N,
// N seeded variants of them (bytes replaced, inserted or dropped). Linked with a
// target in the normal build, it replays the committed corpus and a fixed
// sample around it as a plain test, under the sanitizers too, without clang or libFuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
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

// One to four edits, drawn mostly from the characters numbers and keys are made of.
std::vector<uint8_t> Mutate(std::vector<uint8_t> bytes, std::mt19937& random) {
  static constexpr std::string_view kAlphabet = "0123456789.eE+-xXpPaAfFinINtyT( )#=\t\r\n/";
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int k = 0; k < edits; ++k) {
    const size_t at = bytes.empty() ? 0 : random() % (bytes.size() + 1);
    const uint8_t byte = random() % 4 == 0 ? static_cast<uint8_t>(random())
                                           : static_cast<uint8_t>(kAlphabet[random() % kAlphabet.size()]);
    switch (random() % 3) {
      case 0:
        if (at < bytes.size()) {
          bytes[at] = byte;
          break;
        }
        [[fallthrough]];
      case 1:
        bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at), byte);
        break;
      default:
        if (at < bytes.size()) bytes.erase(bytes.begin() + static_cast<ptrdiff_t>(at));
    }
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> inputs;
  long mutants = 0;
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg.rfind("--mutate=", 0) == 0) {
      mutants = std::stol(arg.substr(9));
      continue;
    }
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
  std::vector<std::vector<uint8_t>> corpus(inputs.size());
  const uint8_t none = 0;
  for (size_t k = 0; k < inputs.size(); ++k) {
    if (!ReadFile(inputs[k], corpus[k])) {
      std::fprintf(stderr, "replay: cannot read %s\n", inputs[k].string().c_str());
      return 1;
    }
    // Named before the run, so that a crash shows which input caused it.
    std::fprintf(stderr, "replay: %s\n", inputs[k].string().c_str());
    LLVMFuzzerTestOneInput(corpus[k].empty() ? &none : corpus[k].data(), corpus[k].size());
  }
  std::mt19937 random(1);
  for (long k = 0; k < mutants; ++k) {
    const size_t from = random() % corpus.size();
    const std::vector<uint8_t> bytes = Mutate(corpus[from], random);
    LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
  }
  std::fprintf(stderr, "replay: %zu inputs and %ld variants passed\n", inputs.size(), mutants);
  return 0;
}
