// zt-verify/package_json.cpp: the package members of inspect's and upload's JSON.
#include "package_json.h"

#include <cstdint>

#include "crypto/bytes.h"
#include "crypto/sha256.h"
#include "json_output.h"

namespace zt::cli {
namespace {

const char* artifact_kind(const gdp::loader::MappingArtifact& artifact) {
  return artifact.kind == gdp::loader::MappingArtifact::Kind::Wasm ? "wasm" : "source";
}

}  // namespace

std::string artifact_sha256(const gdp::loader::MappingArtifact& artifact) {
  return crypto::to_hex(crypto::sha256(artifact.bytes));
}

bool has_signature_file(const gdp::loader::GdpPackage& package) {
  return package.files.contains("gdp.sig");
}

void put_package_members(json::Object& object, const gdp::loader::GdpPackage* package) {
  for (const char* key :
       {"id", "version", "name", "description", "mapper", "parameters", "mapping_sha256",
        "signer_ed25519", "signed", "signature_file", "artifact"}) {
    put(object, key, nullptr);
  }
  if (package == nullptr) return;
  const gdp::loader::GdpMetadata& metadata = package->metadata;
  if (const auto& found = package->mapping_artifact) {
    json::Object artifact;
    put(artifact, "name", found->role_name);
    put(artifact, "kind", artifact_kind(*found));
    put(artifact, "size", static_cast<std::uint64_t>(found->bytes.size()));
    put(artifact, "sha256", artifact_sha256(*found));
    put(object, "artifact", std::move(artifact));
  }
  put(object, "id", metadata.id);
  put(object, "version", metadata.version);
  put(object, "name", text_or_null(metadata.name));
  put(object, "description", text_or_null(metadata.description));
  put(object, "mapper", text_or_null(metadata.mapper));
  put(object, "parameters", metadata.parameters);
  put(object, "mapping_sha256", text_or_null(metadata.mapping_sha256));
  put(object, "signer_ed25519", text_or_null(metadata.signer_ed25519));
  put(object, "signed", metadata.signer_ed25519.has_value());
  put(object, "signature_file", has_signature_file(*package));
}

}  // namespace zt::cli
