// verify_bet_test.cpp: every check of the verifier with its message, the order of
// the checks (bets wrong in two ways report the earlier fault), and the hand-over
// to the mapper. Honest bets are built here with the crypto primitives, the way an
// operator builds them.
#include "verifier/verify_bet.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "../crypto/test_bytes.h"
#include "crypto/commitment_leaf.h"
#include "crypto/sha256.h"
#include "gdp/gdp_registry.h"
#include "rng/derivations.h"
#include "verifier/bet_trace.h"

namespace zt::verifier {
namespace {

using records::Bytes;
using records::ProofPosition;
using test::bytes_of;

Bytes concat(const Bytes& a, const Bytes& b) {
  std::vector<std::uint8_t> out(a.begin(), a.end());
  out.insert(out.end(), b.begin(), b.end());
  return out;
}

void drop_last_byte(Bytes& bytes) { bytes = Bytes(bytes.begin(), bytes.end() - 1); }

void add_zero_byte(Bytes& bytes) {
  std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
  longer.push_back(0);
  bytes = longer;
}

struct Bet {
  records::BetReceipt receipt;
  records::SettlementTranscript transcript;
};

// The operator's inputs; honest_bet derives every digest from them.
struct BetInputs {
  std::string gdp_id = "verifier-test-noop";
  std::optional<Bytes> client_seed = bytes_of("player seed");
  Bytes server_seed = bytes_of("server seed of bet 42");
  records::BeaconValues beacons = {{"drand", test::from_hex("01ab")},
                                   {"nist", test::from_hex("02cd")}};
};

Bet honest_bet(const BetInputs& in = {}) {
  Bet bet;
  records::BetCommitment c;
  c.session_id = "session-7";
  c.bet_nonce = 42;
  c.stake = "1.50";
  c.gdp_id = in.gdp_id;
  c.rng_id = "zt-vl-1.0-A";
  c.rng_params_commit = crypto::sha256_bytes(bytes_of("params"));
  c.server_seed_commit = crypto::sha256_bytes(in.server_seed);
  c.client_seed = in.client_seed;
  c.beacon_plan_id = "plan-1";
  c.timestamp_ms = 1700000000000;

  const crypto::Digest leaf_digest = crypto::commitment_leaf_hash(c);
  const Bytes leaf(leaf_digest.begin(), leaf_digest.end());
  const Bytes left = crypto::sha256_bytes(bytes_of("left sibling"));
  const Bytes right = crypto::sha256_bytes(bytes_of("right sibling"));
  bet.receipt.version = "1";
  bet.receipt.bet_id = "bet-42";
  bet.receipt.bet_leaf = leaf;
  bet.receipt.merkle_proof = {{right, ProofPosition::right}, {left, ProofPosition::left}};
  bet.receipt.merkle_root =
      crypto::sha256_bytes(concat(left, crypto::sha256_bytes(concat(leaf, right))));
  bet.receipt.operator_sig = "sig";

  const crypto::Digest mix = rng::compute_beacon_mix_id(in.beacons);
  const crypto::Digest entropy =
      rng::compute_rng_entropy(in.server_seed, in.client_seed, c.bet_nonce, mix);
  bet.transcript.bet_id = "bet-42";
  bet.transcript.server_seed_plain = in.server_seed;
  bet.transcript.beacon_values = in.beacons;
  bet.transcript.beacon_mix_id = mix;
  bet.transcript.rng_entropy = entropy;
  bet.transcript.operator_sig = "sig";
  bet.receipt.commitment = std::move(c);
  return bet;
}

records::BetCommitment& commitment(Bet& bet) { return *bet.receipt.commitment; }

std::string error_of(const Bet& bet) {
  const auto result = verify_bet(bet.receipt, bet.transcript);
  return result ? "verified" : result.error().message();
}

class VerifyBet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gdp::register_noop_mapper("verifier-test-noop"); }
};

TEST_F(VerifyBet, HonestBetVerifies) {
  const Bet bet = honest_bet();
  const auto result = verify_bet(bet.receipt, bet.transcript);
  ASSERT_TRUE(result) << result.error().message();
  EXPECT_EQ(Bytes(result->rng_entropy.begin(), result->rng_entropy.end()),
            bet.transcript.rng_entropy);
  EXPECT_EQ(Bytes(result->beacon_mix_id.begin(), result->beacon_mix_id.end()),
            bet.transcript.beacon_mix_id);
}

TEST_F(VerifyBet, HonestBetWithoutClientSeedOrBeaconsVerifies) {
  BetInputs in;
  in.client_seed.reset();
  in.beacons.clear();
  EXPECT_EQ(error_of(honest_bet(in)), "verified");
}

constexpr std::string_view kBetId = "settlement transcript references different bet id";
constexpr std::string_view kMissing = "bet commitment payload missing from receipt";
constexpr std::string_view kLeaf = "bet leaf does not match recomputed commitment hash";
constexpr std::string_view kMerkle = "merkle proof failed to reconstruct reported root";
constexpr std::string_view kSeed = "server seed commitment mismatch";
constexpr std::string_view kBeacon = "beacon mix identifier mismatch";
constexpr std::string_view kEntropy = "rng entropy mismatch";

using Fault = std::function<void(Bet&)>;

const Fault kWrongBetId = [](Bet& b) { b.transcript.bet_id = "Bet-42"; };
const Fault kNoCommitment = [](Bet& b) { b.receipt.commitment.reset(); };
const Fault kLeafShort = [](Bet& b) { drop_last_byte(b.receipt.bet_leaf); };
const Fault kStakeChanged = [](Bet& b) { commitment(b).stake = "1.5"; };
const Fault kPositionFlipped = [](Bet& b) {
  b.receipt.merkle_proof[1].position = ProofPosition::right;
};
const Fault kRootChanged = [](Bet& b) { b.receipt.merkle_root[0] ^= 1; };
// The leaf check recomputes the leaf from the commitment, so changing a committed
// value and the receipt's leaf together leaves only the inclusion check to catch it.
const Fault kRecommitted = [](Bet& b) {
  commitment(b).timestamp_ms += 1;
  const crypto::Digest leaf = crypto::commitment_leaf_hash(commitment(b));
  b.receipt.bet_leaf = leaf;
};
const Fault kSeedRevealedWrong = [](Bet& b) { add_zero_byte(b.transcript.server_seed_plain); };
const Fault kBeaconChanged = [](Bet& b) { b.transcript.beacon_values["nist"][0] ^= 1; };
const Fault kBeaconAdded = [](Bet& b) { b.transcript.beacon_values["extra"] = {0x00}; };
const Fault kBeaconRemoved = [](Bet& b) { b.transcript.beacon_values.erase("drand"); };
const Fault kMixShort = [](Bet& b) { drop_last_byte(b.transcript.beacon_mix_id); };
const Fault kEntropyLong = [](Bet& b) { add_zero_byte(b.transcript.rng_entropy); };
const Fault kEntropyWithoutClientSeed = [](Bet& b) {
  const auto& c = commitment(b);
  const crypto::Digest entropy =
      rng::compute_rng_entropy(b.transcript.server_seed_plain, std::nullopt, c.bet_nonce,
                               rng::compute_beacon_mix_id(b.transcript.beacon_values));
  b.transcript.rng_entropy = entropy;
};

struct FaultCase {
  std::string_view name;
  std::vector<Fault> faults;
  std::string_view message;
};

TEST_F(VerifyBet, EachCheckAndItsMessage) {
  const FaultCase cases[] = {
      {"bet_id_case_differs", {kWrongBetId}, kBetId},
      {"commitment_absent", {kNoCommitment}, kMissing},
      {"leaf_one_byte_short", {kLeafShort}, kLeaf},
      {"committed_stake_changed", {kStakeChanged}, kLeaf},
      {"proof_position_flipped", {kPositionFlipped}, kMerkle},
      {"root_changed", {kRootChanged}, kMerkle},
      {"commitment_and_leaf_changed_together", {kRecommitted}, kMerkle},
      {"server_seed_not_the_committed_one", {kSeedRevealedWrong}, kSeed},
      {"beacon_value_changed", {kBeaconChanged}, kBeacon},
      {"beacon_added", {kBeaconAdded}, kBeacon},
      {"beacon_removed", {kBeaconRemoved}, kBeacon},
      {"mix_id_one_byte_short", {kMixShort}, kBeacon},
      {"entropy_one_byte_long", {kEntropyLong}, kEntropy},
      {"entropy_computed_without_client_seed", {kEntropyWithoutClientSeed}, kEntropy},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bet bet = honest_bet();
    for (const Fault& fault : c.faults) fault(bet);
    EXPECT_EQ(error_of(bet), c.message);
    // The trace runs the same checks, so it fails the same way.
    const BetTrace trace = trace_bet(bet.receipt, bet.transcript);
    ASSERT_TRUE(trace.failure.has_value());
    EXPECT_EQ(trace.failure->message(), c.message);
  }
}

// trace_value: the value |name| of check |check| as text, or "<absent>".
std::string trace_value(const BetTrace& trace, std::string_view check, std::string_view name) {
  for (const TraceCheck& entry : trace.checks) {
    if (entry.name != check) continue;
    for (const TraceValue& value : entry.values) {
      if (value.name == name && value.value.is_string()) return value.value.as_string();
    }
  }
  return "<absent>";
}

const TraceCheck& trace_check(const BetTrace& trace, std::string_view name) {
  for (const TraceCheck& check : trace.checks) {
    if (check.name == name) return check;
  }
  throw std::logic_error("no such check");
}

TEST_F(VerifyBet, TraceShowsTheWalkOfEachCheck) {
  const Bet bet = honest_bet();
  const BetTrace trace = trace_bet(bet.receipt, bet.transcript);
  ASSERT_FALSE(trace.failure.has_value());
  for (const TraceCheck& check : trace.checks) EXPECT_EQ(check.state, CheckState::passed);

  const TraceCheck& merkle = trace_check(trace, "merkle_proof");
  ASSERT_EQ(merkle.steps.size(), 2u);
  EXPECT_EQ(merkle.steps[0][1].value, json::Value("right"));
  EXPECT_EQ(merkle.steps[1][1].value, json::Value("left"));
  EXPECT_EQ(merkle.steps[1][3].value,
            json::Value(trace_value(trace, "merkle_proof", "computed_root")));
  EXPECT_EQ(trace_value(trace, "merkle_proof", "computed_root"),
            trace_value(trace, "merkle_proof", "reported_merkle_root"));

  const TraceCheck& beacons = trace_check(trace, "beacon_mix");
  ASSERT_EQ(beacons.steps.size(), 2u);
  EXPECT_EQ(beacons.steps[0][0].value, json::Value("drand"));
  EXPECT_EQ(beacons.steps[1][1].value, json::Value("02cd"));

  // Server seed, client seed, the nonce as 8 big-endian bytes, the beacon mix.
  const TraceCheck& entropy = trace_check(trace, "rng_entropy");
  ASSERT_EQ(entropy.steps.size(), 4u);
  EXPECT_EQ(entropy.steps[2][1].value, json::Value("000000000000002a"));
  EXPECT_EQ(trace_value(trace, "mapper", "mapper"), "noop");
}

TEST_F(VerifyBet, TraceSaysInWordsWhatCannotBeCompared) {
  Bet short_leaf = honest_bet();
  kLeafShort(short_leaf);
  BetTrace trace = trace_bet(short_leaf.receipt, short_leaf.transcript);
  EXPECT_EQ(trace_check(trace, "bet_leaf").state, CheckState::failed);
  EXPECT_EQ(trace_check(trace, "bet_leaf").notes,
            std::vector<std::string>{"bet_leaf is 31 bytes; a SHA-256 digest is 32"});
  EXPECT_EQ(trace_check(trace, "merkle_proof").state, CheckState::not_run);

  Bet no_commitment = honest_bet();
  kNoCommitment(no_commitment);
  trace = trace_bet(no_commitment.receipt, no_commitment.transcript);
  EXPECT_EQ(trace_check(trace, "commitment").notes.size(), 1u);

  BetInputs unknown;
  unknown.gdp_id = "verifier-test-unknown";
  const Bet unregistered = honest_bet(unknown);
  trace = trace_bet(unregistered.receipt, unregistered.transcript);
  EXPECT_EQ(trace_check(trace, "mapper").notes,
            std::vector<std::string>{"no mapper is registered for game verifier-test-unknown"});
  EXPECT_EQ(trace_check(trace, "outcome").state, CheckState::not_run);
}

TEST_F(VerifyBet, ServerSeedCommitmentMustBeExactly32Bytes) {
  // A commitment of the right digest plus one byte: the leaf is rebuilt over it so
  // only the seed check can object.
  BetInputs in;
  Bet bet = honest_bet(in);
  add_zero_byte(commitment(bet).server_seed_commit);
  const crypto::Digest leaf = crypto::commitment_leaf_hash(commitment(bet));
  bet.receipt.bet_leaf = leaf;
  bet.receipt.merkle_proof.clear();
  bet.receipt.merkle_root = bet.receipt.bet_leaf;
  EXPECT_EQ(error_of(bet), kSeed);
}

TEST_F(VerifyBet, EarlierCheckWinsWhenTwoFail) {
  const FaultCase cases[] = {
      {"bet_id_before_missing_commitment", {kNoCommitment, kWrongBetId}, kBetId},
      {"missing_commitment_before_everything_else",
       {kNoCommitment, kRootChanged, kBeaconChanged},
       kMissing},
      {"leaf_before_merkle", {kRootChanged, kLeafShort}, kLeaf},
      {"merkle_before_seed", {kSeedRevealedWrong, kPositionFlipped}, kMerkle},
      {"seed_before_beacon", {kBeaconChanged, kSeedRevealedWrong}, kSeed},
      {"beacon_before_entropy", {kEntropyLong, kBeaconRemoved}, kBeacon},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bet bet = honest_bet();
    for (const Fault& fault : c.faults) fault(bet);
    EXPECT_EQ(error_of(bet), c.message);
  }
}

TEST_F(VerifyBet, ReorderedBeaconsInTheDocumentStillVerify) {
  // The record map is ordered by key whatever order the JSON gave; inserting the
  // same values in another order yields the same map.
  BetInputs in;
  records::BeaconValues reordered;
  reordered.emplace("nist", in.beacons.at("nist"));
  reordered.emplace("drand", in.beacons.at("drand"));
  Bet bet = honest_bet(in);
  bet.transcript.beacon_values = reordered;
  EXPECT_EQ(error_of(bet), "verified");
}

TEST_F(VerifyBet, UnregisteredGameThenNoopRegistration) {
  BetInputs in;
  in.gdp_id = "plinko-classic-verifier-test";
  const Bet bet = honest_bet(in);
  EXPECT_EQ(error_of(bet),
            "deterministic mapping verification not yet implemented for GDP "
            "plinko-classic-verifier-test");
  // Ids differ by case: registering another spelling does not help.
  gdp::register_noop_mapper("Plinko-classic-verifier-test");
  EXPECT_EQ(verify_bet(bet.receipt, bet.transcript).error().kind,
            errors::VerifyKind::MappingNotImplemented);
  gdp::register_noop_mapper("plinko-classic-verifier-test");
  EXPECT_EQ(error_of(bet), "verified");
}

TEST_F(VerifyBet, UnregisteredGameComesAfterEntropy) {
  BetInputs in;
  in.gdp_id = "never-registered-verifier-test";
  Bet bet = honest_bet(in);
  kEntropyLong(bet);
  EXPECT_EQ(error_of(bet), kEntropy);
}

// A mapper that records what it was given and fails with a chosen error.
class RecordingMapper final : public gdp::OutcomeMapper {
 public:
  explicit RecordingMapper(errors::VerifyError error) : error_(std::move(error)) {}

  std::expected<void, errors::VerifyError> verify_outcome(
      const records::BetReceipt& receipt, const records::SettlementTranscript& transcript,
      rng::EntropyStream& stream) const override {
    seen_receipt = &receipt;
    seen_transcript = &transcript;
    counter_at_entry = stream.counter();
    offset_at_entry = stream.offset();
    first_bytes.resize(8);
    stream.fill_bytes(first_bytes);
    return std::unexpected(error_);
  }

  mutable const records::BetReceipt* seen_receipt = nullptr;
  mutable const records::SettlementTranscript* seen_transcript = nullptr;
  mutable std::uint64_t counter_at_entry = 99;
  mutable std::size_t offset_at_entry = 99;
  mutable std::vector<std::uint8_t> first_bytes;

 private:
  errors::VerifyError error_;
};

TEST_F(VerifyBet, MapperGetsTheBetAndAFreshStreamAndItsErrorPassesThrough) {
  const auto mapper = std::make_shared<RecordingMapper>(
      errors::VerifyError::outcome_format("missing outcome.path"));
  gdp::GdpRegistry::instance().register_mapper("verifier-test-recording", mapper);
  BetInputs in;
  in.gdp_id = "verifier-test-recording";
  const Bet bet = honest_bet(in);

  EXPECT_EQ(error_of(bet), "deterministic mapping outcome format invalid: missing outcome.path");
  EXPECT_EQ(mapper->seen_receipt, &bet.receipt);
  EXPECT_EQ(mapper->seen_transcript, &bet.transcript);
  EXPECT_EQ(mapper->counter_at_entry, 0u);
  EXPECT_EQ(mapper->offset_at_entry, rng::EntropyStream::kBlockBytes);
  crypto::Digest entropy;
  std::copy(bet.transcript.rng_entropy.begin(), bet.transcript.rng_entropy.end(), entropy.begin());
  rng::EntropyStream expected_stream(entropy);
  std::vector<std::uint8_t> expected(8);
  expected_stream.fill_bytes(expected);
  EXPECT_EQ(mapper->first_bytes, expected);
}

TEST_F(VerifyBet, OutcomeMismatchDetailIsKept) {
  gdp::GdpRegistry::instance().register_mapper(
      "verifier-test-mismatch",
      std::make_shared<RecordingMapper>(
          errors::VerifyError::outcome_mismatch("bucket mismatch: derived 2 vs reported 3")));
  BetInputs in;
  in.gdp_id = "verifier-test-mismatch";
  EXPECT_EQ(error_of(honest_bet(in)),
            "deterministic mapping outcome mismatch: bucket mismatch: derived 2 vs reported 3");
}

}  // namespace
}  // namespace zt::verifier
