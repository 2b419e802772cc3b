// zt-verify/bet_documents.cpp: the decode-then-verify path shared by bet and batch.
#include "bet_documents.h"

#include "records/parse.h"
#include "verifier/verify_bet.h"

namespace zt::cli {

std::expected<DecodedBet, DocumentError> decode_bet(std::string_view receipt_json,
                                                    std::string_view transcript_json) {
  auto receipt = records::parse_bet_receipt(receipt_json);
  if (!receipt) {
    return std::unexpected(DocumentError{DecodeStage::receipt,
                                         "failed to parse receipt: " + receipt.error().message()});
  }
  auto transcript = records::parse_settlement_transcript(transcript_json);
  if (!transcript) {
    return std::unexpected(DocumentError{
        DecodeStage::transcript, "failed to parse transcript: " + transcript.error().message()});
  }
  return DecodedBet{std::move(*receipt), std::move(*transcript)};
}

std::optional<std::string> check_bet(std::string_view receipt_json,
                                     std::string_view transcript_json) {
  auto bet = decode_bet(receipt_json, transcript_json);
  if (!bet) return std::move(bet.error().message);
  auto verdict = verifier::verify_bet(bet->receipt, bet->transcript);
  if (!verdict) return verdict.error().message();
  return std::nullopt;
}

}  // namespace zt::cli
