// zt-verify/bet_command.cpp: verifying one bet and explaining the verdict: every
// check the verifier makes, in its order, marked passed, failed or not run.
#include "bet_command.h"

#include <array>
#include <cstddef>
#include <optional>

#include "bet_documents.h"
#include "errors/verify_error.h"
#include "exit_code.h"
#include "ffi/c_text.h"
#include "json_output.h"
#include "read_file.h"
#include "verifier/verify_bet.h"

namespace zt::cli {
namespace {

// The verifier's checks in the order it makes them; the first failure ends it.
enum Check : std::size_t {
  kBetId,
  kCommitment,
  kBetLeaf,
  kMerkleProof,
  kServerSeed,
  kBeaconMix,
  kRngEntropy,
  kMapper,
  kOutcome,
  kCheckCount
};

constexpr std::array<const char*, kCheckCount> kCheckNames = {
    "bet_id",     "commitment",  "bet_leaf", "merkle_proof", "server_seed",
    "beacon_mix", "rng_entropy", "mapper",   "outcome"};

Check failed_check(errors::VerifyKind kind) {
  using errors::VerifyKind;
  switch (kind) {
    case VerifyKind::BetIdMismatch:
      return kBetId;
    case VerifyKind::MissingCommitment:
      return kCommitment;
    case VerifyKind::LeafMismatch:
      return kBetLeaf;
    case VerifyKind::MerkleProofFailed:
      return kMerkleProof;
    case VerifyKind::ServerSeedMismatch:
      return kServerSeed;
    case VerifyKind::BeaconMixMismatch:
      return kBeaconMix;
    case VerifyKind::EntropyMismatch:
      return kRngEntropy;
    case VerifyKind::MappingNotImplemented:
      return kMapper;
    case VerifyKind::OutcomeFormat:
    case VerifyKind::OutcomeMismatch:
      return kOutcome;
  }
  return kOutcome;
}

enum class Status { passed, failed, not_run, not_checked };

const char* status_name(Status status) {
  switch (status) {
    case Status::passed:
      return "passed";
    case Status::failed:
      return "failed";
    case Status::not_run:
      return "not_run";
    case Status::not_checked:
      return "not_checked";
  }
  return "not_run";
}

const char* status_column(Status status) {
  switch (status) {
    case Status::passed:
      return "  ok         ";
    case Status::failed:
      return "  FAILED     ";
    case Status::not_run:
      return "  not run    ";
    case Status::not_checked:
      return "  unchecked  ";
  }
  return "             ";
}

std::string shortened(std::string text, std::size_t limit) {
  if (text.size() > limit) text = text.substr(0, limit) + "...";
  return text;
}

// Everything a verdict report needs; filled in as far as the run got.
struct Report {
  int exit_code = kExitVerified;
  std::optional<std::string> stage;
  std::optional<std::string> message;
  std::optional<records::BetReceipt> receipt;
  std::optional<records::SettlementTranscript> transcript;
  std::vector<Registration> registrations;
  const Registration* mapper = nullptr;
  std::array<Status, kCheckCount> checks{};
  bool decoded = false;
};

std::string gdp_id_of(const Report& report) {
  if (!report.receipt || !report.receipt->commitment) return {};
  return report.receipt->commitment->gdp_id;
}

std::string check_label(const Report& report, Check check) {
  const std::string gdp_id = gdp_id_of(report);
  switch (check) {
    case kBetId:
      return "receipt and transcript name the same bet";
    case kCommitment:
      return "the receipt carries the bet commitment";
    case kBetLeaf:
      return "the commitment hashes to bet_leaf";
    case kMerkleProof:
      return "the Merkle proof (" + std::to_string(report.receipt->merkle_proof.size()) +
             " nodes) leads from bet_leaf to merkle_root";
    case kServerSeed:
      return "the revealed server seed hashes to server_seed_commit";
    case kBeaconMix:
      return "beacon_mix_id is the digest of the " +
             std::to_string(report.transcript->beacon_values.size()) + " beacon values";
    case kRngEntropy:
      return "rng_entropy follows from the seeds, the bet nonce and the beacon mix";
    case kMapper:
      if (report.mapper != nullptr) {
        return "a mapper is registered for " + gdp_id + ": " +
               describe_registration(*report.mapper);
      }
      return "a mapper is registered for the game " + gdp_id;
    case kOutcome:
      if (report.checks[kOutcome] == Status::not_checked) {
        return "the outcome: the no-op mapper of " + gdp_id + " accepts any outcome";
      }
      return "the reported outcome " + shortened(to_json(report.transcript->outcome.raw), 100) +
             " is the one the mapper derives";
    case kCheckCount:
      break;
  }
  return {};
}

void write_text(const Report& report, const BetOptions& options, std::ostream& out) {
  if (!report.decoded) {
    out << "ERROR  " << *report.message << "\n";
    return;
  }
  const records::BetReceipt& receipt = *report.receipt;
  std::string heading = "bet " + receipt.bet_id;
  if (receipt.commitment) heading += " (game " + receipt.commitment->gdp_id + ")";
  if (report.exit_code == kExitVerified) {
    out << "VERIFIED  " << heading;
    if (report.checks[kOutcome] == Status::not_checked) out << ", outcome not checked";
    out << "\n";
  } else {
    out << "FAILED  " << heading << ": " << *report.message << "\n";
  }
  out << "  receipt     " << options.receipt_file << "\n"
      << "  transcript  " << options.transcript_file << "\n";
  for (std::size_t i = 0; i < kCheckCount; ++i) {
    const Status status = report.checks[i];
    out << status_column(status) << check_label(report, static_cast<Check>(i)) << "\n";
    if (status == Status::failed) out << "             " << *report.message << "\n";
  }
}

void write_json(const Report& report, const BetOptions& options, std::ostream& out) {
  json::Array checks;
  if (report.decoded) {
    for (std::size_t i = 0; i < kCheckCount; ++i) {
      json::Object check;
      put(check, "name", kCheckNames[i]);
      put(check, "status", status_name(report.checks[i]));
      checks.emplace_back(std::move(check));
    }
  }
  std::optional<std::string> bet_id;
  std::optional<std::string> gdp_id;
  if (report.receipt) {
    bet_id = report.receipt->bet_id;
    if (report.receipt->commitment) gdp_id = report.receipt->commitment->gdp_id;
  }
  const char* verdict = report.exit_code == kExitVerified       ? "verified"
                        : report.exit_code == kExitVerifyFailed ? "failed"
                                                                : "error";
  json::Object result;
  put(result, "command", "bet");
  put(result, "exit_code", static_cast<std::uint64_t>(report.exit_code));
  put(result, "verdict", verdict);
  put(result, "stage", text_or_null(report.stage));
  put(result, "message", text_or_null(report.message));
  put(result, "receipt_file", options.receipt_file);
  put(result, "transcript_file", options.transcript_file);
  put(result, "bet_id", text_or_null(bet_id));
  put(result, "gdp_id", text_or_null(gdp_id));
  put(result, "checks", std::move(checks));
  put(result, "outcome_checked",
      report.exit_code == kExitVerified && report.checks[kOutcome] == Status::passed);
  put(result, "registrations", registrations_json(report.registrations));
  out << to_json(json::Value(std::move(result))) << "\n";
}

void fail(Report& report, int exit_code, std::string stage, std::string message) {
  report.exit_code = exit_code;
  report.stage = std::move(stage);
  report.message = std::move(message);
}

std::optional<std::string> read_document(const std::string& path, std::string& text) {
  auto bytes = read_file(path);
  if (!bytes) return std::move(bytes.error());
  if (!ffi::is_valid_utf8(*bytes)) return path + ": " + ffi::kNotUtf8;
  text = std::move(*bytes);
  return std::nullopt;
}

void run(const BetOptions& options, Report& report) {
  std::string receipt_json;
  std::string transcript_json;
  if (auto error = read_document(options.receipt_file, receipt_json)) {
    return fail(report, kExitBadInput, "input", std::move(*error));
  }
  if (auto error = read_document(options.transcript_file, transcript_json)) {
    return fail(report, kExitBadInput, "input", std::move(*error));
  }

  auto registrations = register_mappers(options.packages);
  if (!registrations) {
    const RegistrationFailure& failure = registrations.error();
    std::string message = failure.message;
    if (failure.file && failure.exit_code == kExitLoadFailed) {
      message = "package " + *failure.file + " did not register: " + message;
    }
    return fail(report, failure.exit_code,
                failure.exit_code == kExitBadInput ? "arguments" : "package", std::move(message));
  }
  report.registrations = std::move(*registrations);

  auto bet = decode_bet(receipt_json, transcript_json);
  if (!bet) {
    const char* stage = bet.error().stage == DecodeStage::receipt ? "receipt" : "transcript";
    return fail(report, kExitLoadFailed, stage, std::move(bet.error().message));
  }
  report.receipt = std::move(bet->receipt);
  report.transcript = std::move(bet->transcript);
  report.decoded = true;
  if (report.receipt->commitment) {
    report.mapper = registration_for(report.registrations, report.receipt->commitment->gdp_id);
  }

  auto verdict = verifier::verify_bet(*report.receipt, *report.transcript);
  const std::size_t failed = verdict ? kCheckCount : failed_check(verdict.error().kind);
  for (std::size_t i = 0; i < kCheckCount; ++i) {
    report.checks[i] = i < failed ? Status::passed : i == failed ? Status::failed : Status::not_run;
  }
  if (!verdict) {
    return fail(report, kExitVerifyFailed, "verification", verdict.error().message());
  }
  if (report.mapper != nullptr && !report.mapper->file)
    report.checks[kOutcome] = Status::not_checked;
}

}  // namespace

int run_bet(const BetOptions& options, std::ostream& out) {
  Report report;
  run(options, report);
  if (options.json) {
    write_json(report, options, out);
  } else {
    write_text(report, options, out);
  }
  return report.exit_code;
}

}  // namespace zt::cli
