// hex.cpp: the hex rule of byte fields. A bet carries about 1,400 hex digits, so
// on x86-64 they are decoded sixteen at a time with SSE2 (part of every x86-64
// CPU); the few digits left over, and other CPUs, take a table per digit. Either
// way every digit is looked at and a bad one is reported after the loop, so the
// result is the same whatever the path.
#include <array>
#include <cstddef>
#include <cstdint>

#include "records/parse.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zt::records {
namespace {

// Value of each byte as a hex digit, or -1.
constexpr std::array<signed char, 256> kHexDigits = [] {
  std::array<signed char, 256> digits{};
  digits.fill(-1);
  for (int c = '0'; c <= '9'; ++c)
    digits[static_cast<std::size_t>(c)] = static_cast<signed char>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c)
    digits[static_cast<std::size_t>(c)] = static_cast<signed char>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c)
    digits[static_cast<std::size_t>(c)] = static_cast<signed char>(c - 'A' + 10);
  return digits;
}();

// decode_digits: |count| bytes from the 2 * |count| digits at |in|; false when
// any of them is not a hex digit (|out| then holds garbage).
bool decode_digits(const char* in, std::uint8_t* out, std::size_t count) {
  std::size_t done = 0;
  bool valid = true;
#if defined(__SSE2__)
  const __m128i zero_char = _mm_set1_epi8('0');
  const __m128i nine = _mm_set1_epi8(9);
  const __m128i lower_case_bit = _mm_set1_epi8(0x20);
  const __m128i a_char = _mm_set1_epi8('a');
  const __m128i five = _mm_set1_epi8(5);
  const __m128i ten = _mm_set1_epi8(10);
  const __m128i low_byte = _mm_set1_epi16(0x00ff);
  int all_valid = 0xffff;
  for (; done + 8 <= count; done += 8) {
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * done));
    // '0'..'9' become 0..9; a byte is a decimal digit when that value, read as
    // unsigned, is at most 9 (its minimum with 9 is itself).
    const __m128i decimal = _mm_sub_epi8(chars, zero_char);
    const __m128i is_decimal = _mm_cmpeq_epi8(_mm_min_epu8(decimal, nine), decimal);
    // 'a'..'f' and 'A'..'F' become 0..5 once lower-cased.
    const __m128i letter = _mm_sub_epi8(_mm_or_si128(chars, lower_case_bit), a_char);
    const __m128i is_letter = _mm_cmpeq_epi8(_mm_min_epu8(letter, five), letter);
    const __m128i values = _mm_or_si128(_mm_and_si128(is_decimal, decimal),
                                        _mm_and_si128(is_letter, _mm_add_epi8(letter, ten)));
    all_valid &= _mm_movemask_epi8(_mm_or_si128(is_decimal, is_letter));
    // Each 16-bit lane holds a byte's high digit in its low half and its low digit
    // in its high half.
    const __m128i bytes =
        _mm_and_si128(_mm_or_si128(_mm_slli_epi16(values, 4), _mm_srli_epi16(values, 8)), low_byte);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + done), _mm_packus_epi16(bytes, bytes));
  }
  valid = all_valid == 0xffff;
#endif
  int misses = 0;
  for (; done < count; ++done) {
    const int high = kHexDigits[static_cast<unsigned char>(in[2 * done])];
    const int low = kHexDigits[static_cast<unsigned char>(in[2 * done + 1])];
    misses |= high | low;  // a non-digit's -1 makes it negative
    out[done] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return valid && misses >= 0;
}

}  // namespace

std::expected<void, std::string> decode_hex(std::string_view text, Bytes& out) {
  // Parity is judged on bytes, before any digit is looked at.
  if (text.size() % 2 != 0) return std::unexpected(std::string("hex string must have even length"));
  const std::size_t count = text.size() / 2;
  if (!decode_digits(text.data(), out.assign_uninitialized(count), count)) {
    return std::unexpected(std::string("invalid hex string"));
  }
  return {};
}

}  // namespace zt::records
