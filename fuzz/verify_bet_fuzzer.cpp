// fuzz/verify_bet_fuzzer.cpp: whole verification of one bet. The input is a receipt
// text, a NUL byte and a transcript text. The bet goes through the C++ decoders and
// verify_bet, and through zt_core_verify_bet; the C ABI must return the code and
// message that the C++ results imply. Mappers are registered under the ids of the
// seed bets, so mutated bets reach the plinko, slot and no-op mappers.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz_checks.h"
#include "gdp/gdp_registry.h"
#include "gdp/plinko/plinko_mapper.h"
#include "gdp/slot/slot_mapper.h"
#include "records/parse.h"
#include "verifier/verify_bet.h"
#include "zt/zt_core.h"

namespace {

zt::gdp::Reel reel(std::uint8_t first, std::size_t length) {
  zt::gdp::Reel symbols(length);
  for (std::size_t i = 0; i < length; ++i) symbols[i] = static_cast<std::uint8_t>(first + i);
  return symbols;
}

void register_seed_mappers() {
  auto& registry = zt::gdp::GdpRegistry::instance();
  for (const char* id :
       {"noop-basic", "noop-tamper", "noop-boundary", "Noop-Case", "", "dice-noop"}) {
    zt::gdp::register_noop_mapper(id);
  }
  for (auto [id, levels] : {std::pair{"plinko-classic", 12},
                            {"plinko-1", 1},
                            {"plinko-8", 8},
                            {"plinko-16", 16},
                            {"plinko-64", 64}}) {
    registry.register_mapper(id, std::make_shared<const zt::gdp::PlinkoMapper>(levels));
  }
  registry.register_mapper("slot-3x5",
                           std::make_shared<const zt::gdp::SlotMapper>(
                               std::vector<zt::gdp::Reel>{reel(0, 5), reel(5, 5), reel(10, 5)}));
  registry.register_mapper("slot-3r-2-10-3",
                           std::make_shared<const zt::gdp::SlotMapper>(
                               std::vector<zt::gdp::Reel>{reel(0, 2), reel(0, 10), reel(0, 3)}));
  registry.register_mapper("slot-1r-3", std::make_shared<const zt::gdp::SlotMapper>(
                                            std::vector<zt::gdp::Reel>{reel(0, 3)}));
}

// expected_outcome: the C ABI's code and message for two UTF-8 texts, from the
// C++ decoders and verifier.
std::pair<std::int32_t, std::string> expected_outcome(std::string_view receipt_text,
                                                      std::string_view transcript_text) {
  auto receipt = zt::records::parse_bet_receipt(receipt_text);
  if (!receipt) return {2, "failed to parse receipt: " + receipt.error().message()};
  auto transcript = zt::records::parse_settlement_transcript(transcript_text);
  if (!transcript) return {2, "failed to parse transcript: " + transcript.error().message()};
  auto verdict = zt::verifier::verify_bet(*receipt, *transcript);
  if (!verdict) return {3, verdict.error().message()};
  return {0, {}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = (register_seed_mappers(), true);
  (void)registered;

  auto [receipt_part, rest] = zt::fuzz::split_at_nul(zt::fuzz::as_text(data, size));
  // The C ABI sees the transcript only up to its first NUL.
  std::string receipt(receipt_part);
  std::string transcript(zt::fuzz::split_at_nul(rest).first);

  std::int32_t code = zt_core_verify_bet(receipt.c_str(), transcript.c_str());
  if (!zt::fuzz::is_utf8(receipt) || !zt::fuzz::is_utf8(transcript)) {
    zt::fuzz::require(code == 1, "text that is not UTF-8 was accepted");
    zt::fuzz::require_last_error("input bytes are not valid UTF-8", "not UTF-8");
    return 0;
  }
  auto [expected_code, expected_message] = expected_outcome(receipt, transcript);
  zt::fuzz::require(code == expected_code, "C ABI code differs from the C++ verdict");
  if (code == 0) {
    zt::fuzz::require(zt_core_last_error_message() == nullptr, "success left a message");
  } else {
    zt::fuzz::require_last_error(expected_message, "verification");
  }
  return 0;
}
