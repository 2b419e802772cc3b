// gdp/loader/entry_path.h: what the loader derives from an archive entry's path:
// its components, file name, role name and the key it is kept under in `files`.
// Paths are raw bytes from the archive and need not be UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zt::gdp::loader {

// path_components: a leading "/" is the component "/"; empty and "." segments are
// dropped; ".." is kept as it is.
std::vector<std::string_view> path_components(std::string_view path);

// file_name: the last component, or nullopt when the path has no components or
// ends in "/" alone or "..".
std::optional<std::string_view> file_name(std::string_view path);

// role_name: the file name with ASCII letters lower-cased; other characters,
// non-ASCII letters included, are kept as they are.
std::string role_name(std::string_view file_name);

// path_key: the components as UTF-8 text (invalid sequences become U+FFFD) joined
// by "/", so "/a" has the key "//a" and "./a//b/./c" the key "a/b/c".
std::string path_key(std::string_view path);

bool is_valid_utf8(std::string_view bytes);

}  // namespace zt::gdp::loader
