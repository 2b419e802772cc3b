// package_checks.cpp: mapping hash and signature checks, each failing at the first
// step that does not hold, in a fixed order.
#include "gdp/loader/package_checks.h"

#include "crypto/bytes.h"
#include "crypto/sha256.h"
#include "gdp/loader/ed25519.h"
#include "gdp/loader/package_hex.h"

namespace zt::gdp::loader {
namespace {

std::unexpected<GdpLoadError> fail(GdpLoadKind kind, std::string detail = {}) {
  return std::unexpected(GdpLoadError{kind, std::move(detail), {}});
}

const Bytes* find_file(const GdpPackage& package, std::string_view key) {
  auto it = package.files.find(key);
  return it == package.files.end() ? nullptr : &it->second;
}

}  // namespace

std::expected<void, GdpLoadError> check_mapping_hash(const GdpPackage& package) {
  const auto& declared = package.metadata.mapping_sha256;
  if (!declared) return {};
  if (!package.mapping_artifact) return fail(GdpLoadKind::MappingHashWithoutArtifact);
  auto expected = decode_package_hex(*declared);
  if (!expected) return fail(GdpLoadKind::InvalidMappingHashEncoding, expected.error());
  const crypto::Digest digest = crypto::sha256(package.mapping_artifact->bytes);
  if (!crypto::same_bytes(digest, *expected)) {
    return std::unexpected(
        GdpLoadError{GdpLoadKind::MappingHashMismatch, *declared, crypto::to_hex(digest)});
  }
  return {};
}

std::expected<void, GdpLoadError> verify_package_signature(const GdpPackage& package) {
  const Bytes* signature = find_file(package, "gdp.sig");
  const auto& signer = package.metadata.signer_ed25519;
  if (!signer) {
    if (signature) return fail(GdpLoadKind::SignatureWithoutSigningKey);
    return {};
  }
  if (!signature) return fail(GdpLoadKind::SignatureFileMissing);
  const Bytes* signed_metadata = find_file(package, "gdp.json");
  if (!signed_metadata) return fail(GdpLoadKind::MetadataMissing);

  auto key = decode_package_hex(*signer);
  if (!key) return fail(GdpLoadKind::SigningKeyMalformed, key.error());
  if (key->size() != kEd25519KeyBytes) {
    return fail(GdpLoadKind::SigningKeyMalformed, "ed25519 public key must be 32 bytes");
  }
  const std::span<const std::uint8_t, kEd25519KeyBytes> key_bytes(key->data(), kEd25519KeyBytes);
  if (!decodes_to_point(key_bytes)) {
    return fail(GdpLoadKind::SigningKeyMalformed,
                "signature error: Cannot decompress Edwards point");
  }
  if (signature->size() != kEd25519SignatureBytes) {
    return fail(GdpLoadKind::SignatureMalformed, "ed25519 signatures must be 64 bytes");
  }
  const std::span<const std::uint8_t, kEd25519SignatureBytes> signature_bytes(
      signature->data(), kEd25519SignatureBytes);
  if (!verify_ed25519(key_bytes, signature_bytes, *signed_metadata)) {
    return fail(GdpLoadKind::SignatureVerificationFailed);
  }
  return {};
}

}  // namespace zt::gdp::loader
