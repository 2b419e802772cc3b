// tar_reader.cpp: header decoding (checksum, numeric fields, ustar prefix) and the
// extension records (GNU long name and long link, PAX extended header), each of
// which describes the entry after it. Anything that two careful tar readers could
// read as different sets of files is refused.
#include "gdp/loader/tar_reader.h"

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

#include "gdp/loader/pax_records.h"

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

// Type flags of the extension records, which describe the entry after them.
constexpr char kLongName = 'L';   // GNU long name
constexpr char kLongLink = 'K';   // GNU long link name
constexpr char kPaxHeader = 'x';  // PAX extended header

// Extension records hold a name or a few key-value records; a package never needs
// more, and nothing larger is read.
constexpr std::uint64_t kMaxExtensionBytes = 1024 * 1024;

std::string_view field(const Block& block, std::size_t at, std::size_t len) {
  return {reinterpret_cast<const char*>(block.data()) + at, len};
}

// c_string: a field up to its first NUL, or all of it.
std::string_view c_string(std::string_view f) { return f.substr(0, f.find('\0')); }

// parse_octal: optional leading spaces, at least one octal digit, then only NULs
// or spaces to the end of the field. Anything else, an empty or blank field and
// the GNU base-256 form included, is no number. The widest field read, 12 bytes,
// holds at most 36 bits, so the value always fits.
std::optional<std::uint64_t> parse_octal(std::string_view f) {
  std::size_t i = 0;
  while (i < f.size() && f[i] == ' ') ++i;
  const std::size_t first_digit = i;
  std::uint64_t value = 0;
  for (; i < f.size() && f[i] >= '0' && f[i] <= '7'; ++i) {
    value = value << 3 | static_cast<std::uint64_t>(f[i] - '0');
  }
  if (i == first_digit) return std::nullopt;
  for (; i < f.size(); ++i) {
    if (f[i] != '\0' && f[i] != ' ') return std::nullopt;
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

// Extensions: the extension records met since the last entry, all of which
// describe the next entry.
struct Extensions {
  std::optional<std::string> long_name;
  bool long_link = false;  // only links use it; its presence is all that counts
  std::optional<PaxRecords> pax;

  bool any() const { return long_name || long_link || pax; }
};

std::unexpected<std::string> fail(std::string_view message) {
  return std::unexpected(std::string(message));
}

// repeated_extension: the refusal of a second record of |type| for one entry.
std::optional<std::string_view> repeated_extension(const Extensions& pending, char type) {
  if (type == kLongName && pending.long_name) return "more than one gnu long name for one entry";
  if (type == kLongLink && pending.long_link) return "more than one gnu long link for one entry";
  if (type == kPaxHeader && pending.pax) return "more than one pax extended header for one entry";
  return std::nullopt;
}

std::expected<void, std::string> add_extension(Extensions& pending, char type, const Bytes& data) {
  if (type == kLongName) {
    // A long name ends at its first NUL byte.
    pending.long_name =
        std::string(c_string({reinterpret_cast<const char*>(data.data()), data.size()}));
  } else if (type == kLongLink) {
    pending.long_link = true;
  } else {
    auto records = parse_pax_records(data);
    if (!records) return std::unexpected(records.error());
    pending.pax = std::move(*records);
  }
  return {};
}

// entry_header: the entry that |block| describes, with the extension records
// before it applied.
std::expected<TarHeader, std::string> entry_header(Extensions& pending, const Block& block,
                                                   std::uint64_t size) {
  const bool pax_path = pending.pax && pending.pax->path;
  if (pax_path && pending.long_name) {
    return fail("archive entry has both a pax path and a gnu long name");
  }
  if (pending.pax) {
    for (std::uint64_t pax_size : pending.pax->sizes) {
      if (pax_size != size) return fail("pax size record does not match the header size");
    }
  }
  TarHeader header;
  header.type_flag = static_cast<char>(block[kTypeAt]);
  header.size = size;
  if (pax_path && !pending.pax->path->empty()) {
    header.path = std::move(*pending.pax->path);
  } else if (pending.long_name) {
    header.path = std::move(*pending.long_name);
  } else {
    header.path = header_path(block);
  }
  return header;
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
  Extensions pending;
  for (;;) {
    if (auto skipped = skip_rest(); !skipped) return std::unexpected(skipped.error());
    Block block;
    auto got = stream_.read(block);
    if (!got) return std::unexpected(got.error());
    if (*got == 0 || (*got == block.size() && is_zero_block(block))) {
      // The end of the archive; records that describe an entry need that entry.
      if (pending.any()) return fail("archive ends after an extension header");
      return std::nullopt;
    }
    if (*got < block.size()) return fail("failed to read entire block");
    if (!checksum_matches(block)) return fail("archive header checksum mismatch");
    auto size = parse_octal(field(block, kSizeAt, kSizeLen));
    if (!size) return fail("invalid size field in archive header");
    unread_ = *size;
    padding_ = (kTarBlockBytes - *size % kTarBlockBytes) % kTarBlockBytes;

    const char type = static_cast<char>(block[kTypeAt]);
    if (type != kLongName && type != kLongLink && type != kPaxHeader) {
      auto header = entry_header(pending, block, *size);
      if (!header) return std::unexpected(header.error());
      return std::move(*header);
    }
    if (auto repeated = repeated_extension(pending, type)) return fail(*repeated);
    if (*size > kMaxExtensionBytes) return fail("archive extension header exceeds 1 MiB");
    auto data = read_contents();
    if (!data) return std::unexpected(data.error());
    if (auto added = add_extension(pending, type, *data); !added) {
      return std::unexpected(added.error());
    }
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
