// sample_records.h: a valid receipt and transcript for the record tests, and a
// dump of decoded records that makes two decodings comparable as text.
#pragma once

#include <string>
#include <string_view>

#include "json/parse_value.h"
#include "records/records.h"

namespace zt::records::test {

// Every field present, a proof with all three position forms.
inline constexpr std::string_view kReceipt =
    R"({"version":"1","bet_id":"bet-1","commitment":{"session_id":"s1","bet_nonce":7,)"
    R"("stake":"10.00","gdp_id":"plinko-8","rng_id":"hkdf-sha256","rng_params_commit":"00ff",)"
    R"("server_seed_commit":"ABCDEF","client_seed":"c0ffee","beacon_plan_id":"plan",)"
    R"("timestamp_ms":1700000000000},"bet_leaf":"11","merkle_proof":[{"hash":"22",)"
    R"("position":"left"},{"hash":"33"},["44",{"left":null}]],"merkle_root":"55",)"
    R"("root_index":3,"operator_sig":"sig"})";

// The same receipt with every record in array form.
inline constexpr std::string_view kReceiptAsArrays =
    R"(["1","bet-1",["s1",7,"10.00","plinko-8","hkdf-sha256","00ff","ABCDEF","c0ffee",)"
    R"("plan",1700000000000],"11",[["22","left"],["33"],["44",{"left":null}]],"55",3,"sig"])";

inline constexpr std::string_view kTranscript =
    R"({"bet_id":"bet-1","server_seed_plain":"aa","beacon_values":{"b":"01","a":"02"},)"
    R"("beacon_mix_id":"bb","rng_entropy":"cc","outcome":{"raw":{"path":[0,1],"bucket":1},)"
    R"("payout":"2.0","aux":[1]},"operator_sig":"sig"})";

inline std::string hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

inline std::string dump(const json::Value& value) {
  if (value.is_array()) {
    std::string out = "[";
    for (const auto& element : value.as_array()) out += dump(element) + ",";
    return out + "]";
  }
  if (value.is_object()) {
    std::string out = "{";
    for (const auto& [key, member] : value.as_object()) out += key + ":" + dump(member) + ",";
    return out + "}";
  }
  return json::describe_found(value);
}

inline std::string dump(const BetReceipt& r) {
  std::string out = r.version + "|" + r.bet_id + "|";
  if (r.commitment) {
    const BetCommitment& c = *r.commitment;
    out += c.session_id + "," + std::to_string(c.bet_nonce) + "," + c.stake + "," + c.gdp_id + "," +
           c.rng_id + "," + hex(c.rng_params_commit) + "," + hex(c.server_seed_commit) + "," +
           (c.client_seed ? hex(*c.client_seed) : "-") + "," + c.beacon_plan_id + "," +
           std::to_string(c.timestamp_ms);
  } else {
    out += "-";
  }
  out += "|" + hex(r.bet_leaf) + "|";
  for (const MerkleProofNode& node : r.merkle_proof) {
    out += hex(node.hash) + (node.position == ProofPosition::left ? "L" : "R") + ",";
  }
  out += "|" + hex(r.merkle_root) + "|" + (r.root_index ? std::to_string(*r.root_index) : "-") +
         "|" + r.operator_sig;
  return out;
}

inline std::string dump(const SettlementTranscript& t) {
  std::string out = t.bet_id + "|" + hex(t.server_seed_plain) + "|";
  for (const auto& [name, bytes] : t.beacon_values) out += name + "=" + hex(bytes) + ",";
  out += "|" + hex(t.beacon_mix_id) + "|" + hex(t.rng_entropy) + "|" + dump(t.outcome.raw) + "|" +
         t.outcome.payout + "|" + (t.outcome.aux.present ? "aux" : "-") + "|" + t.operator_sig;
  return out;
}

}  // namespace zt::records::test
