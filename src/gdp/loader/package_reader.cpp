// package_reader.cpp: the archive walk of read_package_archive: keeps a copy of
// every regular file and picks out and parses the role files in archive order.
#include <string_view>

#include "gdp/loader/archive_stream.h"
#include "gdp/loader/entry_path.h"
#include "gdp/loader/gdp_metadata.h"
#include "gdp/loader/package_loader.h"
#include "gdp/loader/role_name.h"
#include "gdp/loader/tar_reader.h"
#include "json/parse_value.h"

namespace zt::gdp::loader {
namespace {

std::unexpected<GdpLoadError> fail(GdpLoadKind kind, std::string detail = {}) {
  return std::unexpected(GdpLoadError{kind, std::move(detail), {}});
}

bool is_regular_file(char type_flag) { return type_flag == '0' || type_flag == '\0'; }

std::string_view as_text(const Bytes& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// too_large: the detail of a role JSON file that is not parsed because of its size.
std::optional<std::string> too_large(const Bytes& contents) {
  if (contents.size() <= kMaxRoleJsonBytes) return std::nullopt;
  return "document exceeds " + std::to_string(kMaxRoleJsonBytes / (1024 * 1024)) + " MiB";
}

struct Roles {
  std::optional<GdpMetadata> metadata;
  std::optional<MappingArtifact> mapping_artifact;
  std::optional<json::Value> test_vectors;
};

// take_role: the role dispatch; the first rule that matches the role name decides.
std::expected<void, GdpLoadError> take_role(const std::string& role, const Bytes& contents,
                                            Roles& roles) {
  if (role == "gdp.json") {
    if (roles.metadata) return fail(GdpLoadKind::MetadataDuplicate);
    if (auto detail = too_large(contents)) return fail(GdpLoadKind::MetadataParse, *detail);
    auto metadata = parse_gdp_metadata(as_text(contents));
    if (!metadata) return fail(GdpLoadKind::MetadataParse, metadata.error().message());
    roles.metadata = std::move(*metadata);
  } else if (role == "mapping.wasm" || role.ends_with(".rs") || role.ends_with(".js")) {
    if (roles.mapping_artifact) return fail(GdpLoadKind::MultipleMappingArtifacts);
    const auto kind =
        role == "mapping.wasm" ? MappingArtifact::Kind::Wasm : MappingArtifact::Kind::Source;
    roles.mapping_artifact = MappingArtifact{kind, role, contents};
  } else if (role == "test_vectors.json") {
    if (auto detail = too_large(contents)) return fail(GdpLoadKind::TestVectorsParse, *detail);
    auto vectors = json::parse_value(as_text(contents));
    if (!vectors) return fail(GdpLoadKind::TestVectorsParse, vectors.error().message());
    roles.test_vectors = std::move(*vectors);
  } else if (role.starts_with("mapping.")) {
    return fail(GdpLoadKind::UnsupportedMappingArtifact, role);
  }
  return {};
}

}  // namespace

std::expected<GdpPackage, GdpLoadError> read_package_archive(
    std::span<const std::uint8_t> package_bytes) {
  ArchiveStream stream(package_bytes, kMaxArchiveBytes);
  TarReader tar(stream);
  Roles roles;
  std::map<std::string, Bytes, std::less<>> files;
  for (;;) {
    auto entry = tar.next_entry();
    if (!entry) return fail(GdpLoadKind::ArchiveIo, entry.error());
    if (!*entry) break;
    const TarHeader& header = **entry;
    if (!is_regular_file(header.type_flag)) continue;

    const auto name = file_name(header.path);
    if (!name || !is_valid_utf8(*name)) return fail(GdpLoadKind::InvalidPathEncoding);
    const std::string role = role_name(*name);
    auto contents = tar.read_contents();
    if (!contents) return fail(GdpLoadKind::ArchiveIo, contents.error());
    const Bytes& stored =
        files.insert_or_assign(path_key(header.path), std::move(*contents)).first->second;
    if (auto taken = take_role(role, stored, roles); !taken) {
      return std::unexpected(taken.error());
    }
  }
  if (!roles.metadata) return fail(GdpLoadKind::MetadataMissing);
  return GdpPackage{std::move(*roles.metadata), std::move(roles.mapping_artifact),
                    std::move(roles.test_vectors), std::move(files)};
}

}  // namespace zt::gdp::loader
