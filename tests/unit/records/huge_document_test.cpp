// huge_document_test.cpp: documents of gigabytes, real ones, not unread pages. A
// receipt whose session_id alone is longer than 4 GiB is refused through the C ABI
// with a decode error (it used to crash the process), and a receipt just below the
// maximum document size decodes with its whole string.
//
// They need about 10 GiB of memory, so they run only when /proc/meminfo reports at
// least kNeededBytes available; ZT_HUGE_TESTS=1 runs them regardless and
// ZT_HUGE_TESTS=0 skips them. To run just these:
//   ZT_HUGE_TESTS=1 ctest --preset release -L huge
#include <gtest/gtest.h>
#include <zt/zt_core.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "capped_child.h"
#include "json/document.h"
#include "records/parse.h"

namespace zt::records {
namespace {

constexpr std::size_t kGiB = std::size_t{1} << 30;
constexpr std::size_t kNeededBytes = 12 * kGiB;
// Generous: the texts are read a few times over, on a machine that may be busy.
constexpr unsigned kPatienceSeconds = 600;

std::size_t available_memory() {
  std::FILE* meminfo = std::fopen("/proc/meminfo", "r");
  if (meminfo == nullptr) return 0;
  char line[256];
  std::size_t kib = 0;
  while (std::fgets(line, sizeof line, meminfo) != nullptr) {
    if (std::sscanf(line, "MemAvailable: %zu kB", &kib) == 1) break;
  }
  std::fclose(meminfo);
  return kib * 1024;
}

void skip_unless_the_memory_is_there() {
  const char* choice = std::getenv("ZT_HUGE_TESTS");
  if (choice != nullptr && std::strcmp(choice, "1") == 0) return;
  if (choice != nullptr && std::strcmp(choice, "0") == 0) GTEST_SKIP() << "ZT_HUGE_TESTS=0";
  if (available_memory() < kNeededBytes) {
    GTEST_SKIP() << "needs " << kNeededBytes / kGiB << " GiB of available memory; "
                 << "ZT_HUGE_TESTS=1 runs it regardless";
  }
}

// receipt_with_session_id: a receipt whose session_id is |length| bytes of 'a',
// built in one allocation.
std::string receipt_with_session_id(std::size_t length) {
  const std::string_view head = R"({"version":"1","bet_id":"b","commitment":{"session_id":")";
  const std::string_view tail =
      R"(","bet_nonce":1,"stake":"1","gdp_id":"g","rng_id":"r","rng_params_commit":"",)"
      R"("server_seed_commit":"","beacon_plan_id":"p","timestamp_ms":1},)"
      R"("bet_leaf":"","merkle_root":"","operator_sig":""})";
  std::string text;
  text.reserve(head.size() + length + tail.size());
  text += head;
  text.append(length, 'a');
  text += tail;
  return text;
}

// Refused before decoding: beyond the text, which the parent built, the call may
// take no more than a few megabytes.
TEST(HugeDocuments, StringLongerThanFourGiBIsRefusedThroughTheCAbi) {
  skip_unless_the_memory_is_there();
  const std::string receipt = receipt_with_session_id(4 * kGiB + 16);
  zt::test::expect_in_capped_child(64 << 20, kPatienceSeconds, [&] {
    return zt_core_verify_bet(receipt.c_str(), "{}") == 2 &&
           std::string_view(zt_core_last_error_message()) ==
               "failed to parse receipt: document exceeds 1 GiB at line 1 column 0";
  });
}

// Decodes with its whole string: the tokenizer's copy of it, growing by half at a
// time, and the record's own copy take at most three times the text.
TEST(HugeDocuments, StringJustBelowTheMaximumSizeDecodes) {
  skip_unless_the_memory_is_there();
  const std::size_t overhead = receipt_with_session_id(0).size();
  const std::string receipt = receipt_with_session_id(json::kMaxDocumentBytes - overhead);
  ASSERT_EQ(receipt.size(), json::kMaxDocumentBytes);
  zt::test::expect_in_capped_child(3 * json::kMaxDocumentBytes, kPatienceSeconds, [&] {
    const auto decoded = parse_bet_receipt(receipt);
    return decoded && decoded->commitment &&
           decoded->commitment->session_id.size() == json::kMaxDocumentBytes - overhead;
  });
}

}  // namespace
}  // namespace zt::records
