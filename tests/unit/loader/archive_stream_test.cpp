// archive_stream_test.cpp: gzip detection, reading across the decoder's buffer,
// the archive size limit, and decoder errors reported after the good bytes.
#include "gdp/loader/archive_stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

namespace zt::gdp::loader {
namespace {

using Buffer = std::vector<std::uint8_t>;

Buffer gzip(const Buffer& data) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Buffer out(deflateBound(&stream, data.size()));
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

// A pattern that compresses poorly enough to need many decoder buffers.
Buffer pattern(std::size_t size) {
  Buffer data(size);
  std::uint32_t x = 12345;
  for (auto& b : data) {
    x = x * 1103515245 + 12345;
    b = static_cast<std::uint8_t>(x >> 24);
  }
  return data;
}

// read_all: reads in pieces of |piece| bytes until the end or an error.
std::expected<Buffer, std::string> read_all(ArchiveStream& stream, std::size_t piece) {
  Buffer out;
  for (;;) {
    Buffer part(piece);
    auto got = stream.read(part);
    if (!got) return std::unexpected(got.error());
    out.insert(out.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(*got));
    if (*got < piece) return out;
  }
}

TEST(ArchiveStream, PlainAndGzipGiveTheSameBytes) {
  const Buffer data = pattern(5 * kInflateBufferBytes + 77);
  for (const Buffer& input : {data, gzip(data)}) {
    ArchiveStream stream(input, 1 << 30);
    auto bytes = read_all(stream, 513);
    ASSERT_TRUE(bytes) << bytes.error();
    EXPECT_EQ(*bytes, data);
    Buffer more(1);
    EXPECT_EQ(stream.read(more), 0u);
  }
}

TEST(ArchiveStream, OneByteOf1FIsNotGzip) {
  const Buffer input{0x1F};
  ArchiveStream stream(input, 100);
  EXPECT_EQ(read_all(stream, 512), input);
}

TEST(ArchiveStream, SkipCountsWhatWasThere) {
  const Buffer data = pattern(3 * kInflateBufferBytes);
  const Buffer compressed = gzip(data);  // the stream only borrows its input
  ArchiveStream stream(compressed, 1 << 30);
  EXPECT_EQ(stream.skip(kInflateBufferBytes + 1), kInflateBufferBytes + 1);
  Buffer one(1);
  ASSERT_EQ(stream.read(one), 1u);
  EXPECT_EQ(one[0], data[kInflateBufferBytes + 1]);
  EXPECT_EQ(stream.skip(1ull << 40), data.size() - kInflateBufferBytes - 2);
}

TEST(ArchiveStream, LimitAllowsExactlyMaxBytes) {
  constexpr std::uint64_t kMiB = 1024 * 1024;
  const Buffer exact = pattern(kMiB);
  Buffer over = exact;
  over.push_back(0);
  const struct {
    Buffer input;
    std::string error;  // empty: the whole input reads
  } cases[] = {
      {exact, ""},
      {gzip(exact), ""},
      {over, "archive exceeds 1 MiB"},
      {gzip(over), "decompressed archive exceeds 1 MiB"},
  };
  for (const auto& c : cases) {
    ArchiveStream stream(c.input, kMiB);
    auto bytes = read_all(stream, 4096);
    if (c.error.empty()) {
      ASSERT_TRUE(bytes) << bytes.error();
      EXPECT_EQ(*bytes, exact);
    } else {
      ASSERT_FALSE(bytes);
      EXPECT_EQ(bytes.error(), c.error);
      ArchiveStream skipping(c.input, kMiB);
      auto skipped = skipping.skip(kMiB + 1);
      ASSERT_FALSE(skipped);
      EXPECT_EQ(skipped.error(), c.error);
    }
  }
}

TEST(ArchiveStream, GzipErrorsComeAfterTheBytesDecodedBeforeThem) {
  const Buffer data = pattern(1000);
  const Buffer whole = gzip(data);
  Buffer cut_trailer(whole.begin(), whole.end() - 4);
  Buffer bad_crc = whole;
  bad_crc[bad_crc.size() - 8] ^= 1;
  const std::pair<Buffer, std::string> cases[] = {
      {cut_trailer, "unexpected end of gzip stream"},
      {bad_crc, "gzip checksum mismatch"},
  };
  for (const auto& [input, error] : cases) {
    ArchiveStream stream(input, 1 << 30);
    Buffer head(data.size());
    ASSERT_EQ(stream.read(head), data.size());
    EXPECT_EQ(head, data);
    Buffer more(1);
    auto got = stream.read(more);
    ASSERT_FALSE(got);
    EXPECT_EQ(got.error(), error);
  }
}

TEST(ArchiveStream, GzipHeaderAndDeflateErrors) {
  const Buffer whole = gzip(pattern(100));
  Buffer bad_method = whole;
  bad_method[2] = 7;
  Buffer reserved_flags = whole;
  reserved_flags[3] = 0xE0;
  Buffer bad_block = whole;
  bad_block[10] = 0x07;  // a final block of the reserved type 3
  const std::pair<Buffer, std::string> cases[] = {
      {Buffer{0x1F, 0x8B}, "invalid gzip header"},
      {Buffer(whole.begin(), whole.begin() + 9), "invalid gzip header"},
      {bad_method, "invalid gzip header"},
      {reserved_flags, "invalid gzip header"},
      {bad_block, "corrupt deflate stream"},
      {Buffer(whole.begin(), whole.begin() + 10), "unexpected end of gzip stream"},
  };
  for (const auto& [input, error] : cases) {
    ArchiveStream stream(input, 1 << 30);
    auto bytes = read_all(stream, 512);
    ASSERT_FALSE(bytes);
    EXPECT_EQ(bytes.error(), error);
  }
}

}  // namespace
}  // namespace zt::gdp::loader
