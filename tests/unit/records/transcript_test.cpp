// transcript_test.cpp: SettlementTranscript decoding: beacon values, the outcome's
// JSON values, missing fields in declared order, nesting through the outcome.
#include <gtest/gtest.h>

#include <string>

#include "records/parse.h"
#include "sample_records.h"

namespace zt::records {
namespace {

using test::dump;
using test::kTranscript;

std::string error_of(std::string_view text) {
  const auto transcript = parse_settlement_transcript(text);
  return transcript ? "<decoded>" : transcript.error().message();
}

std::string transcript_with_outcome(std::string_view outcome) {
  return R"({"bet_id":"b","server_seed_plain":"aa","beacon_values":{},"beacon_mix_id":"bb",)"
         R"("rng_entropy":"cc","outcome":)" +
         std::string(outcome) + R"(,"operator_sig":"s"})";
}

TEST(Transcript, SampleDecodes) {
  const auto transcript = parse_settlement_transcript(kTranscript);
  ASSERT_TRUE(transcript.has_value()) << transcript.error().message();
  EXPECT_EQ(dump(*transcript),
            "bet-1|aa|a=02,b=01,|bb|cc|{bucket:integer `1`,path:[integer `0`,integer `1`,],}|2.0|"
            "aux|sig");
}

TEST(Transcript, BeaconValuesAreOrderedByKeyAndTheLastDuplicateWins) {
  const auto transcript = parse_settlement_transcript(
      R"({"bet_id":"b","server_seed_plain":"","beacon_values":{"b":"01","a":"02","a":"03","":"","ab":"AB"},)"
      R"("beacon_mix_id":"","rng_entropy":"","outcome":{"raw":null,"payout":""},"operator_sig":""})");
  ASSERT_TRUE(transcript.has_value()) << transcript.error().message();
  std::string entries;
  for (const auto& [name, bytes] : transcript->beacon_values)
    entries += name + "=" + test::hex(bytes) + ";";
  EXPECT_EQ(entries, "=;a=03;ab=ab;b=01;");
}

TEST(Transcript, OutcomeForms) {
  const auto minimal =
      parse_settlement_transcript(transcript_with_outcome(R"({"raw":null,"payout":"0"})"));
  ASSERT_TRUE(minimal.has_value()) << minimal.error().message();
  EXPECT_TRUE(minimal->outcome.raw.is_null());
  EXPECT_FALSE(minimal->outcome.aux.present);

  const auto aux_null =
      parse_settlement_transcript(transcript_with_outcome(R"({"raw":1,"payout":"0","aux":null})"));
  ASSERT_TRUE(aux_null.has_value());
  EXPECT_FALSE(aux_null->outcome.aux.present);

  const auto arrays =
      parse_settlement_transcript(transcript_with_outcome(R"([{"stops":[1,-2]},"9"])"));
  ASSERT_TRUE(arrays.has_value()) << arrays.error().message();
  EXPECT_EQ(test::dump(arrays->outcome.raw), "{stops:[integer `1`,integer `-2`,],}");
  EXPECT_EQ(arrays->outcome.payout, "9");
  EXPECT_FALSE(arrays->outcome.aux.present);
}

TEST(Transcript, Errors) {
  const std::string prefix = transcript_with_outcome("");
  const std::size_t outcome_at = prefix.find(",\"operator_sig\"");  // where the outcome begins
  const auto at = [&](std::size_t offset) {
    return " at line 1 column " + std::to_string(outcome_at + offset);
  };
  struct Case {
    std::string_view name;
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {"missing_in_declared_order",
       R"({"bet_id":"b","server_seed_plain":"aa","beacon_values":{},"outcome":{"raw":1,"payout":"1"},"operator_sig":"s"})",
       "missing field `beacon_mix_id` at line 1 column 110"},
      {"beacon_values_null", R"({"bet_id":"b","server_seed_plain":"aa","beacon_values":null})",
       "invalid type: null, expected a map at line 1 column 59"},
      {"beacon_values_array", R"({"bet_id":"b","server_seed_plain":"aa","beacon_values":[]})",
       "invalid type: sequence, expected a map at line 1 column 55"},
      {"beacon_value_not_hex",
       R"({"bet_id":"b","server_seed_plain":"aa","beacon_values":{"a":"xy"}})",
       "invalid hex string at line 1 column 64"},
      {"beacon_value_number", R"({"bet_id":"b","server_seed_plain":"aa","beacon_values":{"a":1}})",
       "invalid type: integer `1`, expected a lowercase hex string at line 1 column 61"},
      {"beacon_key_lone_surrogate",
       R"({"bet_id":"b","server_seed_plain":"aa","beacon_values":{"\uDC00":"01"}})",
       "lone leading surrogate in hex escape at line 1 column 63"},
      {"outcome_missing_raw", transcript_with_outcome(R"({"payout":"0"})"),
       "missing field `raw`" + at(14)},
      {"outcome_string", transcript_with_outcome(R"("x")"),
       "invalid type: string \"x\", expected struct SettlementOutcome" + at(3)},
      {"outcome_short_array", transcript_with_outcome("[null]"),
       "invalid length 1, expected struct SettlementOutcome with 3 elements" + at(6)},
      {"raw_beyond_double", transcript_with_outcome(R"({"raw":[1e400],"payout":"0"})"),
       "number out of range" + at(13)},
      {"raw_invalid_utf8", transcript_with_outcome("{\"raw\":\"\xFF\",\"payout\":\"0\"}"),
       "invalid unicode code point" + at(10)},
      {"payout_number", transcript_with_outcome(R"({"raw":null,"payout":2.5})"),
       "invalid type: floating point `2.5`, expected a string" + at(24)},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(c.text), c.message) << c.name;
}

// aux is not kept, but it must decode or fail exactly as raw does: "aux" and "raw"
// have the same length, so swapping them keeps every position.
TEST(Transcript, AuxIsCheckedLikeAKeptValue) {
  const std::string values[] = {
      R"({"a":[1,-2,3.5,"x",true,null,{}]})",
      "\"\xFF\"",
      "{\"\xC3\":1}",
      R"("\uD800")",
      R"(["\uDC00"])",
      R"({"a":{"b":1e400}})",
      R"([1,])",
      R"({"a" 1})",
      R"([01])",
      R"(-)",
      R"(["a)",
      std::string(124, '[') + std::string(124, ']'),
      std::string(125, '[') + std::string(125, ']'),
  };
  for (const std::string& value : values) {
    const auto aux_result = parse_settlement_transcript(
        transcript_with_outcome(R"({"raw":null,"payout":"0","aux":)" + value + "}"));
    const auto raw_result = parse_settlement_transcript(
        transcript_with_outcome(R"({"aux":null,"payout":"0","raw":)" + value + "}"));
    ASSERT_EQ(aux_result.has_value(), raw_result.has_value()) << value;
    if (aux_result) {
      EXPECT_TRUE(aux_result->outcome.aux.present);
      EXPECT_TRUE(aux_result->outcome.raw.is_null());
    } else {
      EXPECT_EQ(aux_result.error().message(), raw_result.error().message()) << value;
    }
  }
}

TEST(Transcript, NestingCountsTheRecordAndTheOutcome) {
  const auto raw_nested = [](std::size_t arrays) {
    return transcript_with_outcome(R"({"raw":)" + std::string(arrays, '[') +
                                   std::string(arrays, ']') + R"(,"payout":"0"})");
  };
  EXPECT_EQ(error_of(raw_nested(125)), "<decoded>");
  const std::string too_deep = raw_nested(126);
  EXPECT_EQ(error_of(too_deep), "recursion limit exceeded at line 1 column " +
                                    std::to_string(too_deep.find('[') + 126));
  const std::string aux_deep =
      transcript_with_outcome(R"({"raw":0,"payout":"0","aux":)" + std::string(100000, '['));
  EXPECT_EQ(error_of(aux_deep), "recursion limit exceeded at line 1 column " +
                                    std::to_string(aux_deep.find('[') + 126));
}

}  // namespace
}  // namespace zt::records
