// receipt_test.cpp: BetReceipt decoding: the sample in both forms, the documented
// examples with exact positions, every field kind's messages, defaults and the
// forms of a proof node's position.
#include <gtest/gtest.h>

#include <string>

#include "records/parse.h"
#include "sample_records.h"

namespace zt::records {
namespace {

using test::dump;
using test::kReceipt;
using test::kReceiptAsArrays;

std::string error_of(std::string_view text) {
  const auto receipt = parse_bet_receipt(text);
  return receipt ? "<decoded>" : receipt.error().message();
}

// " at line 1 column N" for the index just after the last occurrence of |token|.
std::string after(std::string_view text, std::string_view token) {
  return " at line 1 column " + std::to_string(text.rfind(token) + token.size());
}

// The required fields, then |extra| members.
std::string receipt_with(std::string_view extra) {
  return R"({"version":"1","bet_id":"b","bet_leaf":"11","merkle_root":"55","operator_sig":"s")" +
         std::string(extra) + "}";
}

// A receipt whose commitment has the required fields with |name| set to |value|
// (added when it is not one of them).
std::string commitment_where(std::string_view name, std::string_view value) {
  const std::pair<std::string_view, std::string_view> fields[] = {{"session_id", R"("s")"},
                                                                  {"bet_nonce", "1"},
                                                                  {"stake", R"("1")"},
                                                                  {"gdp_id", R"("g")"},
                                                                  {"rng_id", R"("r")"},
                                                                  {"rng_params_commit", R"("")"},
                                                                  {"server_seed_commit", R"("")"},
                                                                  {"beacon_plan_id", R"("p")"},
                                                                  {"timestamp_ms", "2"}};
  std::string members;
  bool replaced = false;
  for (const auto& [field_name, field_value] : fields) {
    const bool is_it = field_name == name;
    replaced |= is_it;
    members += ",\"" + std::string(field_name) + "\":" + std::string(is_it ? value : field_value);
  }
  if (!replaced) members += ",\"" + std::string(name) + "\":" + std::string(value);
  return receipt_with(R"(,"commitment":{)" + members.substr(1) + "}");
}

TEST(Receipt, SampleDecodesInObjectAndArrayForm) {
  const auto receipt = parse_bet_receipt(kReceipt);
  ASSERT_TRUE(receipt.has_value()) << receipt.error().message();
  EXPECT_EQ(dump(*receipt),
            "1|bet-1|s1,7,10.00,plinko-8,hkdf-sha256,00ff,abcdef,c0ffee,plan,1700000000000|11|"
            "22L,33R,44L,|55|3|sig");
  const auto arrays = parse_bet_receipt(kReceiptAsArrays);
  ASSERT_TRUE(arrays.has_value()) << arrays.error().message();
  EXPECT_EQ(dump(*arrays), dump(*receipt));
}

TEST(Receipt, DocumentedExamples) {
  const std::string valid(kReceipt);
  struct Case {
    std::string input;
    std::string message;
  };
  const Case cases[] = {
      {"{}", "missing field `version` at line 1 column 2"},
      {R"({"version":"1","bet_id":5})",
       "invalid type: integer `5`, expected a string at line 1 column 25"},
      {R"({"version":"1","bet_id":[]})",
       "invalid type: sequence, expected a string at line 1 column 24"},
      {R"({"bet_id":"a","bet_id":"b"})", "duplicate field `bet_id` at line 1 column 22"},
      {valid + " x", "trailing characters at line 1 column " + std::to_string(valid.size() + 2)},
      {R"(["1","b"])",
       "invalid length 3, expected struct BetReceipt with 8 elements at line 1 column 9"},
      {"5", "invalid type: integer `5`, expected struct BetReceipt at line 1 column 1"},
      {"", "EOF while parsing a value at line 1 column 0"},
      {R"({"version":"1")", "EOF while parsing an object at line 1 column 14"},
      {R"({"version":"1",)", "EOF while parsing a value at line 1 column 15"},
      {std::string(200, '['), "invalid type: sequence, expected a string at line 1 column 1"},
      {R"({"note":)" + std::string(200, '['), "recursion limit exceeded at line 1 column 135"},
      {R"({"version":"1","bet_id":"b","bet_leaf":"abc")",
       "hex string must have even length at line 1 column 44"},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(c.input), c.message) << c.input;
}

TEST(Receipt, UnknownKeysAreIgnored) {
  const auto plain = parse_bet_receipt(receipt_with(""));
  ASSERT_TRUE(plain.has_value());
  for (const char* note :
       {"null", "5", "\"x\"", "[1,{\"a\":[]}]", "{\"version\":5}", "1e400", "\"\\uD800\""}) {
    const std::string text = receipt_with(std::string(",\"note\":") + note);
    const auto noted = parse_bet_receipt(text);
    ASSERT_TRUE(noted.has_value()) << text << ": " << noted.error().message();
    EXPECT_EQ(dump(*noted), dump(*plain)) << note;
  }
}

TEST(Receipt, DefaultsAndAbsentFields) {
  const auto minimal = parse_bet_receipt(receipt_with(""));
  ASSERT_TRUE(minimal.has_value());
  EXPECT_FALSE(minimal->commitment.has_value());
  EXPECT_TRUE(minimal->merkle_proof.empty());
  EXPECT_FALSE(minimal->root_index.has_value());

  const auto nulls = parse_bet_receipt(receipt_with(R"(,"commitment":null,"root_index":null)"));
  ASSERT_TRUE(nulls.has_value());
  EXPECT_FALSE(nulls->commitment.has_value());
  EXPECT_FALSE(nulls->root_index.has_value());

  const auto seedless = parse_bet_receipt(commitment_where("client_seed", "null"));
  ASSERT_TRUE(seedless.has_value()) << seedless.error().message();
  ASSERT_TRUE(seedless->commitment.has_value());
  EXPECT_FALSE(seedless->commitment->client_seed.has_value());
  EXPECT_TRUE(seedless->commitment->rng_params_commit.empty());

  const auto node = parse_bet_receipt(receipt_with(R"(,"merkle_proof":[{"hash":"aa"}])"));
  ASSERT_TRUE(node.has_value());
  ASSERT_EQ(node->merkle_proof.size(), 1u);
  EXPECT_EQ(node->merkle_proof[0].position, ProofPosition::right);
}

TEST(Receipt, FieldKindMessages) {
  struct Case {
    std::string_view name;
    std::string text;
    std::string message;     // without the position
    std::string_view token;  // the error is reported just after its last occurrence
  };
  const Case cases[] = {
      {"proof_null", receipt_with(R"(,"merkle_proof":null)"),
       "invalid type: null, expected a sequence", "null"},
      {"proof_object", receipt_with(R"(,"merkle_proof":{})"),
       "invalid type: map, expected a sequence", "\"merkle_proof\":"},
      {"node_string", receipt_with(R"(,"merkle_proof":["aa"])"),
       "invalid type: string \"aa\", expected struct MerkleProofNode", "\"aa\""},
      {"commitment_number", receipt_with(R"(,"commitment":5)"),
       "invalid type: integer `5`, expected struct BetCommitment", "5"},
      {"nonce_negative", commitment_where("bet_nonce", "-1"),
       "invalid value: integer `-1`, expected u64", "-1"},
      {"nonce_string", commitment_where("bet_nonce", R"("7")"),
       "invalid type: string \"7\", expected u64", "\"7\""},
      {"nonce_float", commitment_where("bet_nonce", "7.0"),
       "invalid type: floating point `7.0`, expected u64", "7.0"},
      {"nonce_beyond_u64", commitment_where("bet_nonce", "18446744073709551616"),
       "invalid type: floating point `1.8446744073709552e19`, expected u64", "551616"},
      {"nonce_beyond_double", commitment_where("bet_nonce", "1e400"), "number out of range",
       "1e400"},
      {"nonce_bool", commitment_where("bet_nonce", "true"),
       "invalid type: boolean `true`, expected u64", "true"},
      {"stake_number", commitment_where("stake", "10"),
       "invalid type: integer `10`, expected a string", "10"},
      {"root_index_negative", receipt_with(R"(,"root_index":-3)"),
       "invalid value: integer `-3`, expected u64", "-3"},
      {"leaf_number", R"({"version":"1","bet_id":"b","bet_leaf":12})",
       "invalid type: integer `12`, expected a lowercase hex string", "12"},
      {"leaf_object", R"({"version":"1","bet_id":"b","bet_leaf":{}})",
       "invalid type: map, expected a lowercase hex string", "\"bet_leaf\":"},
      {"leaf_null", R"({"version":"1","bet_id":"b","bet_leaf":null})",
       "invalid type: null, expected a lowercase hex string", "null"},
      {"seed_number", commitment_where("client_seed", "1"),
       "invalid type: integer `1`, expected a lowercase hex string", "1"},
      {"seed_odd", commitment_where("client_seed", R"("abc")"), "hex string must have even length",
       "\"abc\""},
      {"duplicate_in_commitment", commitment_where("stake", R"("2","stake":"3")"),
       "duplicate field `stake`", "\"stake\""},
      {"missing_in_commitment", receipt_with(R"(,"commitment":{"session_id":"s"})"),
       "missing field `bet_nonce`", "\"s\"}"},
      {"missing_in_declared_order", R"({"operator_sig":"s","merkle_root":"55"})",
       "missing field `version`", "}"},
      {"missing_leaf", R"({"version":"1","bet_id":"b","merkle_root":"55","operator_sig":"s"})",
       "missing field `bet_leaf`", "}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(error_of(c.text), c.message + after(c.text, c.token)) << c.name << ": " << c.text;
  }
}

TEST(Receipt, ContainerErrorsAreReportedBeforeTheBracket) {
  const std::string text = "{\"version\":\n[]}";
  EXPECT_EQ(error_of(text), "invalid type: sequence, expected a string at line 2 column 0");
  EXPECT_EQ(error_of("{\n  \"version\": \"1\",\n  \"bet_id\": 5\n}"),
            "invalid type: integer `5`, expected a string at line 3 column 13");
  EXPECT_EQ(error_of("{\"bet_id\":\"a\",\"bet_id\"  \n :\"b\"}"),
            "duplicate field `bet_id` at line 2 column 1");
}

TEST(Receipt, ProofPositionForms) {
  const auto position_of = [](std::string_view position) -> std::string {
    const std::string text =
        receipt_with(R"(,"merkle_proof":[{"hash":"aa","position":)" + std::string(position) + "}]");
    const auto receipt = parse_bet_receipt(text);
    if (!receipt) return receipt.error().message();
    return receipt->merkle_proof[0].position == ProofPosition::left ? "left" : "right";
  };
  EXPECT_EQ(position_of(R"("left")"), "left");
  EXPECT_EQ(position_of(R"("right")"), "right");
  EXPECT_EQ(position_of(R"({"left":null})"), "left");
  EXPECT_EQ(position_of(R"( { "right" : null } )"), "right");

  // at(k): k bytes into the position value.
  const std::size_t base = receipt_with(R"(,"merkle_proof":[{"hash":"aa","position":)").size() - 1;
  const auto at = [&](std::size_t offset) {
    return " at line 1 column " + std::to_string(base + offset);
  };
  struct Case {
    std::string_view position;
    std::string message;
  };
  const Case cases[] = {
      {R"("Left")", "unknown variant `Left`, expected `left` or `right`" + at(6)},
      {R"("")", "unknown variant ``, expected `left` or `right`" + at(2)},
      {"5", "expected value" + at(1)},
      {"null", "expected value" + at(1)},
      {"[]", "expected value" + at(1)},
      {"-x", "expected value" + at(1)},
      {"01", "expected value" + at(1)},
      {R"({"Left":null})", "unknown variant `Left`, expected `left` or `right`" + at(7)},
      {R"({"left":5})", "invalid type: integer `5`, expected unit" + at(9)},
      {R"({"left":"x"})", "invalid type: string \"x\", expected unit" + at(11)},
      {R"({"left":[]})", "invalid type: sequence, expected unit" + at(8)},
      {"{}", "expected value" + at(2)},
      {R"({"left":null,"right":null})", "expected value" + at(12)},
      {R"({"left":null ,"bad\q":1})", "expected value" + at(13)},
      {R"({"left" null})", "expected `:`" + at(9)},
      {R"("\uD800")", "unexpected end of hex escape" + at(8)},
  };
  for (const Case& c : cases) EXPECT_EQ(position_of(c.position), c.message) << c.position;
  std::string unterminated =
      receipt_with(R"(,"merkle_proof":[{"hash":"aa","position":{"left":null)");
  unterminated.pop_back();
  EXPECT_EQ(error_of(unterminated),
            "EOF while parsing an object at line 1 column " + std::to_string(base + 12));
}

TEST(Receipt, ArrayForms) {
  struct Case {
    std::string_view name;
    std::string_view text;
    std::string_view result;
  };
  const Case cases[] = {
      {"defaults_cut_off", R"(["1","b",null,"11"])",
       "invalid length 5, expected struct BetReceipt with 8 elements at line 1 column 19"},
      {"root_index_is_a_position", R"(["1","b",null,"11",[],"55"])",
       "invalid length 6, expected struct BetReceipt with 8 elements at line 1 column 27"},
      {"empty", "[]",
       "invalid length 0, expected struct BetReceipt with 8 elements at line 1 column 2"},
      {"one_too_many", R"(["1","b",null,"11",[],"55",null,"s",5])",
       "trailing characters at line 1 column 37"},
      {"one_too_many_container", R"(["1","b",null,"11",[],"55",null,"s",[1,)",
       "trailing characters at line 1 column 37"},
      {"one_too_many_broken", R"(["1","b",null,"11",[],"55",null,"s","\q)",
       "trailing characters at line 1 column 37"},
      {"comma_then_end", R"(["1","b",null,"11",[],"55",null,"s",])",
       "trailing comma at line 1 column 37"},
      {"comma_then_eof", R"(["1","b",null,"11",[],"55",null,"s",)",
       "trailing characters at line 1 column 36"},
      {"short_commitment", R"(["1","b",["s",1,"1","g","r","","",null],"11",[],"55",null,"s"])",
       "invalid length 8, expected struct BetCommitment with 10 elements at line 1 column 39"},
      {"seed_is_a_position", R"(["1","b",["s",1,"1","g","r","",""],"11",[],"55",null,"s"])",
       "invalid length 7, expected struct BetCommitment with 10 elements at line 1 column 34"},
      {"short_node", R"(["1","b",null,"11",[[]],"55",null,"s"])",
       "invalid length 0, expected struct MerkleProofNode with 2 elements at line 1 column 22"},
      {"node_with_position_cut_off", R"(["1","b",null,"11",[["aa"]],"55",null,"s"])", "<decoded>"},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(c.text), c.result) << c.name;
}

}  // namespace
}  // namespace zt::records
