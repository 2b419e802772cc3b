// gdp/loader/package_loader.h: turning package bytes (tar, or gzip of tar) into a
// validated GdpPackage. Pure functions of their input; safe from any thread.
#pragma once

#include <cstdint>
#include <expected>
#include <span>

#include "gdp/loader/gdp_package.h"
#include "gdp/loader/load_error.h"

namespace zt::gdp::loader {

// The largest decompressed archive a package may have; larger ones are refused
// with an ArchiveIo error rather than exhausting the host's memory.
inline constexpr std::uint64_t kMaxArchiveBytes = 256ull * 1024 * 1024;

// The largest gdp.json or test_vectors.json that is parsed. A JSON value tree
// takes up to some fifty times the bytes of its text (a list of small numbers),
// so the archive limit alone would still let a small package claim gigabytes.
inline constexpr std::uint64_t kMaxRoleJsonBytes = 8ull * 1024 * 1024;

// read_package_archive: walks the archive, keeps every regular file and parses the
// role files. Fails with the first error in archive order.
[[nodiscard]] std::expected<GdpPackage, GdpLoadError> read_package_archive(
    std::span<const std::uint8_t> package_bytes);

// validate_package: mapping hash, then signature. Returns the package unchanged.
[[nodiscard]] std::expected<GdpPackage, GdpLoadError> validate_package(GdpPackage package);

// load_package: read_package_archive followed by validate_package.
[[nodiscard]] std::expected<GdpPackage, GdpLoadError> load_package(
    std::span<const std::uint8_t> package_bytes);

}  // namespace zt::gdp::loader
