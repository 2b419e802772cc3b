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
#include <optional>
#include <string>
#include <string_view>

namespace zt::cli {

struct BatchDocuments {
  std::string_view receipt;     // a view into the line or into a buffer
  std::string_view transcript;  // the same
  std::string name;             // the line's "name" member when it is a string, else empty
};

// split_batch_line: |line| must be valid UTF-8. String members are unescaped into
// |receipt_buffer| and |transcript_buffer|, which the result may point into. A
// line that is not such an object fails with a message that says what is wrong and
// where (1-based byte column), e.g. "line has no \"transcript\" member" or "line is
// not valid JSON at column 17"; each starts with "line ".
[[nodiscard]] std::expected<BatchDocuments, std::string> split_batch_line(
    std::string_view line, std::string& receipt_buffer, std::string& transcript_buffer);

// guess_inline_documents: the receipt and transcript texts of a line in the usual
// layout, {"receipt":{…},"transcript":{…}} with blanks allowed between the parts,
// found from the line's start and from its end back to the "transcript" key,
// without scanning the receipt. Only a guess, as a string inside the transcript
// may hold the same bytes; nothing when the line does not have that shape. Each
// guessed text starts where its member's value starts, so a decoder that takes it
// as one whole document has found that value's end at the text's end: when both
// guesses decode, the line is exactly that object, and split_batch_line would give
// the same texts and no name.
std::optional<BatchDocuments> guess_inline_documents(std::string_view line);

// is_blank_line: only JSON whitespace. Blank lines hold no bet and are skipped.
bool is_blank_line(std::string_view line);

}  // namespace zt::cli
