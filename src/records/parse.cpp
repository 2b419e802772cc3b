// parse.cpp: the JSON form of the bet records (field descriptors for the decoder).
#include "records/parse.h"

#include <utility>

#include "json/document.h"
#include "json/schema.h"
#include "json_fast/fast_decode.h"

namespace zt::records {
namespace {

using json::field;
using json::Presence;

constexpr json::BytesCodec kHex{"a lowercase hex string", &decode_hex};

constexpr std::string_view kPositionNames[] = {"left", "right"};
constexpr json::VariantDescriptor kPosition{kPositionNames};

constexpr json::FieldDescriptor kProofNodeFields[] = {
    field<&MerkleProofNode::hash>("hash", kHex),
    field<&MerkleProofNode::position>("position", kPosition, Presence::kDefaulted),
};
constexpr json::RecordDescriptor kProofNode{
    "struct MerkleProofNode", "struct MerkleProofNode with 2 elements", kProofNodeFields};

constexpr json::FieldDescriptor kCommitmentFields[] = {
    field<&BetCommitment::session_id>("session_id"),
    field<&BetCommitment::bet_nonce>("bet_nonce"),
    field<&BetCommitment::stake>("stake"),
    field<&BetCommitment::gdp_id>("gdp_id"),
    field<&BetCommitment::rng_id>("rng_id"),
    field<&BetCommitment::rng_params_commit>("rng_params_commit", kHex),
    field<&BetCommitment::server_seed_commit>("server_seed_commit", kHex),
    field<&BetCommitment::client_seed>("client_seed", kHex, Presence::kOptional),
    field<&BetCommitment::beacon_plan_id>("beacon_plan_id"),
    field<&BetCommitment::timestamp_ms>("timestamp_ms"),
};
constexpr json::RecordDescriptor kCommitment{
    "struct BetCommitment", "struct BetCommitment with 10 elements", kCommitmentFields};

constexpr json::FieldDescriptor kReceiptFields[] = {
    field<&BetReceipt::version>("version"),
    field<&BetReceipt::bet_id>("bet_id"),
    field<&BetReceipt::commitment>("commitment", kCommitment, Presence::kDefaulted),
    field<&BetReceipt::bet_leaf>("bet_leaf", kHex),
    field<&BetReceipt::merkle_proof>("merkle_proof", kProofNode, Presence::kDefaulted),
    field<&BetReceipt::merkle_root>("merkle_root", kHex),
    field<&BetReceipt::root_index>("root_index", Presence::kOptional),
    field<&BetReceipt::operator_sig>("operator_sig"),
};
constexpr json::RecordDescriptor kReceipt{"struct BetReceipt", "struct BetReceipt with 8 elements",
                                          kReceiptFields};

constexpr json::FieldDescriptor kOutcomeFields[] = {
    field<&SettlementOutcome::raw>("raw"),
    field<&SettlementOutcome::payout>("payout"),
    field<&SettlementOutcome::aux>("aux", Presence::kDefaulted),
};
constexpr json::RecordDescriptor kOutcome{
    "struct SettlementOutcome", "struct SettlementOutcome with 3 elements", kOutcomeFields};

constexpr json::FieldDescriptor kTranscriptFields[] = {
    field<&SettlementTranscript::bet_id>("bet_id"),
    field<&SettlementTranscript::server_seed_plain>("server_seed_plain", kHex),
    field<&SettlementTranscript::beacon_values>("beacon_values", kHex),
    field<&SettlementTranscript::beacon_mix_id>("beacon_mix_id", kHex),
    field<&SettlementTranscript::rng_entropy>("rng_entropy", kHex),
    field<&SettlementTranscript::outcome>("outcome", kOutcome),
    field<&SettlementTranscript::operator_sig>("operator_sig"),
};
constexpr json::RecordDescriptor kTranscript{"struct SettlementTranscript",
                                             "struct SettlementTranscript with 7 elements",
                                             kTranscriptFields};

}  // namespace

// The fast front end takes the common, valid document; anything else goes to the
// precise decoder, which alone decides errors.
// The record is built where it is returned.
std::expected<BetReceipt, json::DecodeError> parse_bet_receipt(std::string_view text) {
  std::expected<BetReceipt, json::DecodeError> receipt(std::in_place);
  if (!json_fast::decode_fast(text, kReceipt, &*receipt)) {
    receipt = json::decode_record<BetReceipt>(text, kReceipt);
  }
  return receipt;
}

std::expected<SettlementTranscript, json::DecodeError> parse_settlement_transcript(
    std::string_view text) {
  std::expected<SettlementTranscript, json::DecodeError> transcript(std::in_place);
  if (!json_fast::decode_fast(text, kTranscript, &*transcript)) {
    transcript = json::decode_record<SettlementTranscript>(text, kTranscript);
  }
  return transcript;
}

namespace front_ends {

std::expected<BetReceipt, json::DecodeError> precise_bet_receipt(std::string_view text) {
  return json::decode_record<BetReceipt>(text, kReceipt);
}

std::expected<SettlementTranscript, json::DecodeError> precise_settlement_transcript(
    std::string_view text) {
  return json::decode_record<SettlementTranscript>(text, kTranscript);
}

std::optional<BetReceipt> fast_bet_receipt(std::string_view text) {
  return json_fast::fast_record<BetReceipt>(text, kReceipt);
}

std::optional<SettlementTranscript> fast_settlement_transcript(std::string_view text) {
  return json_fast::fast_record<SettlementTranscript>(text, kTranscript);
}

}  // namespace front_ends

}  // namespace zt::records
