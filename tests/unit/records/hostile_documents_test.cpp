// hostile_documents_test.cpp: documents built to exhaust the decoder are answered in
// time and memory proportional to them: a token the tokenizer refuses followed by a
// long malformed number, a huge aux that nothing reads, a huge raw, and texts beyond
// the maximum document size. Each heavy case runs in a child process whose address
// space is capped and whose time is bounded, so a fault ends the child, not the run.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstdio>
#include <string>

#include "capped_child.h"
#include "json/document.h"
#include "json/parse_value.h"
#include "records/parse.h"

namespace zt::records {
namespace {

using zt::test::expect_in_capped_child;

constexpr std::size_t kMB = 1000 * 1000;
// Far beyond what any case needs when decoding is linear, even under a sanitizer on
// a busy machine; a quadratic pass over the texts below would take hours.
constexpr unsigned kPatienceSeconds = 600;

// reports: whether |result| failed with exactly |message|; prints what it got if not.
template <class T>
bool reports(const std::expected<T, json::DecodeError>& result, const std::string& message) {
  const std::string got = result ? "<decoded>" : result.error().message();
  if (got != message)
    std::fprintf(stderr, "expected: %s\n     got: %s\n", message.c_str(), got.c_str());
  return got == message;
}

std::string transcript_with_outcome(std::string_view outcome) {
  return R"({"bet_id":"b","server_seed_plain":"aa","beacon_values":{},"beacon_mix_id":"bb",)"
         R"("rng_entropy":"cc","outcome":)" +
         std::string(outcome) + R"(,"operator_sig":"s"})";
}

// zeros: a JSON array of |count| zeros, two bytes of text per element.
std::string zeros(std::size_t count) {
  std::string out = "[";
  out.reserve(2 * count + 1);
  for (std::size_t i = 1; i < count; ++i) out += "0,";
  out += "0]";
  return out;
}

// After a token the tokenizer refuses, the document is read once more from a
// relaxed copy; making that copy must stay linear when a malformed number follows.
TEST(HostileDocuments, RefusedTokenThenLongMalformedNumber) {
  const std::string digits(3 * kMB, '1');
  const std::string refused_tokens[] = {"", R"("note":1e400,)", R"("note":"\ud800",)",
                                        R"("note":[1)" + std::string(400, '0') + "],"};
  for (const std::string& refused : refused_tokens) {
    SCOPED_TRACE(refused);
    const std::string receipt = "{" + refused + R"("version":)" + digits + ".}";
    const std::string transcript = "{" + refused + R"("bet_id":-)" + digits + "e}";
    expect_in_capped_child(64 * kMB, kPatienceSeconds, [&] {
      return reports(parse_bet_receipt(receipt),
                     "invalid number at line 1 column " + std::to_string(receipt.size())) &&
             reports(parse_settlement_transcript(transcript),
                     "invalid number at line 1 column " + std::to_string(transcript.size()));
    });
  }
}

// aux is checked like any value but never built: 20 MB of it may cost at most eight
// times its size, and a fault at its very end is still found.
TEST(HostileDocuments, HugeAuxIsCheckedWithoutBeingBuilt) {
  const std::string aux = zeros(10 * kMB);
  const std::string valid = transcript_with_outcome(R"({"raw":0,"payout":"1","aux":)" + aux + "}");
  std::string faulty = valid;
  const std::size_t last_zero = faulty.find("0]}");
  faulty.replace(last_zero, 1, "1e400");
  expect_in_capped_child(8 * aux.size(), kPatienceSeconds, [&] {
    const auto decoded = parse_settlement_transcript(valid);
    return decoded && decoded->outcome.aux.present &&
           reports(parse_settlement_transcript(faulty),
                   "number out of range at line 1 column " + std::to_string(last_zero + 5));
  });
}

// raw is read by the mappers, so it is built: a constant per element. One element
// of an array costs one Value (56 bytes) and at most twice that again while the
// array grows; 192 bytes an element leaves room for nothing more.
TEST(HostileDocuments, HugeRawCostsAConstantPerElement) {
  constexpr std::size_t kElements = 5 * kMB;
  const std::string text =
      transcript_with_outcome(R"({"raw":)" + zeros(kElements) + R"(,"payout":"1"})");
  expect_in_capped_child(192 * kElements, kPatienceSeconds, [&] {
    const auto decoded = parse_settlement_transcript(text);
    return decoded && decoded->outcome.raw.is_array() &&
           decoded->outcome.raw.as_array().size() == kElements;
  });
}

// Texts above the maximum document size are refused before a byte is read: here
// they are untouched zero pages, which cost no memory.
TEST(HostileDocuments, TextsAboveTheMaximumSizeAreRefusedUnread) {
  const std::size_t length = json::kMaxDocumentBytes + 1;
  void* pages =
      mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(pages, MAP_FAILED);
  const std::string_view text(static_cast<const char*>(pages), length);
  const std::string refused = "document exceeds 1 GiB at line 1 column 0";
  EXPECT_TRUE(reports(parse_bet_receipt(text), refused));
  EXPECT_TRUE(reports(parse_settlement_transcript(text), refused));
  EXPECT_TRUE(reports(json::parse_value(text), refused));
  // At exactly the maximum the text is parsed: its first byte, a NUL, is the fault.
  EXPECT_TRUE(
      reports(parse_bet_receipt(text.substr(0, length - 1)), "expected value at line 1 column 1"));
  munmap(pages, length);
}

}  // namespace
}  // namespace zt::records
