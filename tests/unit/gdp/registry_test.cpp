// registry_test.cpp: GdpRegistry keys, replacement and handle lifetime. The
// registry is process-wide, so every test uses ids of its own.
#include <gtest/gtest.h>

#include <memory>

#include "gdp/gdp_registry.h"

namespace zt::gdp {
namespace {

MapperHandle new_mapper() { return std::make_shared<const NoopMapper>(); }

TEST(GdpRegistry, UnknownIdYieldsNothing) {
  EXPECT_EQ(GdpRegistry::instance().lookup_mapper("registry.never-registered"), nullptr);
}

TEST(GdpRegistry, KeysAreCaseSensitiveAndTheEmptyIdIsOrdinary) {
  GdpRegistry& registry = GdpRegistry::instance();
  const MapperHandle lower = new_mapper();
  const MapperHandle upper = new_mapper();
  const MapperHandle empty = new_mapper();
  registry.register_mapper("registry.game", lower);
  registry.register_mapper("registry.Game", upper);
  registry.register_mapper("", empty);

  EXPECT_EQ(registry.lookup_mapper("registry.game"), lower);
  EXPECT_EQ(registry.lookup_mapper("registry.Game"), upper);
  EXPECT_EQ(registry.lookup_mapper("registry.GAME"), nullptr);
  EXPECT_EQ(registry.lookup_mapper("registry.game "), nullptr);
  EXPECT_EQ(registry.lookup_mapper(""), empty);
}

TEST(GdpRegistry, ReplacementKeepsEarlierHandlesValidAndReleasesTheOldEntry) {
  GdpRegistry& registry = GdpRegistry::instance();
  std::weak_ptr<const OutcomeMapper> first;
  {
    MapperHandle mapper = new_mapper();
    first = mapper;
    registry.register_mapper("registry.replace", std::move(mapper));
  }
  MapperHandle held = registry.lookup_mapper("registry.replace");
  ASSERT_EQ(held, first.lock());

  const MapperHandle second = new_mapper();
  registry.register_mapper("registry.replace", second);
  EXPECT_EQ(registry.lookup_mapper("registry.replace"), second);
  // The handle looked up before the replacement still owns the first mapper...
  EXPECT_FALSE(first.expired());
  EXPECT_EQ(held, first.lock());
  // ...and is its last owner: the registry let go of it.
  held.reset();
  EXPECT_TRUE(first.expired());
}

TEST(GdpRegistry, RegisterNoopMapperBindsANoopMapper) {
  register_noop_mapper("registry.noop");
  const MapperHandle mapper = GdpRegistry::instance().lookup_mapper("registry.noop");
  EXPECT_NE(dynamic_cast<const NoopMapper*>(mapper.get()), nullptr);
}

}  // namespace
}  // namespace zt::gdp
