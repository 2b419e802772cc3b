// load_error_test.cpp: the full text of every GdpLoadError kind.
#include "gdp/loader/load_error.h"

#include <gtest/gtest.h>

namespace zt::gdp::loader {
namespace {

TEST(GdpLoadError, MessageOfEachKind) {
  using K = GdpLoadKind;
  const std::pair<GdpLoadError, std::string_view> cases[] = {
      {{K::ArchiveIo, "corrupt deflate stream", ""}, "archive io error: corrupt deflate stream"},
      {{K::InvalidPathEncoding, "", ""}, "invalid archive path encoding"},
      {{K::MetadataMissing, "", ""}, "gdp.json missing from archive"},
      {{K::MetadataDuplicate, "", ""}, "gdp.json provided more than once"},
      {{K::MetadataParse, "missing field `id` at line 1 column 2", ""},
       "failed to parse metadata: missing field `id` at line 1 column 2"},
      {{K::TestVectorsParse, "expected value at line 1 column 1", ""},
       "failed to parse test vectors: expected value at line 1 column 1"},
      {{K::MultipleMappingArtifacts, "", ""}, "multiple mapping artifacts found"},
      {{K::UnsupportedMappingArtifact, "mapping.py", ""},
       "unsupported mapping artifact mapping.py"},
      {{K::InvalidMappingHashEncoding, "Odd number of digits", ""},
       "invalid mapping hash encoding: Odd number of digits"},
      {{K::MappingHashMismatch, "AB", "cd"}, "mapping hash mismatch: expected AB, computed cd"},
      {{K::MappingHashMismatch, "", "cd"}, "mapping hash mismatch: expected , computed cd"},
      {{K::MappingHashWithoutArtifact, "", ""},
       "mapping hash declared but mapping artifact missing"},
      {{K::SignatureWithoutSigningKey, "", ""}, "signature declared without signing key"},
      {{K::SigningKeyMalformed, "ed25519 public key must be 32 bytes", ""},
       "signing key malformed: ed25519 public key must be 32 bytes"},
      {{K::SignatureMalformed, "ed25519 signatures must be 64 bytes", ""},
       "signature malformed: ed25519 signatures must be 64 bytes"},
      {{K::SignatureVerificationFailed, "", ""}, "signature verification failed"},
      {{K::SignatureFileMissing, "", ""}, "signature file gdp.sig missing"},
  };
  for (const auto& [error, message] : cases) EXPECT_EQ(error.message(), message);
}

}  // namespace
}  // namespace zt::gdp::loader
