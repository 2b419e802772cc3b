// zt-verify/duplicate_ids.cpp: linear probing over a power-of-two table, at most
// half full. Two different ids with the same 64-bit hash would be reported as one;
// among two million ids the chance is about one in ten million.
#include "duplicate_ids.h"

#include <functional>

namespace zt::cli {

std::uint64_t DuplicateIds::hash_of(std::string_view bet_id) {
  const std::uint64_t hash = std::hash<std::string_view>{}(bet_id);
  return hash == 0 ? 1 : hash;
}

void DuplicateIds::prefetch(std::uint64_t hash) const {
  if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
}

std::optional<std::uint64_t> DuplicateIds::first_line_of_hash(std::uint64_t hash,
                                                              std::uint64_t line) {
  if (2 * (used_ + 1) > slots_.size()) {
    if (slots_.size() < 2 * kMaxIds) {
      grow();
    }
  }
  const std::size_t mask = slots_.size() - 1;
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

void DuplicateIds::grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? 1024 : 2 * old.size(), Slot{});
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.hash == 0) continue;
    std::size_t i = slot.hash & mask;
    while (slots_[i].hash != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

}  // namespace zt::cli
