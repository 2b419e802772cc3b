// load_error.cpp: the fixed texts of GdpLoadError, each followed by its payload.
#include "gdp/loader/load_error.h"

namespace zt::gdp::loader {
namespace {

const char* kind_text(GdpLoadKind kind) {
  switch (kind) {
    case GdpLoadKind::ArchiveIo:
      return "archive io error: ";
    case GdpLoadKind::InvalidPathEncoding:
      return "invalid archive path encoding";
    case GdpLoadKind::MetadataMissing:
      return "gdp.json missing from archive";
    case GdpLoadKind::MetadataDuplicate:
      return "gdp.json provided more than once";
    case GdpLoadKind::MetadataParse:
      return "failed to parse metadata: ";
    case GdpLoadKind::TestVectorsParse:
      return "failed to parse test vectors: ";
    case GdpLoadKind::MultipleMappingArtifacts:
      return "multiple mapping artifacts found";
    case GdpLoadKind::UnsupportedMappingArtifact:
      return "unsupported mapping artifact ";
    case GdpLoadKind::InvalidMappingHashEncoding:
      return "invalid mapping hash encoding: ";
    case GdpLoadKind::MappingHashMismatch:
      return "mapping hash mismatch: expected ";
    case GdpLoadKind::MappingHashWithoutArtifact:
      return "mapping hash declared but mapping artifact missing";
    case GdpLoadKind::SignatureWithoutSigningKey:
      return "signature declared without signing key";
    case GdpLoadKind::SigningKeyMalformed:
      return "signing key malformed: ";
    case GdpLoadKind::SignatureMalformed:
      return "signature malformed: ";
    case GdpLoadKind::SignatureVerificationFailed:
      return "signature verification failed";
    case GdpLoadKind::SignatureFileMissing:
      return "signature file gdp.sig missing";
  }
  return "unknown package loader error";
}

}  // namespace

std::string GdpLoadError::message() const {
  std::string text = kind_text(kind);
  text += detail;
  if (kind == GdpLoadKind::MappingHashMismatch) {
    text += ", computed ";
    text += computed;
  }
  return text;
}

}  // namespace zt::gdp::loader
