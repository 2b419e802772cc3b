// gdp/loader/tar_reader.h: a tar reader over 512-byte blocks for package archives:
// ustar, GNU and PAX headers, checksums verified, GNU long-name and PAX records
// applied to the entry that follows them. It reads every archive one way or refuses
// it: at most one long name, one long link and one PAX header (of at most 1 MiB
// each) before an entry and never none after them, strict PAX records, a PAX size
// equal to the header's, no entry named by both a PAX path and a long name, and
// strictly octal size and checksum fields. It reports every entry with its raw type
// flag and leaves the choice of what to read to the caller.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <string>

#include "gdp/loader/archive_stream.h"
#include "gdp/loader/gdp_package.h"

namespace zt::gdp::loader {

inline constexpr std::size_t kTarBlockBytes = 512;

struct TarHeader {
  char type_flag = '0';
  std::string path;  // raw bytes: prefix/name, or the preceding PAX path or long name
  std::uint64_t size = 0;
};

class TarReader {
 public:
  explicit TarReader(ArchiveStream& stream) : stream_(stream) {}

  // next_entry: skips what is left of the previous entry, then returns the next
  // header that is not an extension record (GNU long name or long link, PAX
  // extended header); nullopt at the end of the archive (an all-zero header block,
  // or the data ending on a block boundary). The error is the refusal's text.
  [[nodiscard]] std::expected<std::optional<TarHeader>, std::string> next_entry();

  // read_contents: the data of the entry last returned. Memory grows with the bytes
  // actually read, never with the size a header claims.
  [[nodiscard]] std::expected<Bytes, std::string> read_contents();

 private:
  std::expected<void, std::string> skip_rest();

  ArchiveStream& stream_;
  std::uint64_t unread_ = 0;   // data bytes of the current entry not yet read
  std::uint64_t padding_ = 0;  // zero bytes up to the next block boundary
};

}  // namespace zt::gdp::loader
