// gdp/loader/load_error.h: GdpLoadError, the error of reading and validating a
// package. message() is the fixed text of the kind followed by its payload.
#pragma once

#include <string>

namespace zt::gdp::loader {

enum class GdpLoadKind {
  ArchiveIo,                    // detail: the gzip or tar reader's message
  InvalidPathEncoding,
  MetadataMissing,
  MetadataDuplicate,
  MetadataParse,                // detail: JSON error text with position
  TestVectorsParse,             // detail: JSON error text with position
  MultipleMappingArtifacts,
  UnsupportedMappingArtifact,   // detail: the role name
  InvalidMappingHashEncoding,   // detail: the package hex rule's message
  MappingHashMismatch,          // detail: expected text; computed: the digest in hex
  MappingHashWithoutArtifact,
  SignatureWithoutSigningKey,
  SigningKeyMalformed,          // detail text
  SignatureMalformed,           // detail text
  SignatureVerificationFailed,
  SignatureFileMissing,
};

struct GdpLoadError {
  GdpLoadKind kind;
  std::string detail;
  std::string computed;  // MappingHashMismatch only

  std::string message() const;
  friend bool operator==(const GdpLoadError&, const GdpLoadError&) = default;
};

}  // namespace zt::gdp::loader
