// records/parse.h: decoding of receipt and transcript JSON documents into records.
// Pure functions of their input text; safe to call from any thread.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "json/decode_error.h"
#include "records/records.h"

namespace zt::records {

[[nodiscard]] std::expected<BetReceipt, json::DecodeError> parse_bet_receipt(std::string_view text);
[[nodiscard]] std::expected<SettlementTranscript, json::DecodeError> parse_settlement_transcript(
    std::string_view text);

// front_ends: each decoder alone, for the tests that hold them equal and for the
// C interface's common case. The fast one returns nothing for a document it hands
// over to the precise one; a document it takes is valid UTF-8.
namespace front_ends {
[[nodiscard]] std::expected<BetReceipt, json::DecodeError> precise_bet_receipt(
    std::string_view text);
[[nodiscard]] std::expected<SettlementTranscript, json::DecodeError> precise_settlement_transcript(
    std::string_view text);
[[nodiscard]] std::optional<BetReceipt> fast_bet_receipt(std::string_view text);
[[nodiscard]] std::optional<SettlementTranscript> fast_settlement_transcript(std::string_view text);
}  // namespace front_ends

// decode_hex: the hex rule of record fields, writing the bytes into |out|. An even
// number of digits of either case; fails with "hex string must have even length"
// (tested first) or "invalid hex string", leaving |out| unspecified. The decoder
// attaches the position.
[[nodiscard]] std::expected<void, std::string> decode_hex(std::string_view text, Bytes& out);

}  // namespace zt::records
