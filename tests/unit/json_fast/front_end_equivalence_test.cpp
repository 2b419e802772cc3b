// front_end_equivalence_test.cpp: the fast decoding front end either hands a
// document over or builds exactly the precise decoder's record. Checked on every
// generated bet fixture, on targeted edits of plain documents (each of the things
// that must be handed over, and ordinary variations that must not change the
// record), and on every single-byte substitution of plain documents.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "bet_rows.h"
#include "records/parse.h"
#include "sample_records.h"

namespace zt::records {
namespace {

using front_ends::fast_bet_receipt;
using front_ends::fast_settlement_transcript;
using front_ends::precise_bet_receipt;
using front_ends::precise_settlement_transcript;

// A receipt and transcript with every record as an object and no escapes: the
// common form that the fast path takes.
constexpr std::string_view kPlainReceipt =
    R"({"version":"1","bet_id":"bet-1","commitment":{"session_id":"s1","bet_nonce":7,)"
    R"("stake":"10.00","gdp_id":"plinko-8","rng_id":"zt-vl-1.0-A","rng_params_commit":"00ff",)"
    R"("server_seed_commit":"ABCDEF","client_seed":"c0ffee","beacon_plan_id":"plan",)"
    R"("timestamp_ms":1700000000000},"bet_leaf":"11","merkle_proof":[{"hash":"22",)"
    R"("position":"left"},{"hash":"33","position":"right"},{"hash":"44"}],"merkle_root":"55",)"
    R"("root_index":3,"operator_sig":"sig"})";
constexpr std::string_view kPlainTranscript = test::kTranscript;

// Whether the fast path took |text|; when it did, its record must be the precise one.
template <class Fast, class Precise>
bool equivalent(std::string_view text, std::string_view what, Fast fast_decode,
                Precise precise_decode) {
  const auto fast = fast_decode(text);
  if (!fast) return false;
  const auto precise = precise_decode(text);
  EXPECT_TRUE(precise.has_value())
      << "fast path took a " << what << " the precise decoder rejects ("
      << (precise ? "" : precise.error().text) << "): " << text;
  if (precise) {
    EXPECT_TRUE(*fast == *precise) << text;
    EXPECT_EQ(test::dump(*fast), test::dump(*precise)) << text;
  }
  return true;
}

bool receipt_equivalent(std::string_view text) {
  return equivalent(text, "receipt", fast_bet_receipt, precise_bet_receipt);
}

bool transcript_equivalent(std::string_view text) {
  return equivalent(text, "transcript", fast_settlement_transcript, precise_settlement_transcript);
}

std::string replaced(std::string_view text, std::string_view from, std::string_view to) {
  std::string out(text);
  const std::size_t at = out.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) out.replace(at, from.size(), to);
  return out;
}

std::string nested(std::size_t depth, std::string_view inner) {
  return std::string(depth, '[') + std::string(inner) + std::string(depth, ']');
}

TEST(FrontEndEquivalence, PlainDocumentsTakeTheFastPath) {
  EXPECT_TRUE(receipt_equivalent(kPlainReceipt));
  EXPECT_TRUE(transcript_equivalent(kPlainTranscript));
  // Whitespace between tokens, as pretty printers write it.
  EXPECT_TRUE(receipt_equivalent(" {\n  \"version\" : \"1\"," +
                                 std::string(kPlainReceipt.substr(15)) + "\r\n\t"));
}

TEST(FrontEndEquivalence, EveryBetFixture) {
  const auto rows = zt::test::load_bet_rows(std::string(ZT_FIXTURES_DIR) + "/bets.tsv");
  ASSERT_GT(rows.size(), 100u);
  ASSERT_NE(rows.front().code, -1) << rows.front().message;
  std::size_t taken = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    taken += receipt_equivalent(row.receipt);
    taken += transcript_equivalent(row.transcript);
  }
  // Most honest fixtures are plain; a fast path that takes nothing proves nothing.
  EXPECT_GT(taken, rows.size());
}

// The record tests' samples (records in every form) and the bundled examples.
TEST(FrontEndEquivalence, SamplesAndExamples) {
  receipt_equivalent(test::kReceipt);
  receipt_equivalent(test::kReceiptAsArrays);
  std::size_t examples = 0;
  std::size_t taken = 0;
  for (const auto& entry : std::filesystem::directory_iterator(ZT_EXAMPLES_DIR)) {
    const std::string name = entry.path().filename().string();
    const bool receipt = name.ends_with(".receipt.json");
    if (!receipt && !name.ends_with(".transcript.json")) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    SCOPED_TRACE(name);
    taken += receipt ? receipt_equivalent(text) : transcript_equivalent(text);
    ++examples;
  }
  EXPECT_GE(examples, 20u);
  EXPECT_GT(taken, 0u);
}

struct Edit {
  const char* what;
  const char* from;
  std::string to;
  bool taken;  // whether the fast path may take the edited document
};

TEST(FrontEndEquivalence, ReceiptEdits) {
  const Edit edits[] = {
      {"zero nonce", R"("bet_nonce":7)", R"("bet_nonce":0)", true},
      {"largest nonce", R"("bet_nonce":7)", R"("bet_nonce":18446744073709551615)", true},
      {"nonce beyond u64", R"("bet_nonce":7)", R"("bet_nonce":18446744073709551616)", false},
      {"minus zero nonce", R"("bet_nonce":7)", R"("bet_nonce":-0)", false},
      {"negative nonce", R"("bet_nonce":7)", R"("bet_nonce":-7)", false},
      {"fractional nonce", R"("bet_nonce":7)", R"("bet_nonce":7.0)", false},
      {"exponent nonce", R"("bet_nonce":7)", R"("bet_nonce":7e0)", false},
      {"nonce as string", R"("bet_nonce":7)", R"("bet_nonce":"7")", false},
      {"root index null", R"("root_index":3)", R"("root_index":null)", true},
      {"root index zero", R"("root_index":3)", R"("root_index":0)", true},
      {"root index minus zero", R"("root_index":3)", R"("root_index":-0)", false},
      {"root index missing", R"("root_index":3,)", "", true},
      {"client seed null", R"("client_seed":"c0ffee")", R"("client_seed":null)", true},
      {"client seed empty", R"("client_seed":"c0ffee")", R"("client_seed":"")", true},
      {"client seed missing", R"("client_seed":"c0ffee",)", "", true},
      {"commitment null", R"("commitment":{)", R"("commitment":null,"x":{)", true},
      {"proof empty", R"("merkle_proof":[)", R"("merkle_proof":[],"x":[)", true},
      {"proof null", R"("merkle_proof":[)", R"("merkle_proof":null,"x":[)", false},
      {"position as object", R"("position":"left")", R"("position":{"left":null})", false},
      {"unknown position", R"("position":"left")", R"("position":"middle")", false},
      {"hex odd length", R"("bet_leaf":"11")", R"("bet_leaf":"111")", false},
      {"hex not hex", R"("bet_leaf":"11")", R"("bet_leaf":"1g")", false},
      {"hex upper case", R"("bet_leaf":"11")", R"("bet_leaf":"AB")", true},
      {"duplicate field", R"({"version":"1",)", R"({"version":"1","version":"1",)", false},
      {"required field missing", R"("bet_leaf":"11",)", "", false},
      {"unknown member", R"({"version":"1",)", R"({"extra":{"a":[1,-0,2.5,null]},"version":"1",)",
       true},
      {"unknown member nested 30 deep", R"({"version":"1",)",
       R"({"extra":)" + nested(30, "1") + R"(,"version":"1",)", true},
      {"unknown member nested 126 deep", R"({"version":"1",)",
       R"({"extra":)" + nested(126, "1") + R"(,"version":"1",)", false},
      {"unknown member nested 127 deep", R"({"version":"1",)",
       R"({"extra":)" + nested(127, "1") + R"(,"version":"1",)", false},
      {"escaped text", R"("bet_id":"bet-1")", R"("bet_id":"bet\u002d1")", false},
      {"non-ASCII text", R"("bet_id":"bet-1")", "\"bet_id\":\"b\xC3\xA9t\"", true},
      {"invalid UTF-8", R"("bet_id":"bet-1")", "\"bet_id\":\"b\xC3t\"", false},
      {"control character", R"("bet_id":"bet-1")", "\"bet_id\":\"b\x01t\"", false},
      {"trailing garbage", R"("operator_sig":"sig"})", R"("operator_sig":"sig"} x)", false},
      {"second document", R"("operator_sig":"sig"})", R"("operator_sig":"sig"} {})", false},
      {"byte order mark", R"({"version")", "\xEF\xBB\xBF{\"version\"", false},
  };
  for (const Edit& edit : edits) {
    const std::string text = replaced(kPlainReceipt, edit.from, edit.to);
    const bool taken = receipt_equivalent(text);
    EXPECT_EQ(taken, edit.taken) << edit.what;
  }
}

TEST(FrontEndEquivalence, TranscriptEdits) {
  const char* raw = R"("raw":{"path":[0,1],"bucket":1})";
  const Edit edits[] = {
      {"raw minus zero", raw, R"("raw":-0)", false},
      {"raw minus zero point zero", raw, R"("raw":-0.0)", true},
      {"raw zeros", raw, R"("raw":[0,-0.0,0.0,-0e1,"-01"])", true},
      {"raw zero beside minus zero", raw, R"("raw":[0,-0])", false},
      {"raw numbers", raw, R"("raw":[1,-1,1.5,1e2,-9223372036854775808,18446744073709551615])",
       true},
      {"raw below i64", raw, R"("raw":-9223372036854775809)", false},
      {"raw beyond u64", raw, R"("raw":18446744073709551616)", false},
      {"raw tiny", raw, R"("raw":[1e-400,-1e-400])", true},
      {"raw huge", raw, R"("raw":1e400)", false},
      {"raw literals", raw, R"("raw":[true,false,null,"",{}])", true},
      {"raw duplicate key", raw, R"("raw":{"a":1,"a":2})", true},
      {"raw nested 20 deep", raw, R"("raw":)" + nested(20, "{}"), true},
      {"raw nested 126 deep", raw, R"("raw":)" + nested(126, "0"), false},
      {"raw missing", R"("raw":{"path":[0,1],"bucket":1},)", "", false},
      {"raw null", raw, R"("raw":null)", true},
      {"aux null", R"("aux":[1])", R"("aux":null)", true},
      {"aux missing", R"(,"aux":[1])", "", true},
      {"beacon duplicate", R"({"b":"01","a":"02"})", R"({"b":"01","a":"02","b":"03"})", true},
      {"beacon duplicate bad hex", R"({"b":"01","a":"02"})", R"({"b":"0","a":"02","b":"03"})",
       false},
      {"beacons empty", R"({"b":"01","a":"02"})", "{}", true},
      {"beacons as array", R"({"b":"01","a":"02"})", R"(["01"])", false},
      {"beacon key non-ASCII", R"({"b":"01","a":"02"})", "{\"\xC3\xA9\":\"01\"}", true},
      {"payout as number", R"("payout":"2.0")", R"("payout":2.0)", false},
      {"outcome as array",
       R"("outcome":{"raw":{"path":[0,1],"bucket":1},"payout":"2.0","aux":[1]})",
       R"("outcome":[1,"2.0"])", false},
  };
  for (const Edit& edit : edits) {
    const std::string text = replaced(kPlainTranscript, edit.from, edit.to);
    const bool taken = transcript_equivalent(text);
    EXPECT_EQ(taken, edit.taken) << edit.what;
  }
}

// Every byte of a plain document replaced in turn by bytes that change its
// structure, numbers, strings and literals.
TEST(FrontEndEquivalence, EverySingleByteSubstitution) {
  const std::string replacements[] = {std::string(1, '\0'),
                                      "\"",
                                      "\\",
                                      "[",
                                      "]",
                                      "{",
                                      "}",
                                      ",",
                                      ":",
                                      " ",
                                      "-",
                                      "0",
                                      "9",
                                      ".",
                                      "e",
                                      "n",
                                      "t",
                                      "\xFF",
                                      "\x7F"};
  std::size_t taken = 0;
  for (const std::string_view document : {kPlainReceipt, kPlainTranscript}) {
    for (std::size_t i = 0; i < document.size(); ++i) {
      for (const std::string& replacement : replacements) {
        std::string text(document);
        text.replace(i, 1, replacement);
        taken += document == kPlainReceipt ? receipt_equivalent(text) : transcript_equivalent(text);
      }
    }
  }
  EXPECT_GT(taken, 0u);
}

}  // namespace
}  // namespace zt::records
