// zt-verify/document_hints.cpp: recognising the usual ways a document is given wrongly.
#include "document_hints.h"

#include <cstdint>

#include "ffi/c_text.h"
#include "records/parse.h"

namespace zt::cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool is_blank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

}  // namespace

std::string byte_text(unsigned char byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  return std::string("0x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
}

std::optional<std::size_t> first_invalid_utf8(std::string_view text) {
  if (ffi::is_valid_utf8(text)) return std::nullopt;
  // Step over whole characters, each judged by the library's own rule, until one
  // is not valid.
  std::size_t offset = 0;
  while (offset < text.size()) {
    std::size_t length = 1;
    const auto lead = static_cast<std::uint8_t>(text[offset]);
    if (lead >= 0xF0) {
      length = 4;
    } else if (lead >= 0xE0) {
      length = 3;
    } else if (lead >= 0xC0) {
      length = 2;
    }
    if (offset + length > text.size() || !ffi::is_valid_utf8(text.substr(offset, length))) {
      return offset;
    }
    offset += length;
  }
  return std::nullopt;
}

std::string not_utf8_hint(std::string_view role, std::string_view text) {
  const std::size_t offset = first_invalid_utf8(text).value_or(0);
  return "the " + std::string(role) + " is not UTF-8: byte " +
         byte_text(static_cast<unsigned char>(text[offset])) + " at offset " +
         std::to_string(offset) +
         " does not start or continue a UTF-8 character; save the file as UTF-8";
}

std::optional<std::string> decode_hint(std::string_view role, std::string_view receipt_text,
                                       std::string_view transcript_text) {
  const std::string_view text = role == "receipt" ? receipt_text : transcript_text;
  const std::string name(role);
  if (text.empty()) return "the " + name + " file is empty";
  if (is_blank(text)) return "the " + name + " file holds only blank space";
  if (text.starts_with(kByteOrderMark)) {
    return "the " + name +
           " starts with a UTF-8 byte order mark (bytes ef bb bf), which JSON does not "
           "allow; save the file without it";
  }
  const bool receipt_is_transcript = records::parse_settlement_transcript(receipt_text).has_value();
  const bool transcript_is_receipt = records::parse_bet_receipt(transcript_text).has_value();
  if (receipt_is_transcript && transcript_is_receipt) {
    return std::string(
        "the receipt and the transcript look swapped: give the receipt first, "
        "then the transcript");
  }
  if (role == "receipt" && receipt_is_transcript) {
    return std::string(
        "the receipt file holds a settlement transcript; give the bet receipt "
        "first, then the transcript");
  }
  if (role == "transcript" && transcript_is_receipt) {
    return std::string(
        "the transcript file holds a bet receipt; give the settlement transcript "
        "as the second document");
  }
  return std::nullopt;
}

}  // namespace zt::cli
