// ed25519.cpp: point decoding with OpenSSL BIGNUM arithmetic (OpenSSL does not
// expose it) and verification through OpenSSL's one-shot EVP_DigestVerify.
#include "gdp/loader/ed25519.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>

#include <array>
#include <memory>

namespace zt::gdp::loader {
namespace {

struct BnFree {
  void operator()(BIGNUM* bn) const { BN_free(bn); }
};
struct BnCtxFree {
  void operator()(BN_CTX* ctx) const { BN_CTX_free(ctx); }
};
struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using Bn = std::unique_ptr<BIGNUM, BnFree>;

Bn new_bn() { return Bn(BN_new()); }

// x_squared_is_square: computes x^2 = (y^2-1)/(d*y^2+1) mod p with d = -121665/121666
// and reports whether it is zero or a square. Returns false also when OpenSSL
// fails, which only happens when memory runs out.
bool x_squared_is_square(const std::array<std::uint8_t, kEd25519KeyBytes>& y_le) {
  std::unique_ptr<BN_CTX, BnCtxFree> ctx(BN_CTX_new());
  Bn p = new_bn(), d = new_bn(), t = new_bn(), y = new_bn(), y2 = new_bn(), u = new_bn(),
     v = new_bn(), x2 = new_bn(), one = new_bn();
  if (!ctx || !p || !d || !t || !y || !y2 || !u || !v || !x2 || !one) return false;
  // p = 2^255 - 19
  if (!BN_set_bit(p.get(), 255) || !BN_sub_word(p.get(), 19) || !BN_one(one.get())) return false;
  // d = (p - 121665) * 121666^-1 mod p
  if (!BN_set_word(t.get(), 121666) || !BN_mod_inverse(t.get(), t.get(), p.get(), ctx.get()) ||
      !BN_copy(d.get(), p.get()) || !BN_sub_word(d.get(), 121665) ||
      !BN_mod_mul(d.get(), d.get(), t.get(), p.get(), ctx.get())) {
    return false;
  }
  if (!BN_lebin2bn(y_le.data(), static_cast<int>(y_le.size()), y.get()) ||
      !BN_nnmod(y.get(), y.get(), p.get(), ctx.get()) ||
      !BN_mod_sqr(y2.get(), y.get(), p.get(), ctx.get()) ||
      !BN_mod_sub(u.get(), y2.get(), one.get(), p.get(), ctx.get()) ||
      !BN_mod_mul(v.get(), d.get(), y2.get(), p.get(), ctx.get()) ||
      !BN_mod_add(v.get(), v.get(), one.get(), p.get(), ctx.get())) {
    return false;
  }
  // d is not a square, so d*y^2 + 1 never vanishes and the inverse exists.
  if (!BN_mod_inverse(v.get(), v.get(), p.get(), ctx.get()) ||
      !BN_mod_mul(x2.get(), u.get(), v.get(), p.get(), ctx.get())) {
    return false;
  }
  return BN_is_zero(x2.get()) || BN_kronecker(x2.get(), p.get(), ctx.get()) == 1;
}

}  // namespace

bool decodes_to_point(std::span<const std::uint8_t, kEd25519KeyBytes> key) {
  std::array<std::uint8_t, kEd25519KeyBytes> y{};
  std::copy(key.begin(), key.end(), y.begin());
  y[31] &= 0x7F;  // the sign of x; whatever it says, an x exists when x^2 is a square
  const bool square = x_squared_is_square(y);
  ERR_clear_error();
  return square;
}

bool verify_ed25519(std::span<const std::uint8_t, kEd25519KeyBytes> key,
                    std::span<const std::uint8_t, kEd25519SignatureBytes> signature,
                    std::span<const std::uint8_t> message) {
  static constexpr std::uint8_t kEmpty = 0;
  std::unique_ptr<EVP_PKEY, PkeyFree> pkey(
      EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key.data(), key.size()));
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
  const bool valid =
      pkey && ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) == 1 &&
      EVP_DigestVerify(ctx.get(), signature.data(), signature.size(),
                       message.empty() ? &kEmpty : message.data(), message.size()) == 1;
  ERR_clear_error();  // leave no failure behind in this thread's OpenSSL error queue
  return valid;
}

}  // namespace zt::gdp::loader
