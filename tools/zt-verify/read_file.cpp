// zt-verify/read_file.cpp: whole-file reads through stdio, so pipes and process
// substitutions work as well as regular files.
#include "read_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace zt::cli {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::unexpected<std::string> cannot_read(const std::string& path, int error) {
  return std::unexpected("cannot read " + path + ": " + std::strerror(error));
}

}  // namespace

std::expected<std::string, std::string> read_file(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> owned;
  std::FILE* file = stdin;
  if (path != "-") {
    owned.reset(std::fopen(path.c_str(), "rb"));
    if (!owned) return cannot_read(path, errno);
    file = owned.get();
  }
  std::string bytes;
  char buffer[1 << 16];
  while (true) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
    bytes.append(buffer, got);
    if (got < sizeof buffer) break;
  }
  if (std::ferror(file)) return cannot_read(path, errno);
  return bytes;
}

}  // namespace zt::cli
