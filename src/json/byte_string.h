// json/byte_string.h: the bytes of a decoded hex field. Almost every such field is a
// 32-byte digest or seed, and a bet carries a few dozen of them, so up to
// kInlineBytes are kept inside the object itself and only longer strings take a heap
// block. Otherwise it behaves like a std::vector<std::uint8_t> of fixed contents:
// a value with contiguous bytes, compared by length and contents.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <ranges>
#include <utility>

namespace zt::json {

class ByteString {
 public:
  using value_type = std::uint8_t;
  using size_type = std::size_t;
  using iterator = std::uint8_t*;
  using const_iterator = const std::uint8_t*;

  static constexpr std::size_t kInlineBytes = 32;

  ByteString() noexcept = default;
  // |count| zero bytes, or |count| copies of |byte|.
  explicit ByteString(std::size_t count, std::uint8_t byte = 0) {
    std::fill_n(allocate(count), count, byte);
  }
  ByteString(std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), allocate(bytes.size()));
  }
  // From any contiguous bytes: a std::vector, a digest's std::array, a span.
  template <std::ranges::contiguous_range Range>
  requires std::same_as<std::ranges::range_value_t<Range>, std::uint8_t> ByteString(
      const Range& bytes) {  // NOLINT(google-explicit-constructor): a value of bytes
    const std::size_t count = std::ranges::size(bytes);
    if (count != 0) std::memcpy(allocate(count), std::ranges::data(bytes), count);
  }
  template <std::forward_iterator It>
  ByteString(It first, It last) {
    std::copy(first, last, allocate(static_cast<std::size_t>(std::distance(first, last))));
  }

  ByteString(const ByteString& other) {
    if (other.on_heap()) {
      std::memcpy(allocate(other.size_), other.heap_, other.size_);
    } else {
      take_inline(other);
    }
  }
  ByteString(ByteString&& other) noexcept { take(other); }
  ByteString& operator=(const ByteString& other) {
    if (this != &other) {
      ByteString copy(other);
      release();
      take(copy);
    }
    return *this;
  }
  ByteString& operator=(ByteString&& other) noexcept {
    if (this != &other) {
      release();
      take(other);
    }
    return *this;
  }
  ~ByteString() { release(); }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::uint8_t* data() { return on_heap() ? heap_ : inline_; }
  const std::uint8_t* data() const { return on_heap() ? heap_ : inline_; }
  iterator begin() { return data(); }
  iterator end() { return data() + size_; }
  const_iterator begin() const { return data(); }
  const_iterator end() const { return data() + size_; }
  std::uint8_t& operator[](std::size_t i) { return data()[i]; }
  const std::uint8_t& operator[](std::size_t i) const { return data()[i]; }

  // assign_uninitialized: makes this |count| bytes long with unspecified contents
  // and returns where to write them.
  std::uint8_t* assign_uninitialized(std::size_t count) {
    release();
    return allocate(count);
  }

  friend bool operator==(const ByteString& a, const ByteString& b) {
    return a.size_ == b.size_ && std::memcmp(a.data(), b.data(), a.size_) == 0;
  }

 private:
  bool on_heap() const { return size_ > kInlineBytes; }

  // allocate: storage for |count| bytes, this being empty.
  std::uint8_t* allocate(std::size_t count) {
    size_ = count;
    if (!on_heap()) return inline_;
    heap_ = new std::uint8_t[count];
    return heap_;
  }
  void release() {
    if (on_heap()) delete[] heap_;
    size_ = 0;
  }
  // take: |other|'s bytes, leaving it empty; this is empty.
  void take(ByteString& other) noexcept {
    if (other.on_heap()) {
      size_ = other.size_;
      heap_ = other.heap_;
    } else {
      take_inline(other);
    }
    other.size_ = 0;
  }
  // take_inline: a copy of |other|'s inline bytes. All kInlineBytes are copied, a
  // fixed size the compiler turns into two moves, where the length alone would
  // need a call to memcpy.
  void take_inline(const ByteString& other) {
    size_ = other.size_;
    std::memcpy(inline_, other.inline_, kInlineBytes);
  }

  std::size_t size_ = 0;
  union {
    std::uint8_t inline_[kInlineBytes];
    std::uint8_t* heap_;
  };
};

}  // namespace zt::json
