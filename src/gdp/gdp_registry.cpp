// gdp_registry.cpp: the process-wide GdpRegistry and the no-op mapper registration.
//
// std::shared_mutex has no poisoned state, and none is needed: under the write lock
// the only thing that can fail is the allocation of a new entry, after which the map
// is unchanged (try_emplace) and the process ends at the noexcept C boundary. No
// registration can leave the map half-updated, so no "poisoned" path exists.
#include "gdp/gdp_registry.h"

#include <memory>
#include <mutex>
#include <utility>

namespace zt::gdp {

GdpRegistry& GdpRegistry::instance() {
  // A function-local static is constructed exactly once, even under concurrent
  // first calls, and lives until the process ends.
  static GdpRegistry registry;
  return registry;
}

void GdpRegistry::register_mapper(std::string gdp_id, MapperHandle mapper) {
  MapperHandle replaced;
  {
    std::unique_lock lock(lock_);
    // try_emplace leaves both arguments untouched when the key is present.
    auto [entry, inserted] = mappers_.try_emplace(std::move(gdp_id), std::move(mapper));
    if (!inserted) replaced = std::exchange(entry->second, std::move(mapper));
  }
  // |replaced| goes out of scope here, outside the lock: destroying the old mapper
  // (when no verification still holds it) never delays other registry users.
}

MapperHandle GdpRegistry::lookup_mapper(std::string_view gdp_id) const {
  std::shared_lock lock(lock_);
  if (mappers_.empty()) return nullptr;
  auto entry = mappers_.find(gdp_id);
  return entry == mappers_.end() ? nullptr : entry->second;
}

void register_noop_mapper(std::string gdp_id) {
  GdpRegistry::instance().register_mapper(std::move(gdp_id), std::make_shared<const NoopMapper>());
}

}  // namespace zt::gdp
