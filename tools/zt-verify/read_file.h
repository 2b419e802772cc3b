// zt-verify/read_file.h: reading a whole input file (or standard input for "-").
#pragma once

#include <expected>
#include <string>

namespace zt::cli {

// read_file: the file's bytes, or "cannot read <path>: <reason>".
[[nodiscard]] std::expected<std::string, std::string> read_file(const std::string& path);

}  // namespace zt::cli
