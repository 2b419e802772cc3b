// zt-verify/duplicate_ids.cpp: linear probing over a power-of-two table, at most
// half full. Two different ids with the same 64-bit hash would be reported as one;
// among two million ids the chance is about one in ten million.
#include "duplicate_ids.h"

#include <sys/mman.h>

#include <cstring>
#include <functional>
#include <new>
#include <utility>

namespace zt::cli {

std::uint64_t DuplicateIds::hash_of(std::string_view bet_id) {
  const std::uint64_t hash = std::hash<std::string_view>{}(bet_id);
  return hash == 0 ? 1 : hash;
}

void DuplicateIds::prefetch(std::uint64_t hash) const {
  if (size_ != 0) __builtin_prefetch(&slots_[hash & (size_ - 1)]);
}

std::optional<std::uint64_t> DuplicateIds::first_line_of_hash(std::uint64_t hash,
                                                              std::uint64_t line) {
  if (2 * (used_ + 1) > size_) {
    if (size_ < 2 * kMaxIds) {
      grow();
    }
  }
  const std::size_t mask = size_ - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.hash == hash) return slot.line;
    if (slot.hash == 0) {
      if (used_ >= kMaxIds) {
        complete_ = false;
        return std::nullopt;
      }
      slot = Slot{hash, line};
      ++used_;
      return std::nullopt;
    }
  }
}

DuplicateIds::Slots DuplicateIds::empty_slots(std::size_t count) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20;
  const std::size_t bytes = count * sizeof(Slot);
  const std::size_t alignment = bytes >= kHugePage ? kHugePage : alignof(Slot);
  void* memory = std::aligned_alloc(alignment, bytes);
  if (memory == nullptr) throw std::bad_alloc();
  if (alignment == kHugePage) madvise(memory, bytes, MADV_HUGEPAGE);  // a hint only
  std::memset(memory, 0, bytes);                                      // every slot empty
  return Slots(static_cast<Slot*>(memory));
}

void DuplicateIds::grow() {
  const std::size_t old_size = std::exchange(size_, size_ == 0 ? 1024 : 2 * size_);
  const Slots old = std::exchange(slots_, empty_slots(size_));
  const std::size_t mask = size_ - 1;
  for (std::size_t k = 0; k < old_size; ++k) {
    const Slot& slot = old[k];
    if (slot.hash == 0) continue;
    std::size_t i = slot.hash & mask;
    while (slots_[i].hash != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

}  // namespace zt::cli
