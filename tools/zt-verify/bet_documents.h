// zt-verify/bet_documents.h: decoding one bet from its two JSON texts, with the C
// ABI's message for each failure, so the tool reports exactly what a host program
// of the library would see.
#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "records/records.h"

namespace zt::cli {

struct DecodedBet {
  records::BetReceipt receipt;
  records::SettlementTranscript transcript;
};

enum class DecodeStage { receipt, transcript };

struct DocumentError {
  DecodeStage stage;
  std::string message;  // "failed to parse receipt: ..." or "failed to parse transcript: ..."
};

// decode_bet: the receipt first, then the transcript. The texts must be UTF-8.
[[nodiscard]] std::expected<DecodedBet, DocumentError> decode_bet(std::string_view receipt_json,
                                                                  std::string_view transcript_json);

}  // namespace zt::cli
