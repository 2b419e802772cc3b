// zt_core_verify_bet skips its own UTF-8 check when the fast decoder takes both
// documents, relying on simdjson's check of every byte. Whatever the path, a text
// that is not UTF-8 must still be refused with the C interface's message, and only
// such a text: sequences around each boundary of the encoding are placed inside a
// string of documents that otherwise decode, in the receipt and in the transcript.
#include <gtest/gtest.h>
#include <zt/zt_core.h>

#include <string>
#include <utility>
#include <vector>

#include "json/utf8.h"
#include "records/parse.h"

namespace {

const std::string kReceiptHead = R"({"version":"1","bet_id":"b","commitment":{"session_id":"s)";
const std::string kReceiptTail =
    R"(","bet_nonce":1,"stake":"1","gdp_id":"g","rng_id":"r","rng_params_commit":"",)"
    R"("server_seed_commit":"","beacon_plan_id":"p","timestamp_ms":1},)"
    R"("bet_leaf":"","merkle_proof":[],"merkle_root":"","operator_sig":""})";
const std::string kTranscriptHead = R"({"bet_id":"b)";
const std::string kTranscriptTail =
    R"(","server_seed_plain":"","beacon_values":{},"beacon_mix_id":"","rng_entropy":"",)"
    R"("outcome":{"raw":null,"payout":"1"},"operator_sig":""})";

TEST(VerifyBetText, BytesThatAreNotUtf8AreRefusedWhicheverDecoderTakesTheDocuments) {
  const std::string receipt = kReceiptHead + kReceiptTail;
  const std::string transcript = kTranscriptHead + kTranscriptTail;
  // Both take the fast path, so a sequence the fast decoder let through unchecked
  // would show.
  ASSERT_TRUE(zt::records::front_ends::fast_bet_receipt(receipt));
  ASSERT_TRUE(zt::records::front_ends::fast_settlement_transcript(transcript));
  ASSERT_NE(zt_core_verify_bet(receipt.c_str(), transcript.c_str()), 1)
      << zt_core_last_error_message();

  // No NUL: it would end the C string.
  const std::vector<unsigned char> edges = {0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                            0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED,
                                            0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  for (const unsigned char a : edges) {
    for (const unsigned char b : edges) {
      for (const unsigned char c : edges) {
        for (const unsigned char d : {0x41, 0x80, 0xBF}) {
          const std::string bytes{static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                                  static_cast<char>(d)};
          const bool valid = zt::json::is_valid_utf8(bytes);
          const std::string bad_receipt = kReceiptHead + bytes + kReceiptTail;
          const std::string bad_transcript = kTranscriptHead + bytes + kTranscriptTail;
          for (const auto& [r, t] :
               {std::pair{&bad_receipt, &transcript}, std::pair{&receipt, &bad_transcript}}) {
            const int code = zt_core_verify_bet(r->c_str(), t->c_str());
            const std::string message = zt_core_last_error_message();
            ASSERT_EQ(code == 1, !valid) << std::hex << int{a} << ' ' << int{b} << ' ' << int{c}
                                         << ' ' << int{d} << ": " << message;
            if (!valid) {
              ASSERT_EQ(message, "input bytes are not valid UTF-8");
            }
          }
        }
      }
    }
  }
}

}  // namespace
