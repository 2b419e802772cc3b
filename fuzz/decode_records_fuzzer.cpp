// fuzz/decode_records_fuzzer.cpp: receipt and transcript decoding. The input is a
// receipt text, a NUL byte and a transcript text. Besides never crashing, every
// decode error must name a position inside its text, and appending whitespace to a
// document must not change whether it decodes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_checks.h"
#include "records/parse.h"

namespace {

template <typename Parse>
void check_document(std::string_view text, Parse parse) {
  auto decoded = parse(text);
  if (!decoded) zt::fuzz::require_position_inside(text, decoded.error());
  std::string padded = std::string(text) + " \n\t\r";
  auto padded_decoded = parse(padded);
  zt::fuzz::require(decoded.has_value() == padded_decoded.has_value(),
                    "trailing whitespace changed whether a record decodes");
  if (!padded_decoded) zt::fuzz::require_position_inside(padded, padded_decoded.error());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto [receipt, transcript] = zt::fuzz::split_at_nul(zt::fuzz::as_text(data, size));
  check_document(receipt,
                 [](std::string_view text) { return zt::records::parse_bet_receipt(text); });
  check_document(transcript, [](std::string_view text) {
    return zt::records::parse_settlement_transcript(text);
  });
  return 0;
}
