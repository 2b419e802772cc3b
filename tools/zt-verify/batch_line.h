// zt-verify/batch_line.h: taking one JSON Lines record of a batch apart into the
// receipt and transcript texts it holds.
//
// A line is a JSON object with the members "receipt" and "transcript" (others are
// ignored). Each is either a JSON string holding the document's text, or the
// document itself written inline (an object, or any other value). An inline
// document is handed on as the exact bytes of the line, not re-serialised, so
// decoding errors report the same positions as for that text in a file of its own.
#pragma once

#include <expected>
#include <string>
#include <string_view>

namespace zt::cli {

inline constexpr std::string_view kMalformedLine =
    "line is not a JSON object with receipt and transcript members";

struct BatchDocuments {
  std::string_view receipt;     // a view into the line or into a buffer
  std::string_view transcript;  // the same
};

// split_batch_line: |line| must be valid UTF-8. String members are unescaped into
// |receipt_buffer| and |transcript_buffer|, which the result may point into. A
// line that is not such an object (bad syntax, a member missing or given twice,
// anything after the object) fails with kMalformedLine.
[[nodiscard]] std::expected<BatchDocuments, std::string_view> split_batch_line(
    std::string_view line, std::string& receipt_buffer, std::string& transcript_buffer);

// is_blank_line: only JSON whitespace. Blank lines hold no bet and are skipped.
bool is_blank_line(std::string_view line);

}  // namespace zt::cli
