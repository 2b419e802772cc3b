// zt-verify/duplicate_ids.h: finding bet_ids that occur on more than one line, in
// bounded memory: each id is kept as a 64-bit hash with its first line, in an open
// addressing table that stops growing at kMaxIds ids.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

namespace zt::cli {

class DuplicateIds {
 public:
  static constexpr std::size_t kMaxIds = std::size_t{1} << 21;  // 2,097,152 ids, 64 MiB

  // hash_of: the 64-bit hash an id is kept as, never 0. Workers compute it, so the
  // one thread that fills the table only looks it up.
  static std::uint64_t hash_of(std::string_view bet_id);

  // first_line_of: the first line |bet_id| was seen on, if earlier; otherwise
  // remembers |line| for it (unless the table is full) and returns nothing.
  std::optional<std::uint64_t> first_line_of(std::string_view bet_id, std::uint64_t line) {
    return first_line_of_hash(hash_of(bet_id), line);
  }
  // first_line_of_hash: the same for the id whose hash_of is |hash|.
  std::optional<std::uint64_t> first_line_of_hash(std::uint64_t hash, std::uint64_t line);

  // prefetch: starts loading the slot where |hash| is looked for. The table is far
  // larger than the caches, so a lookup announced a few ids ahead does not wait.
  void prefetch(std::uint64_t hash) const;

  // complete: false once an id could not be remembered because the table was full.
  bool complete() const { return complete_; }

 private:
  struct Slot {
    std::uint64_t hash = 0;  // 0: empty
    std::uint64_t line = 0;
  };
  struct Free {
    void operator()(Slot* slots) const { std::free(slots); }
  };
  using Slots = std::unique_ptr<Slot[], Free>;
  // empty_slots: |count| empty slots; a large table asks for huge pages, as every
  // lookup lands on a random page of it.
  static Slots empty_slots(std::size_t count);
  void grow();

  Slots slots_;
  std::size_t size_ = 0;  // slots
  std::size_t used_ = 0;
  bool complete_ = true;
};

}  // namespace zt::cli
