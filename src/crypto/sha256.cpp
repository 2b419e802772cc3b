// sha256.cpp: SHA-256 through OpenSSL's SHA256_* functions. They run the same
// assembly (SHA extensions where the CPU has them) as the EVP interface but
// without its per-call dispatch, which for the 32- to 200-byte messages of a bet
// costs more than the compressions themselves; their state is a plain struct that
// can be copied. OpenSSL 3 marks them deprecated in favour of EVP, hence the
// suppression, confined to this file.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "crypto/sha256.h"

#include <openssl/sha.h>

#include <cstring>

namespace zt::crypto {
namespace {

static_assert(sizeof(SHA256_CTX) <= sizeof(std::array<unsigned char, 112>));
static_assert(alignof(SHA256_CTX) <= 8);

SHA256_CTX* as_context(unsigned char* storage) { return reinterpret_cast<SHA256_CTX*>(storage); }

}  // namespace

// SHA256_Init, SHA256_Update and SHA256_Final cannot fail for these arguments.
Sha256State::Sha256State() { SHA256_Init(as_context(context_.data())); }

void Sha256State::update(std::span<const std::uint8_t> data) {
  if (!data.empty()) SHA256_Update(as_context(context_.data()), data.data(), data.size());
}

Digest Sha256State::finish() const {
  alignas(8) std::array<unsigned char, 112> copy;
  std::memcpy(copy.data(), context_.data(), copy.size());
  Digest out;
  SHA256_Final(out.data(), as_context(copy.data()));
  return out;
}

// Not OpenSSL's SHA256(): in OpenSSL 3 it looks the algorithm up on every call.
Digest sha256(std::span<const std::uint8_t> data) {
  Sha256State state;
  state.update(data);
  return state.finish();
}

std::vector<std::uint8_t> sha256_bytes(std::span<const std::uint8_t> data) {
  const Digest digest = sha256(data);
  return {digest.begin(), digest.end()};
}

}  // namespace zt::crypto
