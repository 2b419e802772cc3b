// robustness_test.cpp: damaged and hostile packages end in an error, never in a
// crash or a different accepted package: every truncation, random bit flips, a
// gzip bomb, huge JSON role files, headers that claim huge sizes and huge long
// names and PAX paths, the last four under a memory limit.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <functional>
#include <random>

#include "capped_child.h"
#include "gdp/loader/entry_path.h"
#include "gdp/loader/package_loader.h"
#include "package_fixtures.h"

namespace zt::gdp::loader {
namespace {

using testing::package_named;

constexpr const char* kRobustFixtures[] = {"plinko-classic", "plinko-classic-tar", "slot-3x5"};

// same_package: what a damaged copy may load to without an error.
void expect_same_package(const GdpPackage& got, const GdpPackage& original) {
  EXPECT_EQ(got.metadata.id, original.metadata.id);
  EXPECT_EQ(got.files.at("gdp.json"), original.files.at("gdp.json"));
  EXPECT_EQ(got.files.at("gdp.sig"), original.files.at("gdp.sig"));
}

// first_end_block: the offset of the first all-zero 512-byte block of a plain tar.
std::size_t first_end_block(const Bytes& tar) {
  for (std::size_t at = 0; at + 512 <= tar.size(); at += 512) {
    if (std::all_of(tar.begin() + static_cast<std::ptrdiff_t>(at),
                    tar.begin() + static_cast<std::ptrdiff_t>(at + 512),
                    [](std::uint8_t b) { return b == 0; })) {
      return at;
    }
  }
  return tar.size();
}

TEST(DamagedPackages, EveryTruncationFailsOrLoadsTheSamePackage) {
  for (const char* name : kRobustFixtures) {
    SCOPED_TRACE(name);
    const Bytes bytes = package_named(name);
    auto original = load_package(bytes);
    ASSERT_TRUE(original) << original.error().message();
    const bool gzip = bytes[0] == 0x1F;
    const std::size_t end_block = gzip ? 0 : first_end_block(bytes);
    // Past the end marker a plain tar only holds zero padding, which is never read.
    const std::size_t last = gzip ? bytes.size() : std::min(bytes.size(), end_block + 1024);
    for (std::size_t length = 1; length < last; ++length) {
      auto cut = load_package(std::span(bytes).first(length));
      // A plain tar cut before its end block and off a block boundary is broken.
      if (!gzip && length < end_block && length % 512 != 0) {
        EXPECT_FALSE(cut) << "loaded at length " << length;
      }
      if (cut) expect_same_package(*cut, *original);
    }
  }
}

TEST(DamagedPackages, RandomBitFlipsFailOrLoadTheSamePackage) {
  std::mt19937 random(20240611);
  for (const char* name : kRobustFixtures) {
    SCOPED_TRACE(name);
    const Bytes bytes = package_named(name);
    auto original = load_package(bytes);
    ASSERT_TRUE(original) << original.error().message();
    int failures = 0;
    for (int round = 0; round < 1500; ++round) {
      Bytes damaged = bytes;
      const std::size_t at = random() % damaged.size();
      damaged[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
      auto result = load_package(damaged);
      if (result) {
        expect_same_package(*result, *original);
      } else {
        ++failures;
      }
    }
    EXPECT_GT(failures, 0);
  }
}

// tar_header: a ustar header for a regular file with the given raw size field.
Bytes tar_header(std::string_view name, const std::array<char, 12>& size_field) {
  Bytes block(512, 0);
  std::memcpy(block.data(), name.data(), name.size());
  std::memcpy(block.data() + 100, "0000644", 8);
  std::memcpy(block.data() + 124, size_field.data(), size_field.size());
  block[156] = '0';
  std::memcpy(block.data() + 257,
              "ustar\0"
              "00",
              8);
  std::memset(block.data() + 148, ' ', 8);
  unsigned sum = 0;
  for (std::uint8_t b : block) sum += b;
  std::snprintf(reinterpret_cast<char*>(block.data() + 148), 8, "%06o", sum);
  return block;
}

std::array<char, 12> octal_size(std::uint64_t size) {
  std::array<char, 12> field{};
  std::snprintf(field.data(), field.size(), "%011llo", static_cast<unsigned long long>(size));
  return field;
}

std::array<char, 12> base256_size(std::uint64_t size) {
  std::array<char, 12> field{};
  field[0] = static_cast<char>(0x80);
  for (int i = 0; i < 8; ++i) field[11 - i] = static_cast<char>(size >> (8 * i));
  return field;
}

constexpr std::size_t kMiB = 1024 * 1024;

// Piece: bytes that occur |repeat| times in a row in a gzip member's content.
struct Piece {
  Bytes bytes;
  std::uint64_t repeat = 1;
};

// gzip_repeated: a gzip member of the pieces in order, built without compressing
// the whole content: each piece is compressed once, ending in a full flush, after
// which the compressor starts afresh, so a repetition is the same deflate data
// again. The trailer is then fixed up to the whole content.
Bytes gzip_repeated(const std::vector<Piece>& pieces) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes scratch(4 * kMiB);
  auto compress = [&](const Bytes& in, int flush) {
    stream.next_in = const_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = scratch.data();
    stream.avail_out = static_cast<uInt>(scratch.size());
    deflate(&stream, flush);
    return Bytes(scratch.begin(), scratch.end() - stream.avail_out);
  };
  Bytes out;
  uLong crc = crc32(0, nullptr, 0);
  std::uint64_t total = 0;
  for (const Piece& piece : pieces) {
    const Bytes once = compress(piece.bytes, Z_FULL_FLUSH);
    if (piece.repeat > 1) {
      EXPECT_EQ(compress(piece.bytes, Z_FULL_FLUSH), once);
    }
    const uLong piece_crc = crc32(0, piece.bytes.data(), static_cast<uInt>(piece.bytes.size()));
    for (std::uint64_t i = 0; i < piece.repeat; ++i) {
      out.insert(out.end(), once.begin(), once.end());
      crc = crc32_combine(crc, piece_crc, static_cast<z_off_t>(piece.bytes.size()));
    }
    total += piece.bytes.size() * piece.repeat;
  }
  Bytes tail = compress({}, Z_FINISH);
  deflateEnd(&stream);
  for (int i = 0; i < 4; ++i) {
    tail[tail.size() - 8 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    tail[tail.size() - 4 + i] = static_cast<std::uint8_t>(total >> (8 * i));
  }
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

// expect_in_memory_limited_child: |load| in a child process whose address space is
// capped at 1 GiB, so an allocation that follows a hostile size ends the child, not
// the test run.
void expect_in_memory_limited_child(const std::function<bool()>& load) {
  zt::test::expect_in_child(std::size_t{1} << 30, 0, load);
}

bool fails_with(const Bytes& package, std::string_view message) {
  auto result = load_package(package);
  if (result) return false;
  if (result.error().message() != message) {
    std::fprintf(stderr, "got: %s\n", result.error().message().c_str());
    return false;
  }
  return true;
}

TEST(HostilePackages, GzipBombIsRefusedWithinAFixedMemoryBudget) {
  constexpr std::uint64_t kZeroMiB = 6 * 1024;  // 6 GiB of content in a few MB
  const Bytes bomb = gzip_repeated(
      {{tar_header("bomb.bin", octal_size(kZeroMiB * kMiB))}, {Bytes(kMiB, 0), kZeroMiB}});
  EXPECT_LT(bomb.size(), 8 * kMiB);
  expect_in_memory_limited_child(
      [&] { return fails_with(bomb, "archive io error: decompressed archive exceeds 256 MiB"); });
}

TEST(HostilePackages, HugeJsonRoleFilesAreNotParsed) {
  // A list of 64 Mi zeros: a value tree of gigabytes from well under a megabyte.
  constexpr std::uint64_t kListMiB = 128;
  Bytes zeros;
  for (std::size_t i = 0; i < kMiB / 2; ++i) zeros.insert(zeros.end(), {'0', ','});
  const Bytes open{'['};
  const Bytes close{'0', ']'};
  const std::uint64_t size = open.size() + kListMiB * kMiB + close.size();
  const Bytes padding((512 - size % 512) % 512 + 1024, 0);
  for (const auto& [name, message] :
       {std::pair{"test_vectors.json", "failed to parse test vectors: document exceeds 8 MiB"},
        std::pair{"gdp.json", "failed to parse metadata: document exceeds 8 MiB"}}) {
    SCOPED_TRACE(name);
    const Bytes package = gzip_repeated(
        {{tar_header(name, octal_size(size))}, {open}, {zeros, kListMiB}, {close}, {padding}});
    EXPECT_LT(package.size(), kMiB);
    expect_in_memory_limited_child([&] { return fails_with(package, message); });
  }
}

TEST(HostilePackages, ClaimedSizesAreNeverTrustedForAllocation) {
  // The largest octal size is read and runs out of data; base-256 is no size at all.
  const std::pair<std::array<char, 12>, std::string_view> claims[] = {
      {octal_size(077777777777ull), "archive io error: archive ends inside an entry's data"},
      {base256_size(std::uint64_t{1} << 62),
       "archive io error: invalid size field in archive header"},
  };
  for (const auto& [claim, message] : claims) {
    Bytes plain = tar_header("gdp.json", claim);
    plain.insert(plain.end(), 10, '{');
    expect_in_memory_limited_child([&] { return fails_with(plain, message); });
  }
}

// a_path: "a/a/.../a/" of |bytes| bytes, the shape that costs the most per byte
// when every component becomes a string of its own.
Bytes a_path(std::uint64_t bytes) {
  Bytes path(bytes);
  for (std::uint64_t i = 0; i < bytes; ++i) path[i] = i % 2 == 0 ? 'a' : '/';
  return path;
}

// extension_then_entry: an extension record of |type| whose data is |data| repeated |repeat|
// times, then a gdp.json entry for it to name, then the end of the archive.
std::vector<Piece> extension_then_entry(char type, Bytes data, std::uint64_t repeat, Bytes tail) {
  const std::uint64_t size = data.size() * repeat + tail.size();
  std::array<char, 12> size_field = octal_size(size);
  Bytes header = tar_header(type == 'x' ? "PaxHeaders/gdp.json" : "././@LongLink", size_field);
  header[156] = static_cast<std::uint8_t>(type);
  // The checksum covers the type flag: write it again.
  std::memset(header.data() + 148, ' ', 8);
  unsigned sum = 0;
  for (std::uint8_t b : header) sum += b;
  std::snprintf(reinterpret_cast<char*>(header.data() + 148), 8, "%06o", sum);
  const std::string_view meta = R"({"id":"long","version":"1"})";
  Bytes entry = tar_header("gdp.json", octal_size(meta.size()));
  entry.insert(entry.end(), meta.begin(), meta.end());
  entry.resize(entry.size() + (512 - meta.size() % 512) % 512 + 1024, 0);
  Bytes padded_tail = std::move(tail);
  padded_tail.resize(padded_tail.size() + (512 - size % 512) % 512, 0);
  return {{header}, {std::move(data), repeat}, {padded_tail}, {entry}};
}

TEST(HostilePackages, HugeLongNamesAndPaxPathsAreRefusedUnread) {
  // 200 MiB of "a/a/..." as a GNU long name and as a PAX path: refused by size,
  // before a byte of it is read, in a fraction of the memory it would take.
  constexpr std::uint64_t kPathMiB = 200;
  const Bytes name_tail{'g', 'd', 'p', '.', 'j', 's', 'o', 'n', 0};
  // The PAX record's length: nine digits, " path=", the path, "gdp.json\n".
  const std::string pax_lead = std::to_string(9 + 6 + kPathMiB * kMiB + 9) + " path=";
  for (const char type : {'L', 'x'}) {
    SCOPED_TRACE(type);
    Bytes lead;
    Bytes tail(name_tail.begin(), name_tail.end() - 1);
    if (type == 'x') {
      lead.assign(pax_lead.begin(), pax_lead.end());
      tail.push_back('\n');
    } else {
      tail.push_back(0);
    }
    std::vector<Piece> pieces = extension_then_entry(type, a_path(kMiB), kPathMiB, tail);
    if (!lead.empty()) pieces.insert(pieces.begin() + 1, Piece{lead});
    const Bytes package = gzip_repeated(pieces);
    EXPECT_LT(package.size(), kMiB);
    expect_in_memory_limited_child([&] {
      return fails_with(package, "archive io error: archive extension header exceeds 1 MiB");
    });
  }
}

TEST(HostilePackages, PathKeysOfHugePathsTakeLinearTimeAndMemory) {
  // 200 MiB of "a/a/...": 100 Mi components. Paths from archives are capped far
  // lower, but the key and file name are computed in one pass whatever the size.
  // Without the memory cap (under the sanitizers) a smaller path keeps the run short.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  constexpr std::uint64_t kPathBytes = 16 * kMiB;
#else
  constexpr std::uint64_t kPathBytes = 200 * kMiB;
#endif
  expect_in_memory_limited_child([] {
    const Bytes bytes = a_path(kPathBytes);
    const std::string_view path(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::string key = path_key(path);
    return key.size() == path.size() - 1 && key.starts_with("a/a/") && key.ends_with("/a") &&
           file_name(path) == "a";
  });
}

}  // namespace
}  // namespace zt::gdp::loader
