// zt-verify/document_hints.h: advice for documents that do not decode. The library's
// message says what is wrong in its fixed words; these hints say what the person
// probably did and what to do instead (an empty file, a byte order mark, a file that
// is not UTF-8, receipt and transcript swapped, ...).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zt::cli {

// first_invalid_utf8: the offset of the first byte that is not part of valid
// UTF-8, or nothing when |text| is valid UTF-8.
std::optional<std::size_t> first_invalid_utf8(std::string_view text);

// byte_text: e.g. "0xe9", for naming a byte in a message.
std::string byte_text(unsigned char byte);

// not_utf8_hint: e.g. "the receipt is not UTF-8: byte 0xe9 at offset 17 ...", for a
// |role| ("receipt", "transcript") whose text is not valid UTF-8.
std::string not_utf8_hint(std::string_view role, std::string_view text);

// decode_hint: advice for a |role| document that did not decode, looking at both
// texts; nothing when there is no better advice than the library's message.
std::optional<std::string> decode_hint(std::string_view role, std::string_view receipt_text,
                                       std::string_view transcript_text);

}  // namespace zt::cli
