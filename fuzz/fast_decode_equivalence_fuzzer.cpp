// fuzz/fast_decode_equivalence_fuzzer.cpp: the fast decoding front end against the
// precise decoder. The input is a receipt text, a NUL byte and a transcript text.
// For each, the fast path must either hand the document over or build exactly the
// record the precise decoder builds: same fields, and JSON values of the same
// kinds with bit-identical numbers.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_checks.h"
#include "json/value.h"
#include "records/parse.h"

namespace {

using zt::json::Value;

// Stricter than Value's ==, which takes -0.0 for 0.0.
bool identical(const Value& a, const Value& b) {
  if (a.storage().index() != b.storage().index()) return false;
  if (a.is_double())
    return std::bit_cast<std::uint64_t>(a.as_double()) ==
           std::bit_cast<std::uint64_t>(b.as_double());
  if (a.is_array()) {
    const auto& x = a.as_array();
    const auto& y = b.as_array();
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (!identical(x[i], y[i])) return false;
    }
    return true;
  }
  if (a.is_object()) {
    const auto& x = a.as_object();
    const auto& y = b.as_object();
    if (x.size() != y.size()) return false;
    for (auto i = x.begin(), j = y.begin(); i != x.end(); ++i, ++j) {
      if (i->first != j->first || !identical(i->second, j->second)) return false;
    }
    return true;
  }
  return a == b;
}

void check_receipt(std::string_view text) {
  const auto fast = zt::records::front_ends::fast_bet_receipt(text);
  if (!fast) return;
  const auto precise = zt::records::front_ends::precise_bet_receipt(text);
  zt::fuzz::require(precise.has_value(), "fast path took a receipt the precise decoder rejects");
  zt::fuzz::require(*fast == *precise, "fast and precise receipts differ");
}

void check_transcript(std::string_view text) {
  const auto fast = zt::records::front_ends::fast_settlement_transcript(text);
  if (!fast) return;
  const auto precise = zt::records::front_ends::precise_settlement_transcript(text);
  zt::fuzz::require(precise.has_value(), "fast path took a transcript the precise decoder rejects");
  zt::fuzz::require(*fast == *precise, "fast and precise transcripts differ");
  zt::fuzz::require(identical(fast->outcome.raw, precise->outcome.raw),
                    "fast and precise outcome values differ in kind or bits");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto [receipt, transcript] = zt::fuzz::split_at_nul(zt::fuzz::as_text(data, size));
  check_receipt(receipt);
  check_transcript(transcript);
  return 0;
}
