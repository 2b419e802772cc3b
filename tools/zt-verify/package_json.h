// zt-verify/package_json.h: what a package archive claims (id, version, mapper,
// parameters, mapping artifact, signer), as the JSON members shared by
// `zt-verify inspect --json` and the answer to a page upload.
#pragma once

#include <string>

#include "gdp/loader/gdp_package.h"
#include "json/value.h"

namespace zt::cli {

// artifact_sha256: the lower-case hex SHA-256 of the mapping artifact's bytes.
std::string artifact_sha256(const gdp::loader::MappingArtifact& artifact);

// has_signature_file: whether the archive holds a gdp.sig member.
bool has_signature_file(const gdp::loader::GdpPackage& package);

// put_package_members: sets the members id, version, name, description, mapper,
// parameters, mapping_sha256, signer_ed25519, signed, signature_file and artifact
// ({"name", "kind", "size", "sha256"}) of |object| from |package|. With no
// package (the file is no readable archive) every one of them is null.
void put_package_members(json::Object& object, const gdp::loader::GdpPackage* package);

}  // namespace zt::cli
