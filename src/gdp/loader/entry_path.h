// gdp/loader/entry_path.h: what the loader derives from an archive entry's path:
// its file name and the key it is kept under in `files`. Paths are raw bytes from
// the archive and need not be UTF-8. Every function here takes time and memory
// linear in the length of the path, whatever its shape.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zt::gdp::loader {

// file_name: the last component of the path, where empty and "." segments are no
// components; nullopt when the path has no components or ends in "/" alone or "..".
std::optional<std::string_view> file_name(std::string_view path);

// path_key: the components as UTF-8 text (invalid sequences become U+FFFD) joined
// by "/"; a leading "/" is a component of its own, so "/a" has the key "//a" and
// "./a//b/./c" the key "a/b/c". ".." is kept as it is.
std::string path_key(std::string_view path);

bool is_valid_utf8(std::string_view bytes);

}  // namespace zt::gdp::loader
