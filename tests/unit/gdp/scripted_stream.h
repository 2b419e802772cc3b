// scripted_stream.h: a stand-in for the entropy stream that hands out chosen 64-bit
// values, each as 8 big-endian bytes, and counts what was read; plus a short form
// of a mapper result for table-driven tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "errors/verify_error.h"
#include "json/value.h"

namespace zt::gdp::testing {

class ScriptedStream {
 public:
  explicit ScriptedStream(const std::vector<std::uint64_t>& values) {
    for (std::uint64_t v : values) {
      for (int shift = 56; shift >= 0; shift -= 8) bytes_.push_back(std::uint8_t(v >> shift));
    }
  }

  void fill_bytes(std::span<std::uint8_t> destination) {
    for (std::uint8_t& out : destination) {
      if (consumed_ == bytes_.size()) {
        ADD_FAILURE() << "scripted stream read past its " << bytes_.size() << " bytes";
        out = 0;
        continue;
      }
      out = bytes_[consumed_++];
    }
  }

  std::size_t consumed() const { return consumed_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t consumed_ = 0;
};

// describe: "ok", or "format: <detail>" / "mismatch: <detail>".
inline std::string describe(const std::expected<void, errors::VerifyError>& result) {
  if (result) return "ok";
  switch (result.error().kind) {
    case errors::VerifyKind::OutcomeFormat:
      return "format: " + result.error().detail;
    case errors::VerifyKind::OutcomeMismatch:
      return "mismatch: " + result.error().detail;
    default:
      return "unexpected kind: " + result.error().message();
  }
}

// Number builders that keep the three JSON number forms apart.
inline json::Value u(std::uint64_t v) { return json::Value(v); }
inline json::Value s(std::int64_t v) { return json::Value(v); }
inline json::Value d(double v) { return json::Value(v); }

}  // namespace zt::gdp::testing
