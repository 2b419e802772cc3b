// fuzz/load_package_fuzzer.cpp: package reading, validation and registration. The
// input is the package archive. Cross-checks: a plain tar archive reads exactly as
// its gzip compression does; zt_core_register_gdp_package reports the loader's error
// or registers the mapper under the package's id; JSON errors carry a position.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_checks.h"
#include "gdp/gdp_registry.h"
#include "gdp/loader/package_loader.h"
#include "zt/zt_core.h"

namespace {

namespace loader = zt::gdp::loader;
using LoadResult = std::expected<loader::GdpPackage, loader::GdpLoadError>;

std::vector<std::uint8_t> gzip(std::span<const std::uint8_t> bytes) {
  z_stream stream{};
  zt::fuzz::require(deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK,
                    "deflateInit2");
  std::vector<std::uint8_t> out(deflateBound(&stream, bytes.size()));
  stream.next_in = const_cast<Bytef*>(bytes.data());
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  zt::fuzz::require(deflate(&stream, Z_FINISH) == Z_STREAM_END, "deflate");
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

bool same_artifact(const std::optional<loader::MappingArtifact>& a,
                   const std::optional<loader::MappingArtifact>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (a->kind == b->kind && a->role_name == b->role_name && a->bytes == b->bytes);
}

bool same_read(const LoadResult& a, const LoadResult& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return a.error() == b.error();
  return a->metadata.id == b->metadata.id && a->metadata.mapper == b->metadata.mapper &&
         a->metadata.parameters == b->metadata.parameters && a->files == b->files &&
         a->test_vectors == b->test_vectors &&
         same_artifact(a->mapping_artifact, b->mapping_artifact);
}

void check_json_error_position(const loader::GdpLoadError& error) {
  if (error.kind == loader::GdpLoadKind::MetadataParse ||
      error.kind == loader::GdpLoadKind::TestVectorsParse) {
    zt::fuzz::require_position_suffix(error.detail);
  }
}

// check_registration: what zt_core_register_gdp_package must report for a package
// whose loading ended with |loaded|.
void check_registration(std::int32_t code, const LoadResult& loaded) {
  if (!loaded) {
    zt::fuzz::require(code == 2, "a package that does not load was registered");
    zt::fuzz::require_last_error("failed to load GDP package: " + loaded.error().message(),
                                 "load failure");
    return;
  }
  const loader::GdpMetadata& metadata = loaded->metadata;
  if (code == 0) {
    zt::fuzz::require(zt_core_last_error_message() == nullptr, "registration left a message");
    zt::fuzz::require(zt::gdp::GdpRegistry::instance().lookup_mapper(metadata.id) != nullptr,
                      "registered package has no mapper under its id");
    return;
  }
  zt::fuzz::require(code == 2, "registration returned an unknown code");
  if (!metadata.mapper) {
    zt::fuzz::require_last_error("gdp metadata missing mapper field", "missing mapper");
  } else if (*metadata.mapper != "plinko" && *metadata.mapper != "slot" &&
             *metadata.mapper != "slots") {
    zt::fuzz::require_last_error("unsupported mapper type " + *metadata.mapper, "mapper type");
  } else {
    const char* stored = zt_core_last_error_message();
    zt::fuzz::require(
        stored != nullptr && std::string_view(stored).starts_with("invalid mapper configuration: "),
        "a loaded package failed registration with another error");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  LoadResult read = loader::read_package_archive(bytes);
  if (!read) check_json_error_position(read.error());

  bool gzip_framed = size >= 2 && data[0] == 0x1F && data[1] == 0x8B;
  if (!gzip_framed) {
    zt::fuzz::require(same_read(read, loader::read_package_archive(gzip(bytes))),
                      "a tar archive reads differently once gzip-compressed");
  }

  LoadResult loaded = read ? loader::validate_package(std::move(*read)) : std::move(read);
  std::int32_t code = zt_core_register_gdp_package(data, size);
  if (size == 0) {
    zt::fuzz::require(code == 1, "an empty package was not refused as an argument");
    zt::fuzz::require_last_error("package pointer is null or length is zero", "empty package");
    return 0;
  }
  check_registration(code, loaded);
  return 0;
}
