// gdp/gdp_registry.h: the process-wide map from GDP id to mapper. Created on first
// use, never shrinks. The reader-writer lock is held only for the map operation
// itself; mappers run outside it.
#pragma once

#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "gdp/outcome_mapper.h"

namespace zt::gdp {

class GdpRegistry {
 public:
  // instance: the one registry of the process, created on first call.
  static GdpRegistry& instance();

  // register_mapper: binds |mapper| to |gdp_id|, replacing an earlier binding.
  void register_mapper(std::string gdp_id, MapperHandle mapper);
  // lookup_mapper: a new handle to the mapper bound to |gdp_id|, or null.
  MapperHandle lookup_mapper(std::string_view gdp_id) const;

 private:
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const {
      return std::hash<std::string_view>{}(key);
    }
  };

  GdpRegistry() = default;

  mutable std::shared_mutex lock_;
  std::unordered_map<std::string, MapperHandle, KeyHash, std::equal_to<>> mappers_;
};

// register_noop_mapper: binds a new NoopMapper to |gdp_id|.
void register_noop_mapper(std::string gdp_id);

}  // namespace zt::gdp
