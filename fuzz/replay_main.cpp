// fuzz/replay_main.cpp: a main() for fuzz targets built without libFuzzer. It runs
// the target once over every file named on the command line, or found directly in
// a directory named there, so ordinary builds check the saved corpus. A target
// that finds a fault aborts; a run that found no input at all fails as well.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> inputs_of(const fs::path& argument) {
  std::error_code error;
  if (!fs::is_directory(argument, error)) return {argument};
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(argument, error)) {
    if (entry.is_regular_file(error)) files.push_back(entry.path());
  }
  if (error) std::fprintf(stderr, "replay: cannot list %s\n", argument.c_str());
  std::sort(files.begin(), files.end());
  return files;
}

bool replay(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  if (!stream) {
    std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
    return false;
  }
  std::vector<char> bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.data(), input.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t replayed = 0;
  bool all_read = true;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& file : inputs_of(argv[i])) {
      if (replay(file)) {
        ++replayed;
      } else {
        all_read = false;
      }
    }
  }
  std::printf("replayed %zu inputs\n", replayed);
  return all_read && replayed > 0 ? 0 : 1;
}
