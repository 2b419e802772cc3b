// json/value.h: the generic JSON value tree used for outcomes, mapper parameters
// and test vectors. Objects are ordered by key bytes; numbers keep the form they
// were written in (unsigned, signed or double), which the mappers rely on.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace zt::json {

class Value;
using Array = std::vector<Value>;
// std::string compares bytes as unsigned char, so a key that is a prefix of
// another sorts first, as the wire formats require.
using Object = std::map<std::string, Value, std::less<>>;

class Value {
 public:
  using Storage = std::variant<std::nullptr_t, bool, std::uint64_t, std::int64_t, double,
                               std::string, Array, Object>;

  Value() : storage_(nullptr) {}
  Value(std::nullptr_t) : storage_(nullptr) {}
  Value(bool b) : storage_(b) {}
  Value(std::uint64_t u) : storage_(u) {}
  Value(std::int64_t i) : storage_(i) {}
  Value(double d) : storage_(d) {}
  Value(std::string s) : storage_(std::move(s)) {}
  Value(const char* s) : storage_(std::string(s)) {}
  Value(Array a) : storage_(std::move(a)) {}
  Value(Object o) : storage_(std::move(o)) {}

  bool is_null() const { return std::holds_alternative<std::nullptr_t>(storage_); }
  bool is_bool() const { return std::holds_alternative<bool>(storage_); }
  bool is_unsigned() const { return std::holds_alternative<std::uint64_t>(storage_); }
  bool is_signed() const { return std::holds_alternative<std::int64_t>(storage_); }
  bool is_double() const { return std::holds_alternative<double>(storage_); }
  bool is_string() const { return std::holds_alternative<std::string>(storage_); }
  bool is_array() const { return std::holds_alternative<Array>(storage_); }
  bool is_object() const { return std::holds_alternative<Object>(storage_); }

  // Typed access; the caller checks the kind first.
  bool as_bool() const { return std::get<bool>(storage_); }
  std::uint64_t as_unsigned() const { return std::get<std::uint64_t>(storage_); }
  std::int64_t as_signed() const { return std::get<std::int64_t>(storage_); }
  double as_double() const { return std::get<double>(storage_); }
  const std::string& as_string() const { return std::get<std::string>(storage_); }
  const Array& as_array() const { return std::get<Array>(storage_); }
  const Object& as_object() const { return std::get<Object>(storage_); }

  // find: the member |key| of an object, or nullptr when this is not an object
  // or has no such member. Mappers treat both cases alike.
  const Value* find(std::string_view key) const {
    const auto* object = std::get_if<Object>(&storage_);
    if (object == nullptr) return nullptr;
    auto it = object->find(key);
    return it == object->end() ? nullptr : &it->second;
  }

  const Storage& storage() const { return storage_; }
  friend bool operator==(const Value&, const Value&) = default;

 private:
  Storage storage_;
};

}  // namespace zt::json
