// tar_reader.cpp: header decoding (checksum, numeric fields, ustar prefix) and the
// GNU long-name and PAX extended records.
#include "gdp/loader/tar_reader.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace zt::gdp::loader {
namespace {

using Block = std::array<std::uint8_t, kTarBlockBytes>;

constexpr std::size_t kReadStep = 64 * 1024;

// Header field offsets and widths.
constexpr std::size_t kNameAt = 0, kNameLen = 100;
constexpr std::size_t kSizeAt = 124, kSizeLen = 12;
constexpr std::size_t kChecksumAt = 148, kChecksumLen = 8;
constexpr std::size_t kTypeAt = 156;
constexpr std::size_t kMagicAt = 257;
constexpr std::size_t kPrefixAt = 345, kPrefixLen = 155;

constexpr std::string_view kEndOfData = "archive ends inside an entry's data";

std::string_view field(const Block& block, std::size_t at, std::size_t len) {
  return {reinterpret_cast<const char*>(block.data()) + at, len};
}

// c_string: a field up to its first NUL, or all of it.
std::string_view c_string(std::string_view f) { return f.substr(0, f.find('\0')); }

// parse_octal: optional leading spaces, octal digits, then only NULs or spaces.
// A field with no digits is zero.
std::optional<std::uint64_t> parse_octal(std::string_view f) {
  std::size_t i = 0;
  while (i < f.size() && f[i] == ' ') ++i;
  std::uint64_t value = 0;
  for (; i < f.size() && f[i] >= '0' && f[i] <= '7'; ++i) {
    if (value > (UINT64_MAX >> 3)) return std::nullopt;
    value = value << 3 | static_cast<std::uint64_t>(f[i] - '0');
  }
  for (; i < f.size(); ++i) {
    if (f[i] != '\0' && f[i] != ' ') return std::nullopt;
  }
  return value;
}

// parse_size: octal, or GNU base-256 (first byte 0x80, big-endian value after it).
std::optional<std::uint64_t> parse_size(std::string_view f) {
  const auto first = static_cast<unsigned char>(f[0]);
  if ((first & 0x80) == 0) return parse_octal(f);
  if (first != 0x80) return std::nullopt;  // negative, or bits set beside the marker
  std::uint64_t value = 0;
  for (std::size_t i = 1; i < f.size(); ++i) {
    if (value > (UINT64_MAX >> 8)) return std::nullopt;
    value = value << 8 | static_cast<unsigned char>(f[i]);
  }
  return value;
}

bool is_zero_block(const Block& block) {
  return std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0; });
}

// checksum_matches: the stored value equals the unsigned sum of the header bytes,
// the checksum field counted as eight spaces.
bool checksum_matches(const Block& block) {
  auto stored = parse_octal(field(block, kChecksumAt, kChecksumLen));
  if (!stored) return false;
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < block.size(); ++i) {
    const bool in_field = i >= kChecksumAt && i < kChecksumAt + kChecksumLen;
    sum += in_field ? std::uint64_t{' '} : block[i];
  }
  return sum == *stored;
}

std::string header_path(const Block& block) {
  std::string name(c_string(field(block, kNameAt, kNameLen)));
  // Only POSIX ustar headers carry a prefix; GNU headers use that area otherwise.
  if (field(block, kMagicAt, 6) != std::string_view("ustar\0", 6)) return name;
  std::string_view prefix = c_string(field(block, kPrefixAt, kPrefixLen));
  if (prefix.empty()) return name;
  return std::string(prefix) + "/" + name;
}

// pax_path: the value of the last "path" record of a PAX extended header, if any.
// Records are "<length> <key>=<value>\n", the length counting the whole record.
std::expected<std::optional<std::string>, std::string> pax_path(const Bytes& data) {
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  const std::string malformed = "malformed pax extended header";
  std::optional<std::string> path;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t space = text.find(' ', pos);
    if (space == std::string_view::npos || space == pos) return std::unexpected(malformed);
    std::size_t length = 0;
    for (std::size_t i = pos; i < space; ++i) {
      if (text[i] < '0' || text[i] > '9' || length > text.size()) {
        return std::unexpected(malformed);
      }
      length = length * 10 + static_cast<std::size_t>(text[i] - '0');
    }
    if (length < space - pos + 3 || length > text.size() - pos) return std::unexpected(malformed);
    const std::string_view record = text.substr(space + 1, pos + length - space - 1);
    if (!record.ends_with('\n')) return std::unexpected(malformed);
    const std::size_t equals = record.find('=');
    if (equals == std::string_view::npos) return std::unexpected(malformed);
    if (record.substr(0, equals) == "path") {
      std::string_view value = record.substr(equals + 1, record.size() - equals - 2);
      // An empty value withdraws the override, leaving the header's own name.
      path = value.empty() ? std::nullopt : std::optional<std::string>(value);
    }
    pos += length;
  }
  return path;
}

}  // namespace

std::expected<void, std::string> TarReader::skip_rest() {
  const std::uint64_t count = unread_ + padding_;
  unread_ = padding_ = 0;
  auto skipped = stream_.skip(count);
  if (!skipped) return std::unexpected(skipped.error());
  if (*skipped < count) return std::unexpected(std::string(kEndOfData));
  return {};
}

std::expected<std::optional<TarHeader>, std::string> TarReader::next_entry() {
  std::optional<std::string> long_name;
  std::optional<std::string> pax_name;
  for (;;) {
    if (auto skipped = skip_rest(); !skipped) return std::unexpected(skipped.error());
    Block block;
    auto got = stream_.read(block);
    if (!got) return std::unexpected(got.error());
    if (*got == 0) return std::nullopt;
    if (*got < block.size()) return std::unexpected(std::string("failed to read entire block"));
    if (is_zero_block(block)) return std::nullopt;
    if (!checksum_matches(block)) {
      return std::unexpected(std::string("archive header checksum mismatch"));
    }
    auto size = parse_size(field(block, kSizeAt, kSizeLen));
    if (!size) return std::unexpected(std::string("invalid size field in archive header"));
    unread_ = *size;
    padding_ = (kTarBlockBytes - *size % kTarBlockBytes) % kTarBlockBytes;

    const char type = static_cast<char>(block[kTypeAt]);
    if (type == 'L') {  // GNU long name of the next entry
      auto data = read_contents();
      if (!data) return std::unexpected(data.error());
      long_name =
          std::string(c_string({reinterpret_cast<const char*>(data->data()), data->size()}));
      continue;
    }
    if (type == 'x') {  // PAX extended header of the next entry
      auto data = read_contents();
      if (!data) return std::unexpected(data.error());
      auto path = pax_path(*data);
      if (!path) return std::unexpected(path.error());
      if (*path) pax_name = std::move(*path);
      continue;
    }
    if (type == 'K') continue;  // GNU long link name: only links use it

    TarHeader header;
    header.type_flag = type;
    header.size = *size;
    header.path = pax_name    ? std::move(*pax_name)
                  : long_name ? std::move(*long_name)
                              : header_path(block);
    return header;
  }
}

std::expected<Bytes, std::string> TarReader::read_contents() {
  Bytes data;
  while (unread_ > 0) {
    const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(unread_, kReadStep));
    const std::size_t old_size = data.size();
    data.resize(old_size + step);
    auto got = stream_.read(std::span(data).subspan(old_size));
    if (!got) return std::unexpected(got.error());
    if (*got < step) return std::unexpected(std::string(kEndOfData));
    unread_ -= step;
  }
  return data;
}

}  // namespace zt::gdp::loader
