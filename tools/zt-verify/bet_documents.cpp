// zt-verify/bet_documents.cpp: the receipt first, then the transcript.
#include "bet_documents.h"

#include "records/parse.h"

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

}  // namespace zt::cli
