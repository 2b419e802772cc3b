// zt-verify/batch_check.cpp: decode, verify and describe one line.
#include "batch_check.h"

#include <algorithm>
#include <expected>
#include <optional>

#include "batch_line.h"
#include "document_hints.h"
#include "json_output.h"
#include "records/parse.h"
#include "verifier/verify_bet.h"
#include "visible_text.h"

namespace zt::cli {
namespace {

const char* verdict_name(LineVerdict verdict) {
  switch (verdict) {
    case LineVerdict::blank:
      return "blank";
    case LineVerdict::verified:
      return "verified";
    case LineVerdict::failed:
      return "failed";
    case LineVerdict::unregistered:
      return "unregistered";
    case LineVerdict::error:
      return "error";
  }
  return "error";
}

LineOutcome error(std::string message, int code) {
  LineOutcome outcome;
  outcome.verdict = LineVerdict::error;
  outcome.code = code;
  outcome.message = std::move(message);
  return outcome;
}

// same_text: whether |a| and |b| are the same bytes of the same line.
bool same_text(std::string_view a, std::string_view b) {
  return a.data() == b.data() && a.size() == b.size();
}

// verified_outcome: the verdict on two decoded documents.
LineOutcome verified_outcome(const records::BetReceipt& receipt,
                             const records::SettlementTranscript& transcript,
                             const LineContext& context) {
  LineOutcome outcome;
  outcome.has_bet_id = true;
  outcome.bet_id = receipt.bet_id;
  auto verdict = verifier::verify_bet(receipt, transcript);
  if (!verdict) {
    outcome.verdict = verdict.error().kind == errors::VerifyKind::MappingNotImplemented
                          ? LineVerdict::unregistered
                          : LineVerdict::failed;
    outcome.message = verdict.error().message();
    return outcome;
  }
  outcome.verdict = LineVerdict::verified;
  const std::string& gdp_id = receipt.commitment->gdp_id;
  outcome.unchecked_outcome =
      context.noop_games != nullptr &&
      std::ranges::find(*context.noop_games, gdp_id) != context.noop_games->end();
  return outcome;
}

}  // namespace

LineOutcome check_batch_line(std::string_view line, LineContext& context) {
  if (is_blank_line(line)) return {};
  // Most lines have the usual layout. When the fast decoder takes both documents
  // guessed from it, the line is exactly that layout and valid UTF-8 throughout: the
  // decoder has checked every byte of both documents, and the guess found only ASCII
  // tokens and blanks around them. Any other line takes every check in order, a
  // receipt the fast decoder took being kept for it.
  const std::optional<BatchDocuments> guess = guess_inline_documents(line);
  std::optional<records::BetReceipt> fast_receipt;
  if (guess) {
    fast_receipt = records::front_ends::fast_bet_receipt(guess->receipt);
    if (fast_receipt) {
      auto transcript = records::front_ends::fast_settlement_transcript(guess->transcript);
      if (transcript) return verified_outcome(*fast_receipt, *transcript, context);
    }
  }

  if (const auto offset = first_invalid_utf8(line)) {
    return error("line is not UTF-8: byte " + byte_text(static_cast<unsigned char>(line[*offset])) +
                     " at column " + std::to_string(*offset + 1) +
                     " does not start or continue a UTF-8 character",
                 1);
  }
  // When both documents guessed from the line decode, the line is exactly that
  // layout and the full split is not needed; any other line takes the full split,
  // which finds every fault in order. A document the split finds at the guessed
  // place is not decoded a second time.
  std::optional<std::expected<records::BetReceipt, json::DecodeError>> guessed_receipt;
  std::optional<std::expected<records::SettlementTranscript, json::DecodeError>> guessed_transcript;
  if (guess) {
    // The fast decoder has had the receipt, and the transcript too when it took the
    // receipt; only the precise decoder is left to try on those.
    const bool transcript_tried = fast_receipt.has_value();
    // Plain locals on the way to a verdict: records are large to move.
    auto receipt =
        fast_receipt
            ? std::expected<records::BetReceipt, json::DecodeError>(std::move(*fast_receipt))
            : records::front_ends::precise_bet_receipt(guess->receipt);
    if (receipt) {
      auto transcript = transcript_tried
                            ? records::front_ends::precise_settlement_transcript(guess->transcript)
                            : records::parse_settlement_transcript(guess->transcript);
      if (transcript) return verified_outcome(*receipt, *transcript, context);
      guessed_transcript = std::move(transcript);
    }
    guessed_receipt = std::move(receipt);
  }

  auto documents = split_batch_line(line, context.receipt_buffer, context.transcript_buffer);
  if (!documents) return error(std::move(documents.error()), 2);

  auto receipt = guessed_receipt && same_text(guess->receipt, documents->receipt)
                     ? std::move(*guessed_receipt)
                     : records::parse_bet_receipt(documents->receipt);
  if (!receipt) {
    LineOutcome outcome = error("failed to parse receipt: " + receipt.error().message(), 2);
    outcome.context = "receipt";
    outcome.name = std::move(documents->name);
    return outcome;
  }
  auto transcript = guessed_transcript && same_text(guess->transcript, documents->transcript)
                        ? std::move(*guessed_transcript)
                        : records::parse_settlement_transcript(documents->transcript);
  if (!transcript) {
    LineOutcome outcome = error("failed to parse transcript: " + transcript.error().message(), 2);
    outcome.has_bet_id = true;
    outcome.bet_id = receipt->bet_id;
    outcome.context = "transcript";
    outcome.name = std::move(documents->name);
    return outcome;
  }
  LineOutcome outcome = verified_outcome(*receipt, *transcript, context);
  outcome.name = std::move(documents->name);
  return outcome;
}

int exit_code_of_line(const LineOutcome& outcome) {
  switch (outcome.verdict) {
    case LineVerdict::blank:
      return -1;
    case LineVerdict::verified:
      return 0;
    case LineVerdict::failed:
      return 3;
    case LineVerdict::unregistered:
      return 4;
    case LineVerdict::error:
      return outcome.code;
  }
  return 2;
}

std::string results_line(std::uint64_t number, const LineOutcome& outcome) {
  json::Object object;
  const int code = exit_code_of_line(outcome);
  put(object, "line", number);
  put(object, "verdict", verdict_name(outcome.verdict));
  put(object, "code", code < 0 ? json::Value() : json::Value(static_cast<std::uint64_t>(code)));
  put(object, "message", outcome.message.empty() ? json::Value() : json::Value(outcome.message));
  put(object, "bet_id", outcome.has_bet_id ? json::Value(outcome.bet_id) : json::Value());
  put(object, "name", outcome.name.empty() ? json::Value() : json::Value(outcome.name));
  put(object, "positions_in",
      outcome.context.empty() ? json::Value() : json::Value(outcome.context));
  if (outcome.verdict == LineVerdict::verified) {
    put(object, "outcome_checked", !outcome.unchecked_outcome);
  }
  std::string text = to_json(json::Value(std::move(object)));
  text += '\n';
  return text;
}

std::string failures_line(std::uint64_t number, const LineOutcome& outcome) {
  std::string text = std::to_string(number);
  text += '\t';
  text += visible_text(outcome.message);
  text += '\t';
  text += visible_text(outcome.bet_id);
  text += '\t';
  text += visible_text(outcome.name);
  text += '\n';
  return text;
}

}  // namespace zt::cli
