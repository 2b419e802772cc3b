// registration_test.cpp: building and registering mappers from package metadata,
// and the error texts of package registration.
#include "gdp/registration.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gdp/gdp_registry.h"
#include "gdp/loader/package_loader.h"
#include "gdp/plinko/plinko_mapper.h"
#include "gdp/slot/slot_mapper.h"

namespace zt::gdp {
namespace {

json::Value u(std::uint64_t v) { return json::Value(v); }

loader::GdpPackage package(std::string id, std::optional<std::string> mapper,
                           json::Object parameters = {}) {
  loader::GdpPackage package;
  package.metadata.id = std::move(id);
  package.metadata.version = "1";
  package.metadata.name = "registration.display-name";
  package.metadata.mapper = std::move(mapper);
  package.metadata.parameters = std::move(parameters);
  return package;
}

json::Object reels(json::Value value) { return json::Object{{"reels", std::move(value)}}; }

struct FailureCase {
  std::string name;
  std::optional<std::string> mapper;
  json::Object parameters;
  std::string want;
};

TEST(RegisterMapperFromMetadata, FailuresKeepTheEarlierMapper) {
  const std::vector<FailureCase> cases = {
      {"mapper_absent", std::nullopt, {}, "gdp metadata missing mapper field"},
      {"noop", "noop", {}, "unsupported mapper type noop"},
      {"capitalised", "Plinko", json::Object{{"levels", u(3)}}, "unsupported mapper type Plinko"},
      {"empty_type", "", {}, "unsupported mapper type "},
      {"padded_type", "slot ", reels(json::Array{}), "unsupported mapper type slot "},
      {"levels_absent", "plinko", {}, "invalid mapper configuration: missing levels parameter"},
      {"levels_zero", "plinko", json::Object{{"levels", u(0)}},
       "invalid mapper configuration: levels must be greater than zero"},
      {"levels_negative", "plinko", json::Object{{"levels", json::Value(std::int64_t{-1})}},
       "invalid mapper configuration: levels must be unsigned integer"},
      {"levels_fraction", "plinko", json::Object{{"levels", json::Value(2.5)}},
       "invalid mapper configuration: levels must be unsigned integer"},
      {"levels_string", "plinko", json::Object{{"levels", "8"}},
       "invalid mapper configuration: levels must be unsigned integer"},
      {"reels_absent", "slot", json::Object{{"levels", u(3)}},
       "invalid mapper configuration: missing reels parameter"},
      {"reels_null", "slot", reels(nullptr),
       "invalid mapper configuration: invalid type: null, expected a sequence"},
      {"reels_empty", "slots", reels(json::Array{}),
       "invalid mapper configuration: slot mapper requires at least one reel"},
      {"reel_empty", "slot", reels(json::Array{json::Array{u(1), u(2)}, json::Array{}}),
       "invalid mapper configuration: reel 1 must contain at least one symbol"},
      {"symbol_256", "slot", reels(json::Array{json::Array{u(0), u(256)}}),
       "invalid mapper configuration: symbol value 256 out of range in reel 0"},
      {"earlier_reel_checked_first", "slot",
       reels(json::Array{json::Array{u(1)}, json::Array{u(300)}, json::Array{}}),
       "invalid mapper configuration: symbol value 300 out of range in reel 1"},
      {"decoding_before_empty_reel", "slot",
       reels(json::Array{json::Array{}, json::Array{json::Value(std::int64_t{-1})}}),
       "invalid mapper configuration: invalid value: integer `-1`, expected u64"},
      {"symbol_fraction", "slot", reels(json::Array{json::Array{json::Value(1.5)}}),
       "invalid mapper configuration: invalid type: floating point `1.5`, expected u64"},
      {"reel_not_a_list", "slot", reels(json::Array{u(3)}),
       "invalid mapper configuration: invalid type: integer `3`, expected a sequence"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string id = "registration.failure." + c.name;
    const MapperHandle earlier = std::make_shared<const NoopMapper>();
    GdpRegistry::instance().register_mapper(id, earlier);

    auto result = register_mapper_from_metadata(package(id, c.mapper, c.parameters));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), c.want);
    EXPECT_EQ(GdpRegistry::instance().lookup_mapper(id), earlier);
  }
}

TEST(RegisterMapperFromMetadata, PlinkoIsRegisteredUnderTheId) {
  constexpr std::uint64_t kLevels = std::numeric_limits<std::uint64_t>::max();
  ASSERT_TRUE(register_mapper_from_metadata(
      package("registration.plinko", "plinko", json::Object{{"levels", u(kLevels)}})));
  const MapperHandle mapper = GdpRegistry::instance().lookup_mapper("registration.plinko");
  const auto* plinko = dynamic_cast<const PlinkoMapper*>(mapper.get());
  ASSERT_NE(plinko, nullptr);
  EXPECT_EQ(plinko->levels(), kLevels);
  // The key is the metadata's id, not its name.
  EXPECT_EQ(GdpRegistry::instance().lookup_mapper("registration.display-name"), nullptr);
}

TEST(RegisterMapperFromMetadata, SlotAndSlotsBuildTheSameMapper) {
  const json::Value reel_lists = json::Array{json::Array{u(0), u(255), u(7)}, json::Array{u(9)}};
  for (const char* type : {"slot", "slots"}) {
    SCOPED_TRACE(type);
    const std::string id = std::string("registration.") + type;
    ASSERT_TRUE(register_mapper_from_metadata(package(id, type, reels(reel_lists))));
    const MapperHandle mapper = GdpRegistry::instance().lookup_mapper(id);
    const auto* slot = dynamic_cast<const SlotMapper*>(mapper.get());
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->reels(), (std::vector<Reel>{{0, 255, 7}, {9}}));
  }
}

TEST(RegisterGdpPackage, LoadFailureCarriesTheLoaderText) {
  const std::vector<std::uint8_t> bytes = {'n', 'o', 't', ' ', 'a', ' ', 't', 'a', 'r'};
  auto loaded = loader::load_package(bytes);
  ASSERT_FALSE(loaded);

  auto result = register_gdp_package(bytes);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind, GdpRegistrationKind::PackageLoad);
  EXPECT_EQ(result.error().message(), "failed to load GDP package: " + loaded.error().message());
}

}  // namespace
}  // namespace zt::gdp
