// ffi/zt_core.cpp: the exported C functions. Each turns its C arguments into
// text or bytes, calls the core, and translates a failure into a code and a
// message in the last-error slot. Everything is noexcept: an internal fault such
// as exhausted memory ends the process instead of unwinding into the host.
#include "zt/zt_core.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "ffi/c_text.h"
#include "ffi/last_error.h"
#include "gdp/gdp_registry.h"
#include "gdp/registration.h"
#include "records/parse.h"
#include "verifier/verify_bet.h"

namespace {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kBadArgument = 1;
constexpr std::int32_t kDecodeFailed = 2;
constexpr std::int32_t kVerificationFailed = 3;

std::int32_t fail(std::int32_t code, std::string message) {
  zt::ffi::set_last_error(std::move(message));
  return code;
}

std::int32_t verdict(const zt::records::BetReceipt& receipt,
                     const zt::records::SettlementTranscript& transcript) {
  auto verified = zt::verifier::verify_bet(receipt, transcript);
  if (!verified) return fail(kVerificationFailed, verified.error().message());
  return kOk;
}

// verify_with_every_check: any other bet, through the checks in their usual order;
// |receipt| is the receipt when the fast decoder has already taken it, and then it
// has had the transcript too.
std::int32_t verify_with_every_check(const char* receipt_json, const char* transcript_json,
                                     std::optional<zt::records::BetReceipt> receipt) {
  const bool transcript_tried = receipt.has_value();
  auto receipt_text = zt::ffi::text_from_c_string(receipt_json);
  if (!receipt_text) return fail(kBadArgument, receipt_text.error());
  auto transcript_text = zt::ffi::text_from_c_string(transcript_json);
  if (!transcript_text) return fail(kBadArgument, transcript_text.error());

  if (!receipt) {
    auto parsed = zt::records::parse_bet_receipt(*receipt_text);
    if (!parsed) {
      return fail(kDecodeFailed, "failed to parse receipt: " + parsed.error().message());
    }
    receipt = std::move(*parsed);
  }
  auto transcript = transcript_tried
                        ? zt::records::front_ends::precise_settlement_transcript(*transcript_text)
                        : zt::records::parse_settlement_transcript(*transcript_text);
  if (!transcript) {
    return fail(kDecodeFailed, "failed to parse transcript: " + transcript.error().message());
  }
  return verdict(*receipt, *transcript);
}

}  // namespace

extern "C" {

ZT_CORE_API std::int32_t zt_core_verify_bet(const char* receipt_json,
                                            const char* transcript_json) noexcept {
  zt::ffi::clear_last_error();
  // The common bet: the fast decoder takes both documents. simdjson has then
  // checked every byte of both as UTF-8, so the separate check is not repeated.
  if (receipt_json != nullptr && transcript_json != nullptr) {
    auto receipt = zt::records::front_ends::fast_bet_receipt(receipt_json);
    if (receipt) {
      auto transcript = zt::records::front_ends::fast_settlement_transcript(transcript_json);
      if (transcript) return verdict(*receipt, *transcript);
    }
    return verify_with_every_check(receipt_json, transcript_json, std::move(receipt));
  }
  return verify_with_every_check(receipt_json, transcript_json, std::nullopt);
}

ZT_CORE_API std::int32_t zt_core_register_noop_mapper(const char* gdp_id) noexcept {
  zt::ffi::clear_last_error();
  auto id = zt::ffi::text_from_c_string(gdp_id);
  if (!id) return fail(kBadArgument, id.error());
  zt::gdp::register_noop_mapper(std::string(*id));
  return kOk;
}

ZT_CORE_API std::int32_t zt_core_register_gdp_package(const std::uint8_t* package_ptr,
                                                      std::size_t package_len) noexcept {
  zt::ffi::clear_last_error();
  if (package_ptr == nullptr || package_len == 0) {
    return fail(kBadArgument, "package pointer is null or length is zero");
  }
  auto registered = zt::gdp::register_gdp_package(std::span(package_ptr, package_len));
  if (!registered) return fail(kDecodeFailed, registered.error().message());
  return kOk;
}

ZT_CORE_API const char* zt_core_last_error_message(void) noexcept {
  return zt::ffi::last_error_message();
}

// The message of the calling thread's own last failing call, which no other
// thread can replace: the safe read for multi-threaded hosts. The Python module
// raises this text.
ZT_CORE_API const char* zt_core_thread_last_error_message(void) noexcept {
  return zt::ffi::thread_last_error_message();
}

}  // extern "C"
