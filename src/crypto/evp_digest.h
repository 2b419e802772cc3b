// crypto/evp_digest.h: the OpenSSL pieces shared by sha256.cpp and hkdf.cpp. Not
// part of the crypto interface; only this folder includes it.
//
// In OpenSSL 3 an implicit algorithm lookup costs more than hashing a short input,
// so SHA-256 is fetched once per process, and each thread reuses one digest
// context instead of allocating one per call.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <span>

#include "crypto/sha256.h"

namespace zt::crypto::detail {

// sha256_md: SHA-256 from the default provider, fetched on first use (thread-safe)
// and kept for the life of the process.
const EVP_MD* sha256_md();

// thread_context: a digest context owned by the calling thread. Valid until the
// thread ends; callers must not hold it across calls that may use it themselves.
EVP_MD_CTX* thread_context();

// OpenSSL fails here only on memory exhaustion: a broken invariant, not a result.
[[noreturn]] void openssl_failure(const char* operation);

inline void init(EVP_MD_CTX* ctx) {
  if (EVP_DigestInit_ex2(ctx, sha256_md(), nullptr) != 1) openssl_failure("EVP_DigestInit_ex2");
}

inline void update(EVP_MD_CTX* ctx, std::span<const std::uint8_t> data) {
  if (EVP_DigestUpdate(ctx, data.data(), data.size()) != 1) openssl_failure("EVP_DigestUpdate");
}

inline void finish(EVP_MD_CTX* ctx, Digest& out) {
  if (EVP_DigestFinal_ex(ctx, out.data(), nullptr) != 1) openssl_failure("EVP_DigestFinal_ex");
}

}  // namespace zt::crypto::detail
