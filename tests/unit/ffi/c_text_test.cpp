// The C interface's UTF-8 check must accept exactly what the decoder's own check
// accepts: compared on every one- and two-byte string and on the sequences around
// each boundary of the encoding, alone and inside longer ASCII runs (the validator
// takes long inputs in blocks, so a sequence is also placed across block edges).
#include "ffi/c_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "json/utf8.h"

namespace {

void expect_same_verdict(const std::string& bytes) {
  ASSERT_EQ(zt::ffi::is_valid_utf8(bytes), zt::json::is_valid_utf8(bytes))
      << "bytes (hex): " << [&] {
           std::string hex;
           for (const unsigned char c : bytes)
             hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
           return hex;
         }();
}

TEST(CText, Utf8CheckAgreesWithTheDecoderOnShortStrings) {
  for (int a = 0; a < 256; ++a) {
    expect_same_verdict(std::string(1, static_cast<char>(a)));
    for (int b = 0; b < 256; ++b) {
      expect_same_verdict(std::string{static_cast<char>(a), static_cast<char>(b)});
    }
  }
}

TEST(CText, Utf8CheckAgreesWithTheDecoderAroundEveryBoundary) {
  // Bytes where the rules change: ASCII, continuation edges, leads of each length
  // and the leads whose second byte is narrowed (E0, ED, F0, F4), and invalid leads.
  const std::vector<unsigned char> edges = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                            0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                            0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  const std::vector<std::size_t> offsets = {0, 13, 31, 62, 63, 64, 65, 127};
  for (const unsigned char a : edges) {
    for (const unsigned char b : edges) {
      for (const unsigned char c : edges) {
        for (const unsigned char d : {0x41, 0x80, 0xBF, 0xC0}) {
          const std::string sequence{static_cast<char>(a), static_cast<char>(b),
                                     static_cast<char>(c), static_cast<char>(d)};
          expect_same_verdict(sequence);
          for (const std::size_t offset : offsets) {
            expect_same_verdict(std::string(offset, 'x') + sequence + std::string(70, 'y'));
          }
        }
      }
    }
  }
}

TEST(CText, TextFromCStringRefusesNullAndBadBytesWithTheirMessages) {
  EXPECT_EQ(zt::ffi::text_from_c_string(nullptr).error(), std::string("null pointer received"));
  EXPECT_EQ(zt::ffi::text_from_c_string("ok \xC3\xA9").value(), "ok \xC3\xA9");
  const std::string long_text = std::string(100, 'a') + "\xED\xA0\x80";  // a surrogate
  EXPECT_EQ(zt::ffi::text_from_c_string(long_text.c_str()).error(),
            std::string("input bytes are not valid UTF-8"));
}

}  // namespace
