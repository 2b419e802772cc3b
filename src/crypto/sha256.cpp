// sha256.cpp: SHA-256 over OpenSSL's EVP interface, with the algorithm fetched once
// and a digest context reused per thread.
#include "crypto/sha256.h"

#include <cstdio>
#include <cstdlib>

#include "crypto/evp_digest.h"

namespace zt::crypto {
namespace detail {
namespace {

struct ThreadContext {
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  ~ThreadContext() { EVP_MD_CTX_free(ctx); }
};

}  // namespace

const EVP_MD* sha256_md() {
  // Deliberately never freed: it must outlive every thread's last digest.
  static const EVP_MD* const md = [] {
    EVP_MD* fetched = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    if (fetched == nullptr) openssl_failure("EVP_MD_fetch(SHA256)");
    return fetched;
  }();
  return md;
}

EVP_MD_CTX* thread_context() {
  thread_local ThreadContext context;
  if (context.ctx == nullptr) openssl_failure("EVP_MD_CTX_new");
  return context.ctx;
}

void openssl_failure(const char* operation) {
  std::fprintf(stderr, "OpenSSL failure in %s\n", operation);
  std::abort();
}

}  // namespace detail

Digest sha256(std::span<const std::uint8_t> data) {
  EVP_MD_CTX* ctx = detail::thread_context();
  Digest out;
  detail::init(ctx);
  detail::update(ctx, data);
  detail::finish(ctx, out);
  return out;
}

std::vector<std::uint8_t> sha256_bytes(std::span<const std::uint8_t> data) {
  const Digest digest = sha256(data);
  return {digest.begin(), digest.end()};
}

}  // namespace zt::crypto
