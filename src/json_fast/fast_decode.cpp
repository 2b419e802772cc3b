// fast_decode.cpp: records built from a simdjson DOM, driven by the field
// descriptors. Each step either does exactly what the precise decoder does for a
// valid value or hands the whole document over (returns false); it never decides
// an error itself.
#include "json_fast/fast_decode.h"

#include <simdjson.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "json/value.h"

namespace zt::json_fast {
namespace {

using simdjson::dom::element;
using simdjson::dom::element_type;

// One parser and one padded input buffer per thread, reused across documents;
// both stay bounded because longer texts never reach them.
struct ThreadParser {
  simdjson::dom::parser parser;
  std::unique_ptr<char[]> buffer =
      std::make_unique<char[]>(kMaxFastBytes + simdjson::SIMDJSON_PADDING);
};

// same_name: field names are short, so they are compared a word at a time with
// overlapping loads that stay inside both strings, instead of a call to memcmp.
template <class Word>
Word load(const char* at) {
  Word word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

[[gnu::always_inline]] inline bool same_name(std::string_view a, std::string_view b) {
  const std::size_t size = a.size();
  if (size != b.size()) return false;
  if (size >= 8) {
    for (std::size_t at = 0; at + 8 < size; at += 8) {
      if (load<std::uint64_t>(a.data() + at) != load<std::uint64_t>(b.data() + at)) return false;
    }
    return load<std::uint64_t>(a.data() + size - 8) == load<std::uint64_t>(b.data() + size - 8);
  }
  if (size >= 4) {
    return load<std::uint32_t>(a.data()) == load<std::uint32_t>(b.data()) &&
           load<std::uint32_t>(a.data() + size - 4) == load<std::uint32_t>(b.data() + size - 4);
  }
  for (std::size_t i = 0; i < size; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// copy_without_backslash: copies |text| to |out| and says whether it holds no
// backslash, in one pass (sixteen bytes a step on x86-64); |out| holds the whole
// copy either way.
bool copy_without_backslash(std::string_view text, char* out) {
  std::size_t at = 0;
#if defined(__SSE2__)
  const __m128i backslash = _mm_set1_epi8('\\');
  __m128i found = _mm_setzero_si128();
  for (; at + 16 <= text.size(); at += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), chunk);
    found = _mm_or_si128(found, _mm_cmpeq_epi8(chunk, backslash));
  }
  const bool backslash_seen = _mm_movemask_epi8(found) != 0;
#else
  const bool backslash_seen = false;
#endif
  const std::size_t rest = text.size() - at;
  std::memcpy(out + at, text.data() + at, rest);
  return !backslash_seen && std::memchr(text.data() + at, '\\', rest) == nullptr;
}

// assign_to: a place for Builder::value that assigns to |out|.
auto assign_to(json::Value& out) {
  return [&out](auto&& item) { out = json::Value(std::forward<decltype(item)>(item)); };
}

class Builder {
 public:
  explicit Builder(std::string_view text) : text_(text) {}

  bool record(element e, const json::RecordDescriptor& descriptor, void* target,
              std::size_t depth) {
    simdjson::dom::object object;
    if (depth > kMaxFastDepth || e.get_object().get(object) != simdjson::SUCCESS) return false;
    const auto fields = descriptor.fields;
    std::uint64_t seen = 0;
    std::size_t next = 0;  // documents usually list fields in declared order: try that first
    for (const auto [key, value] : object) {
      std::size_t k = next < fields.size() && same_name(fields[next].name, key) ? next : 0;
      while (k < fields.size() && !same_name(fields[k].name, key)) ++k;
      next = k + 1;
      if (k == fields.size()) {
        if (!within_depth(value, depth + 1)) return false;
        continue;  // unknown members are ignored
      }
      const std::uint64_t bit = std::uint64_t{1} << k;
      if ((seen & bit) != 0) return false;
      seen |= bit;
      if (!field(value, fields[k], fields[k].member(target), depth + 1)) return false;
    }
    return (seen & descriptor.required_fields) == descriptor.required_fields;
  }

 private:
  bool field(element e, const json::FieldDescriptor& f, void* member, std::size_t depth) {
    const bool is_null = e.type() == element_type::NULL_VALUE;
    switch (f.kind) {
      case json::Kind::kString:
        return text(e, *static_cast<std::string*>(member));
      case json::Kind::kOptionalString:
        return is_null || text(e, static_cast<std::optional<std::string>*>(member)->emplace());
      case json::Kind::kBytes:
        return bytes(e, f, *static_cast<json::ByteString*>(member));
      case json::Kind::kOptionalBytes:
        return is_null ||
               bytes(e, f, static_cast<std::optional<json::ByteString>*>(member)->emplace());
      case json::Kind::kBytesMap:
        return bytes_map(e, f, *static_cast<json::ByteStringMap*>(member));
      case json::Kind::kU64:
        return u64(e, *static_cast<std::uint64_t*>(member));
      case json::Kind::kOptionalU64:
        return is_null || u64(e, static_cast<std::optional<std::uint64_t>*>(member)->emplace());
      case json::Kind::kRecord:
        return record(e, *f.record, member, depth);
      case json::Kind::kOptionalRecord:
        return is_null || record(e, *f.record, f.emplace(member), depth);
      case json::Kind::kRecordList:
        return record_list(e, f, member, depth);
      case json::Kind::kVariant:
        return variant(e, f, member);
      case json::Kind::kValue:
        return value(e, assign_to(*static_cast<json::Value*>(member)), depth);
      case json::Kind::kOptionalValue:
        return is_null ||
               value(e, assign_to(static_cast<std::optional<json::Value>*>(member)->emplace()),
                     depth);
      case json::Kind::kValueMap:
        return value_map(e, *static_cast<json::Object*>(member), depth);
      case json::Kind::kCheckedValue:
        return is_null || checked(e, *static_cast<json::CheckedValue*>(member), depth);
    }
    return false;
  }

  static bool text(element e, std::string& out) {
    std::string_view s;
    if (e.get_string().get(s) != simdjson::SUCCESS) return false;
    // The same as assign, in fewer steps: clear is inline and append has no
    // overlap to allow for.
    out.clear();
    out.append(s);
    return true;
  }

  static bool bytes(element e, const json::FieldDescriptor& f, json::ByteString& out) {
    std::string_view s;
    if (e.get_string().get(s) != simdjson::SUCCESS) return false;
    return f.codec->decode(s, out).has_value();
  }

  static bool bytes_map(element e, const json::FieldDescriptor& f, json::ByteStringMap& out) {
    simdjson::dom::object object;
    if (e.get_object().get(object) != simdjson::SUCCESS) return false;
    for (const auto [key, value] : object) {
      json::ByteString decoded;
      if (!bytes(value, f, decoded)) return false;
      out.insert_or_assign(std::string(key), std::move(decoded));  // last duplicate wins
    }
    return true;
  }

  bool u64(element e, std::uint64_t& out) {
    if (e.type() == element_type::UINT64) return e.get_uint64().get(out) == simdjson::SUCCESS;
    std::int64_t signed_value = 0;
    if (e.type() != element_type::INT64 || e.get_int64().get(signed_value) != simdjson::SUCCESS) {
      return false;
    }
    if (signed_value < 0 || (signed_value == 0 && may_hold_minus_zero())) return false;
    out = static_cast<std::uint64_t>(signed_value);
    return true;
  }

  bool record_list(element e, const json::FieldDescriptor& f, void* member, std::size_t depth) {
    simdjson::dom::array array;
    if (depth > kMaxFastDepth || e.get_array().get(array) != simdjson::SUCCESS) return false;
    f.reserve(member, array.size());  // the array's length is known: size the list once
    for (const element item : array) {
      if (!record(item, *f.record, f.emplace(member), depth + 1)) return false;
    }
    return true;
  }

  static bool variant(element e, const json::FieldDescriptor& f, void* member) {
    std::string_view name;
    if (e.get_string().get(name) != simdjson::SUCCESS) return false;
    const auto names = f.variant->names;
    for (std::size_t index = 0; index < names.size(); ++index) {
      if (same_name(names[index], name)) {
        f.set_variant(member, index);
        return true;
      }
    }
    return false;
  }

  // value: numbers keep the precise decoder's forms: unsigned without sign,
  // signed when negative and integral, double otherwise. |place| constructs the
  // value where it belongs from the arguments of a json::Value constructor, so an
  // array's items and an object's members are built in place.
  template <class Place>
  bool value(element e, Place&& place, std::size_t depth) {
    switch (e.type()) {
      case element_type::NULL_VALUE:
        place(nullptr);
        return true;
      case element_type::BOOL: {
        bool b = false;
        if (e.get_bool().get(b) != simdjson::SUCCESS) return false;
        place(b);
        return true;
      }
      case element_type::UINT64: {
        std::uint64_t u = 0;
        if (e.get_uint64().get(u) != simdjson::SUCCESS) return false;
        place(u);
        return true;
      }
      case element_type::INT64: {
        std::int64_t i = 0;
        if (e.get_int64().get(i) != simdjson::SUCCESS) return false;
        if (i == 0 && may_hold_minus_zero()) return false;
        if (i >= 0) {
          place(static_cast<std::uint64_t>(i));
        } else {
          place(i);
        }
        return true;
      }
      case element_type::DOUBLE: {
        double d = 0;
        if (e.get_double().get(d) != simdjson::SUCCESS) return false;
        place(d);
        return true;
      }
      case element_type::STRING: {
        std::string s;
        if (!text(e, s)) return false;
        place(std::move(s));
        return true;
      }
      case element_type::ARRAY: {
        json::Array items;
        if (!value_list(e, items, depth)) return false;
        place(std::move(items));
        return true;
      }
      case element_type::OBJECT: {
        json::Object members;
        if (!value_map(e, members, depth)) return false;
        place(std::move(members));
        return true;
      }
    }
    return false;
  }

  // checked: a value nothing reads takes the same hand-over rules as a kept one;
  // scalars are not kept, and the documents that reach here are small, so the
  // containers built on the way cost little.
  bool checked(element e, json::CheckedValue& out, std::size_t depth) {
    const auto drop = [](auto&&) {};
    if (!value(e, drop, depth)) return false;
    out.present = true;
    return true;
  }

  bool value_list(element e, json::Array& out, std::size_t depth) {
    simdjson::dom::array array;
    if (depth > kMaxFastDepth || e.get_array().get(array) != simdjson::SUCCESS) return false;
    out.reserve(array.size());
    const auto append = [&out](auto&& item) {
      out.emplace_back(std::forward<decltype(item)>(item));
    };
    for (const element item : array) {
      if (!value(item, append, depth + 1)) return false;
    }
    return true;
  }

  bool value_map(element e, json::Object& out, std::size_t depth) {
    simdjson::dom::object object;
    if (depth > kMaxFastDepth || e.get_object().get(object) != simdjson::SUCCESS) return false;
    for (const auto [key, member] : object) {
      // The last of duplicate keys wins, as in the precise decoder.
      const auto set_member = [&out, key](auto&& item) {
        // try_emplace leaves |item| alone when the key is already there.
        auto [at, inserted] = out.try_emplace(std::string(key), std::forward<decltype(item)>(item));
        if (!inserted) at->second = json::Value(std::forward<decltype(item)>(item));
      };
      if (!value(member, set_member, depth + 1)) return false;
    }
    return true;
  }

  // within_depth: an ignored value, whose nesting still counts toward the limit.
  static bool within_depth(element e, std::size_t depth) {
    simdjson::dom::array array;
    simdjson::dom::object object;
    if (e.get_array().get(array) == simdjson::SUCCESS) {
      if (depth > kMaxFastDepth) return false;
      for (const element item : array) {
        if (!within_depth(item, depth + 1)) return false;
      }
    } else if (e.get_object().get(object) == simdjson::SUCCESS) {
      if (depth > kMaxFastDepth) return false;
      for (const auto [key, member] : object) {
        if (!within_depth(member, depth + 1)) return false;
      }
    }
    return true;
  }

  // simdjson reads the token -0 as the integer 0, which the precise decoder holds
  // as a double; a zero is taken only when no "-0" in the text could be that token
  // (one followed by a digit, '.', 'e' or 'E' is part of something else).
  bool may_hold_minus_zero() {
    if (!minus_zero_checked_) {
      minus_zero_checked_ = true;
      for (std::size_t at = text_.find("-0"); at != std::string_view::npos;
           at = text_.find("-0", at + 2)) {
        const char next = at + 2 < text_.size() ? text_[at + 2] : ' ';
        const bool continues =
            (next >= '0' && next <= '9') || next == '.' || next == 'e' || next == 'E';
        if (!continues) {
          minus_zero_present_ = true;
          break;
        }
      }
    }
    return minus_zero_present_;
  }

  std::string_view text_;
  bool minus_zero_checked_ = false;
  bool minus_zero_present_ = false;
};

}  // namespace

bool decode_fast(std::string_view text, const json::RecordDescriptor& record, void* target) {
  if (text.empty() || text.size() > kMaxFastBytes) return false;
  thread_local ThreadParser thread_parser;
  // Escapes are rare in these documents and the precise decoder is the authority
  // on every detail of them, so any backslash sends the document there.
  if (!copy_without_backslash(text, thread_parser.buffer.get())) return false;
  std::memset(thread_parser.buffer.get() + text.size(), 0, simdjson::SIMDJSON_PADDING);
  element root;
  if (thread_parser.parser.parse(thread_parser.buffer.get(), text.size(), false).get(root) !=
      simdjson::SUCCESS) {
    return false;
  }
  return Builder(text).record(root, record, target, 1);
}

}  // namespace zt::json_fast
