// errors/verify_error.cpp: the fixed texts of the verification errors.
#include "errors/verify_error.h"

namespace zt::errors {
namespace {

const char* prefix_of(VerifyKind kind) {
  switch (kind) {
    case VerifyKind::MissingCommitment:
      return "bet commitment payload missing from receipt";
    case VerifyKind::LeafMismatch:
      return "bet leaf does not match recomputed commitment hash";
    case VerifyKind::MerkleProofFailed:
      return "merkle proof failed to reconstruct reported root";
    case VerifyKind::ServerSeedMismatch:
      return "server seed commitment mismatch";
    case VerifyKind::BeaconMixMismatch:
      return "beacon mix identifier mismatch";
    case VerifyKind::EntropyMismatch:
      return "rng entropy mismatch";
    case VerifyKind::BetIdMismatch:
      return "settlement transcript references different bet id";
    case VerifyKind::OutcomeFormat:
      return "deterministic mapping outcome format invalid: ";
    case VerifyKind::OutcomeMismatch:
      return "deterministic mapping outcome mismatch: ";
    case VerifyKind::MappingNotImplemented:
      return "deterministic mapping verification not yet implemented for GDP ";
  }
  return "";
}

}  // namespace

std::string VerifyError::message() const { return prefix_of(kind) + detail; }

}  // namespace zt::errors
