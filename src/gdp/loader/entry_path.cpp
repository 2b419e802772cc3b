// entry_path.cpp: file names, path keys and UTF-8 checks, each in one pass over the path.
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

// append_utf8_lossy: appends |bytes| to |out|, each maximal invalid part replaced
// by one U+FFFD. Valid runs are appended whole.
void append_utf8_lossy(std::string_view bytes, std::string& out) {
  std::size_t run = 0;  // bytes from |run| to |pos| are valid and not yet appended
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t maximal = 1;
    if (std::size_t n = utf8_sequence_length(bytes, pos, maximal); n != 0) {
      pos += n;
      continue;
    }
    out.append(bytes.substr(run, pos - run));
    out += "\xEF\xBF\xBD";
    pos += maximal;
    run = pos;
  }
  out.append(bytes.substr(run));
}

bool is_component(std::string_view segment) { return !segment.empty() && segment != "."; }

}  // namespace

std::optional<std::string_view> file_name(std::string_view path) {
  // Walk the segments backwards: the first component met is the last one.
  std::size_t end = path.size();
  while (end > 0) {
    const std::size_t slash = path.rfind('/', end - 1);
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view segment = path.substr(start, end - start);
    if (is_component(segment)) {
      if (segment == "..") return std::nullopt;
      return segment;
    }
    if (slash == std::string_view::npos) break;
    end = slash;
  }
  return std::nullopt;  // no segment counts: empty, "/" alone, or only "." parts
}

std::string path_key(std::string_view path) {
  std::string key;
  key.reserve(path.size() + 1);
  if (path.starts_with('/')) key += '/';
  bool first = key.empty();
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view segment = path.substr(start, end - start);
    if (is_component(segment)) {
      if (!first) key += '/';
      append_utf8_lossy(segment, key);
      first = false;
    }
    start = end + 1;
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
