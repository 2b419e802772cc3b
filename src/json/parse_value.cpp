// parse_value.cpp: whole-document parsing into a Value, and the typed decoding of a
// Value as lists of lists of u64.
#include "json/parse_value.h"

#include <utility>
#include <variant>

#include "json/describe.h"
#include "json/document.h"
#include "json/number.h"

namespace zt::json {
namespace {

std::string invalid_type(const Value& value, std::string_view expected) {
  return "invalid type: " + describe_found(value) + ", expected " + std::string(expected);
}

}  // namespace

std::expected<Value, DecodeError> parse_value(std::string_view text) {
  static constexpr FieldDescriptor kRoot{.name = {}, .kind = Kind::kValue};
  Value out;
  auto decoded = decode_document(text, kRoot, &out,
                                 [](void* target) { *static_cast<Value*>(target) = Value(); });
  if (!decoded) return std::unexpected(std::move(decoded.error()));
  return out;
}

std::string describe_found(const Value& value) {
  struct Describe {
    std::string operator()(std::nullptr_t) const { return "null"; }
    std::string operator()(bool b) const { return describe_bool(b); }
    std::string operator()(std::uint64_t u) const {
      return describe_number(Number{Number::Kind::kUnsigned, u, 0, 0});
    }
    std::string operator()(std::int64_t i) const {
      return describe_number(Number{Number::Kind::kSigned, 0, i, 0});
    }
    std::string operator()(double d) const {
      return describe_number(Number{Number::Kind::kDouble, 0, 0, d});
    }
    std::string operator()(const std::string& s) const { return describe_string(s); }
    std::string operator()(const Array&) const { return "sequence"; }
    std::string operator()(const Object&) const { return "map"; }
  };
  return std::visit(Describe{}, value.storage());
}

std::expected<std::vector<std::vector<std::uint64_t>>, std::string> decode_u64_lists(
    const Value& value) {
  if (!value.is_array()) return std::unexpected(invalid_type(value, "a sequence"));
  std::vector<std::vector<std::uint64_t>> lists;
  lists.reserve(value.as_array().size());
  for (const Value& list : value.as_array()) {
    if (!list.is_array()) return std::unexpected(invalid_type(list, "a sequence"));
    auto& out = lists.emplace_back();
    out.reserve(list.as_array().size());
    for (const Value& element : list.as_array()) {
      if (element.is_unsigned()) {
        out.push_back(element.as_unsigned());
      } else if (element.is_signed()) {
        return std::unexpected("invalid value: " + describe_found(element) + ", expected u64");
      } else {
        return std::unexpected(invalid_type(element, "u64"));
      }
    }
  }
  return lists;
}

}  // namespace zt::json
