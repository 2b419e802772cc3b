// package_fixtures_test.cpp: every generated package loads to the result listed in
// packages.tsv, and selected packages are read into exactly the expected files,
// artifact and test vectors.
#include "package_fixtures.h"

#include <gtest/gtest.h>

#include "gdp/loader/package_loader.h"

namespace zt::gdp::loader {
namespace {

using testing::kLoadPrefix;
using testing::package_named;

Bytes bytes_of(std::string_view text) { return Bytes(text.begin(), text.end()); }

GdpPackage loaded(std::string_view name) {
  const Bytes bytes = package_named(name);
  EXPECT_FALSE(bytes.empty()) << "no fixture " << name;
  auto package = load_package(bytes);
  EXPECT_TRUE(package) << name << ": " << package.error().message();
  return package ? std::move(*package) : GdpPackage{};
}

std::vector<std::string> keys_of(const GdpPackage& package) {
  std::vector<std::string> keys;
  for (const auto& [key, bytes] : package.files) keys.push_back(key);
  return keys;
}

TEST(PackageFixtures, EachLoadsToItsListedResult) {
  const auto rows = testing::package_rows();
  ASSERT_FALSE(rows.empty()) << "packages.tsv is missing";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Bytes bytes = testing::read_fixture(row.file);
    ASSERT_FALSE(bytes.empty());
    auto package = load_package(bytes);
    if (row.expected.starts_with(kLoadPrefix)) {
      ASSERT_FALSE(package) << "loaded, expected " << row.expected;
      EXPECT_EQ(package.error().message(), row.expected.substr(kLoadPrefix.size()));
    } else {
      // "ok", or a failure of mapper construction after a successful load.
      ASSERT_TRUE(package) << package.error().message();
      if (!row.gdp_id.empty()) {
        EXPECT_EQ(package->metadata.id, row.gdp_id);
      }
    }
  }
}

TEST(PackageFixtures, FilesAreKeptUnderTheirPathKeys) {
  const std::string long_dir = "deep/" + std::string(120, 'd');
  const std::pair<std::string_view, std::vector<std::string>> cases[] = {
      {"plinko-classic", {"gdp.json", "gdp.sig", "mapping.wasm", "test_vectors.json"}},
      {"slot-3x5", {"gdp.json", "gdp.sig", "src/mapping.js"}},
      {"metadata-capitalised-in-directory", {"pkg/GDP.JSON"}},
      {"metadata-absolute", {"//gdp.json"}},
      {"directory-not-utf8", {"d\xEF\xBF\xBDr/notes.txt", "gdp.json"}},
      {"skipped-entry-types", {"gdp.json"}},
      {"ustar-prefix", {"a/long/prefix/gdp.json"}},
      {"gnu-magic-ignores-prefix", {"gdp.json"}},
      {"gnu-long-name", {long_dir + "/gdp.json"}},
      {"gnu-long-name-written", {long_dir + "/gdp.json"}},
      {"pax-path", {"pax/gdp.json"}},
      {"zero-block-ends-archive", {"gdp.json"}},
      {"same-key-twice", {"gdp.json", "notes.txt"}},
      {"mapping-like-names", {"gdp.json", "mapping", "mappings.txt"}},
      {"dotted-capital-i-is-no-mapping-name", {"MAPP\xC4\xB0NG.X", "gdp.json"}},
      // Extension records name the entry after them; each reads the same from gzip.
      {"pax-empty-path", {"gdp.json"}},
      {"pax-size-equal", {"gdp.json"}},
      {"long-name-ends-at-nul", {"named/gdp.json"}},
      {"long-name-without-magic-gz", {"old/gdp.json"}},
      {"long-link", {"gdp.json"}},
      {"all-three-extensions", {"all/gdp.json"}},
      {"size-field-with-spaces", {"gdp.json"}},
  };
  for (const auto& [name, keys] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(keys_of(loaded(name)), keys);
  }
}

TEST(PackageFixtures, LongNameOfOneMebibyteIsRead) {
  std::string key;
  while (key.size() + 2 <= 1024 * 1024 - 8) key += "a/";
  EXPECT_EQ(keys_of(loaded("long-name-of-1-mib-gz")), std::vector<std::string>{key + "gdp.json"});
}

TEST(PackageFixtures, LaterEntriesWin) {
  EXPECT_EQ(loaded("same-key-twice").files.at("notes.txt"), bytes_of("second"));
  const json::Value later(json::Object{{"later", json::Value(true)}});
  EXPECT_EQ(loaded("test-vectors-twice").test_vectors, later);
}

TEST(PackageFixtures, RoleFilesAreParsed) {
  const GdpPackage plinko = loaded("plinko-classic");
  EXPECT_EQ(plinko.metadata.mapper, "plinko");
  EXPECT_EQ(plinko.metadata.parameters.at("levels"), json::Value(std::uint64_t{12}));
  ASSERT_TRUE(plinko.mapping_artifact);
  EXPECT_EQ(plinko.mapping_artifact->kind, MappingArtifact::Kind::Wasm);
  EXPECT_EQ(plinko.mapping_artifact->bytes, plinko.files.at("mapping.wasm"));
  ASSERT_TRUE(plinko.test_vectors);
  EXPECT_TRUE(plinko.test_vectors->is_array());

  const GdpPackage slot = loaded("slot-3x5");
  ASSERT_TRUE(slot.mapping_artifact);
  EXPECT_EQ(slot.mapping_artifact->kind, MappingArtifact::Kind::Source);
  EXPECT_EQ(slot.mapping_artifact->role_name, "mapping.js");
  EXPECT_FALSE(slot.test_vectors);

  EXPECT_EQ(loaded("source-artifact").mapping_artifact->role_name, "lib.rs");
  EXPECT_EQ(loaded("test-vectors-number").test_vectors, json::Value(std::uint64_t{42}));
  EXPECT_EQ(loaded("test-vectors-array").test_vectors, json::Value(json::Array{}));
  EXPECT_EQ(loaded("metadata-absolute").metadata.id, "loader-roles");
}

TEST(PackageFixtures, GzipAndPlainTarReadAlike) {
  const GdpPackage gzip = loaded("plinko-classic");
  const GdpPackage plain = loaded("plinko-classic-tar");
  EXPECT_EQ(gzip.files, plain.files);
  EXPECT_EQ(gzip.test_vectors, plain.test_vectors);
}

TEST(ValidatePackage, ReturnsThePackageUnchanged) {
  const Bytes bytes = package_named("plinko-classic");
  auto read = read_package_archive(bytes);
  ASSERT_TRUE(read) << read.error().message();
  auto validated = validate_package(*read);
  ASSERT_TRUE(validated) << validated.error().message();
  EXPECT_EQ(validated->files, read->files);
  EXPECT_EQ(validated->metadata.signer_ed25519, read->metadata.signer_ed25519);
  EXPECT_EQ(validated->mapping_artifact->bytes, read->mapping_artifact->bytes);
  EXPECT_EQ(validated->test_vectors, read->test_vectors);
}

TEST(ValidatePackage, HashesSourceArtifactBytesOnly) {
  GdpPackage package;
  package.metadata.id = "x";
  // SHA-256 of "abc"; the artifact's name takes no part.
  package.metadata.mapping_sha256 =
      "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  package.mapping_artifact =
      MappingArtifact{MappingArtifact::Kind::Source, "x.rs", bytes_of("abc")};
  EXPECT_TRUE(validate_package(package));
  package.mapping_artifact->bytes.push_back('!');
  auto changed = validate_package(package);
  ASSERT_FALSE(changed);
  EXPECT_EQ(changed.error().kind, GdpLoadKind::MappingHashMismatch);
}

}  // namespace
}  // namespace zt::gdp::loader
