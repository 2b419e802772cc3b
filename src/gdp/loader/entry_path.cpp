// entry_path.cpp: path components, file and role names, path keys, UTF-8 checks.
#include "gdp/loader/entry_path.h"

#include <cstddef>

namespace zt::gdp::loader {
namespace {

// utf8_sequence_length: the length of the well-formed UTF-8 sequence at |pos|, or 0
// when none starts there. |maximal| receives how many bytes form the longest
// prefix of a well-formed sequence (at least 1), which is what one U+FFFD replaces.
std::size_t utf8_sequence_length(std::string_view s, std::size_t pos, std::size_t& maximal) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(pos);
  maximal = 1;
  if (lead < 0x80) return 1;
  std::size_t need = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;  // the range of the first continuation byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (std::size_t k = 1; k <= need; ++k) {
    if (pos + k >= s.size()) return 0;
    const unsigned char c = byte(pos + k);
    const unsigned char lo = k == 1 ? low : 0x80;
    const unsigned char hi = k == 1 ? high : 0xBF;
    if (c < lo || c > hi) return 0;
    maximal = k + 1;
  }
  return need + 1;
}

std::string utf8_lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t maximal = 1;
    if (std::size_t n = utf8_sequence_length(bytes, pos, maximal); n != 0) {
      out.append(bytes.substr(pos, n));
      pos += n;
    } else {
      out += "\xEF\xBF\xBD";
      pos += maximal;
    }
  }
  return out;
}

}  // namespace

std::vector<std::string_view> path_components(std::string_view path) {
  std::vector<std::string_view> components;
  if (path.starts_with('/')) components.push_back(path.substr(0, 1));
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view segment = path.substr(start, end - start);
    if (!segment.empty() && segment != ".") components.push_back(segment);
    start = end + 1;
  }
  return components;
}

std::optional<std::string_view> file_name(std::string_view path) {
  auto components = path_components(path);
  if (components.empty()) return std::nullopt;
  std::string_view last = components.back();
  if (last == "/" || last == "..") return std::nullopt;
  return last;
}

std::string role_name(std::string_view file_name) {
  std::string out(file_name);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string path_key(std::string_view path) {
  std::string key;
  bool first = true;
  for (std::string_view component : path_components(path)) {
    if (!first) key += '/';
    key += utf8_lossy(component);
    first = false;
  }
  return key;
}

bool is_valid_utf8(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t maximal = 1;
    std::size_t n = utf8_sequence_length(bytes, pos, maximal);
    if (n == 0) return false;
    pos += n;
  }
  return true;
}

}  // namespace zt::gdp::loader
