// records/records.h: the five records a bet is verified from, as decoded from the
// operator's receipt and transcript. Plain immutable values; hex fields are raw bytes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "json/byte_string.h"
#include "json/schema.h"
#include "json/value.h"

namespace zt::records {

using Bytes = json::ByteString;

// Which side of the running hash a proof node's sibling stands on.
enum class ProofPosition { left, right };

struct MerkleProofNode {
  Bytes hash;
  ProofPosition position = ProofPosition::right;

  friend bool operator==(const MerkleProofNode&, const MerkleProofNode&) = default;
};

struct BetCommitment {
  std::string session_id;
  std::uint64_t bet_nonce = 0;
  std::string stake;
  std::string gdp_id;
  std::string rng_id;
  Bytes rng_params_commit;
  Bytes server_seed_commit;
  std::optional<Bytes> client_seed;
  std::string beacon_plan_id;
  std::uint64_t timestamp_ms = 0;

  friend bool operator==(const BetCommitment&, const BetCommitment&) = default;
};

struct BetReceipt {
  std::string version;
  std::string bet_id;
  std::optional<BetCommitment> commitment;
  Bytes bet_leaf;
  std::vector<MerkleProofNode> merkle_proof;
  Bytes merkle_root;
  std::optional<std::uint64_t> root_index;
  std::string operator_sig;

  friend bool operator==(const BetReceipt&, const BetReceipt&) = default;
};

struct SettlementOutcome {
  json::Value raw;
  std::string payout;
  // Not examined: checked while decoding like any JSON value, but not kept.
  json::CheckedValue aux;

  friend bool operator==(const SettlementOutcome&, const SettlementOutcome&) = default;
};

// Beacon values ordered by key bytes; the beacon mix hashes them in this order.
using BeaconValues = std::map<std::string, Bytes, std::less<>>;

struct SettlementTranscript {
  std::string bet_id;
  Bytes server_seed_plain;
  BeaconValues beacon_values;
  Bytes beacon_mix_id;
  Bytes rng_entropy;
  SettlementOutcome outcome;
  std::string operator_sig;

  friend bool operator==(const SettlementTranscript&, const SettlementTranscript&) = default;
};

}  // namespace zt::records
