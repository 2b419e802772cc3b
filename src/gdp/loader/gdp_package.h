// gdp/loader/gdp_package.h: a game definition package as read from its archive:
// the parsed gdp.json, the optional mapping artifact and test vectors, and a copy of
// every regular file by path key.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "json/value.h"

namespace zt::gdp::loader {

using Bytes = std::vector<std::uint8_t>;

struct GdpMetadata {
  std::string id;
  std::string version;
  std::optional<std::string> name;
  std::optional<std::string> description;
  std::optional<std::string> mapper;
  json::Object parameters;  // absent in gdp.json means empty
  std::optional<std::string> mapping_sha256;
  std::optional<std::string> signer_ed25519;
};

struct MappingArtifact {
  enum class Kind { Wasm, Source };
  Kind kind;
  std::string role_name;  // "mapping.wasm" for Wasm, e.g. "mapping.rs" for Source
  Bytes bytes;
};

struct GdpPackage {
  GdpMetadata metadata;
  std::optional<MappingArtifact> mapping_artifact;
  std::optional<json::Value> test_vectors;
  std::map<std::string, Bytes, std::less<>> files;  // by path key
};

}  // namespace zt::gdp::loader
