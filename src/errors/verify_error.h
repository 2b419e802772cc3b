// errors/verify_error.h: VerifyError, the one error value of bet verification.
// Its message() is exactly the text a caller reports; callers add context, if any.
#pragma once

#include <string>

namespace zt::errors {

enum class VerifyKind {
  MissingCommitment,
  LeafMismatch,
  MerkleProofFailed,
  ServerSeedMismatch,
  BeaconMixMismatch,
  EntropyMismatch,
  BetIdMismatch,
  OutcomeFormat,          // detail from the mapper
  OutcomeMismatch,        // detail from the mapper
  MappingNotImplemented,  // detail is the commitment's gdp_id
};

struct VerifyError {
  VerifyKind kind;
  std::string detail;  // empty for the kinds without a detail

  static VerifyError missing_commitment() { return {VerifyKind::MissingCommitment, {}}; }
  static VerifyError leaf_mismatch() { return {VerifyKind::LeafMismatch, {}}; }
  static VerifyError merkle_proof_failed() { return {VerifyKind::MerkleProofFailed, {}}; }
  static VerifyError server_seed_mismatch() { return {VerifyKind::ServerSeedMismatch, {}}; }
  static VerifyError beacon_mix_mismatch() { return {VerifyKind::BeaconMixMismatch, {}}; }
  static VerifyError entropy_mismatch() { return {VerifyKind::EntropyMismatch, {}}; }
  static VerifyError bet_id_mismatch() { return {VerifyKind::BetIdMismatch, {}}; }
  static VerifyError outcome_format(std::string detail) {
    return {VerifyKind::OutcomeFormat, std::move(detail)};
  }
  static VerifyError outcome_mismatch(std::string detail) {
    return {VerifyKind::OutcomeMismatch, std::move(detail)};
  }
  static VerifyError mapping_not_implemented(std::string gdp_id) {
    return {VerifyKind::MappingNotImplemented, std::move(gdp_id)};
  }

  // message: the fixed text of the kind, followed directly by the detail.
  std::string message() const;

  friend bool operator==(const VerifyError&, const VerifyError&) = default;
};

}  // namespace zt::errors
