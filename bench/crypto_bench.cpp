// crypto_bench.cpp: SHA-256, the commitment leaf and one entropy-stream block,
// each beside the OpenSSL alternatives it was chosen over.
#include <benchmark/benchmark.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "crypto/commitment_leaf.h"
#include "crypto/hkdf.h"
#include "crypto/hmac_sha256.h"
#include "crypto/sha256.h"
#include "rng/entropy_stream.h"

namespace {

using zt::crypto::Digest;

[[noreturn]] void die(const char* what) {
  std::fprintf(stderr, "zt_bench: %s failed\n", what);
  std::abort();
}

const std::array<std::uint8_t, 32> kKey = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                           12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
                                           23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
// The info of stream block 0: the stream label and eight zero bytes.
const std::array<std::uint8_t, 19> kInfo = {'z', 't', '-', 'v', 'l', '-', '1', '.', '0', '-',
                                            'A', 0,   0,   0,   0,   0,   0,   0,   0};

void BM_Sha256_64B(benchmark::State& state) {
  const std::vector<std::uint8_t> block(64, 0x5a);
  for (auto _ : state) benchmark::DoNotOptimize(zt::crypto::sha256(block));
  state.SetBytesProcessed(state.iterations() * 64);
}
BENCHMARK(BM_Sha256_64B);

// Baseline: OpenSSL's one-shot digest with the same fetched algorithm, which
// allocates a context per call.
void BM_Sha256_64B_EvpDigestOneShot(benchmark::State& state) {
  EVP_MD* md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
  if (md == nullptr) die("EVP_MD_fetch");
  const std::vector<std::uint8_t> block(64, 0x5a);
  Digest out;
  for (auto _ : state) {
    if (EVP_Digest(block.data(), block.size(), out.data(), nullptr, md, nullptr) != 1) {
      die("EVP_Digest");
    }
    benchmark::DoNotOptimize(out);
  }
  EVP_MD_free(md);
}
BENCHMARK(BM_Sha256_64B_EvpDigestOneShot);

void BM_HkdfBlock(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zt::crypto::hkdf_sha256_block(kKey, kInfo));
}
BENCHMARK(BM_HkdfBlock);

// Ablation: the same HKDF as two plain HMACs, without the precomputed zero-key pads.
void BM_HkdfBlock_WithoutPadStates(benchmark::State& state) {
  static constexpr std::uint8_t kOne[1] = {1};
  const std::array<std::uint8_t, 32> zero_salt{};
  for (auto _ : state) {
    const Digest prk = zt::crypto::hmac_sha256(zero_salt, {kKey});
    benchmark::DoNotOptimize(zt::crypto::hmac_sha256(prk, {kInfo, kOne}));
  }
}
BENCHMARK(BM_HkdfBlock_WithoutPadStates);

// Baseline: OpenSSL's HMAC (EVP_MAC, fetched once, one context reused).
void BM_HkdfBlock_OpenSslMac(benchmark::State& state) {
  EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  EVP_MAC_CTX* ctx = mac ? EVP_MAC_CTX_new(mac) : nullptr;
  if (ctx == nullptr) die("EVP_MAC setup");
  char digest_name[] = "SHA256";
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest_name, 0),
      OSSL_PARAM_construct_end()};
  if (EVP_MAC_CTX_set_params(ctx, params) != 1) die("EVP_MAC_CTX_set_params");
  const std::array<std::uint8_t, 32> zero_salt{};
  const std::uint8_t one = 1;
  Digest prk, block;
  std::size_t out_len = 0;
  for (auto _ : state) {
    if (EVP_MAC_init(ctx, zero_salt.data(), zero_salt.size(), nullptr) != 1 ||
        EVP_MAC_update(ctx, kKey.data(), kKey.size()) != 1 ||
        EVP_MAC_final(ctx, prk.data(), &out_len, prk.size()) != 1 ||
        EVP_MAC_init(ctx, prk.data(), prk.size(), nullptr) != 1 ||
        EVP_MAC_update(ctx, kInfo.data(), kInfo.size()) != 1 || EVP_MAC_update(ctx, &one, 1) != 1 ||
        EVP_MAC_final(ctx, block.data(), &out_len, block.size()) != 1) {
      die("EVP_MAC");
    }
    benchmark::DoNotOptimize(block);
  }
  EVP_MAC_CTX_free(ctx);
  EVP_MAC_free(mac);
}
BENCHMARK(BM_HkdfBlock_OpenSslMac);

// Baseline: OpenSSL's HKDF (EVP_KDF, fetched once, a context per derivation).
void BM_HkdfBlock_OpenSslKdf(benchmark::State& state) {
  EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
  if (kdf == nullptr) die("EVP_KDF_fetch");
  char digest_name[] = "SHA256";
  Digest block;
  for (auto _ : state) {
    EVP_KDF_CTX* ctx = EVP_KDF_CTX_new(kdf);
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest_name, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY,
                                          const_cast<std::uint8_t*>(kKey.data()), kKey.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO,
                                          const_cast<std::uint8_t*>(kInfo.data()), kInfo.size()),
        OSSL_PARAM_construct_end()};
    if (ctx == nullptr || EVP_KDF_derive(ctx, block.data(), block.size(), params) != 1) {
      die("EVP_KDF_derive");
    }
    EVP_KDF_CTX_free(ctx);
    benchmark::DoNotOptimize(block);
  }
  EVP_KDF_free(kdf);
}
BENCHMARK(BM_HkdfBlock_OpenSslKdf);

// What a 16-level plinko bet draws: 16 values of 8 bytes, four blocks.
void BM_EntropyStream_128B(benchmark::State& state) {
  std::array<std::uint8_t, 8> draw;
  for (auto _ : state) {
    zt::rng::EntropyStream stream(kKey);
    for (int i = 0; i < 16; ++i) stream.fill_bytes(draw);
    benchmark::DoNotOptimize(draw);
  }
}
BENCHMARK(BM_EntropyStream_128B);

zt::records::BetCommitment typical_commitment() {
  zt::records::BetCommitment c;
  c.session_id = "5f0c8a3e-7d41-4b8e-9a55-2f6c1d9e0b77";
  c.bet_nonce = 1234567;
  c.stake = "25.00";
  c.gdp_id = "plinko-classic-16";
  c.rng_id = "zt-vl-1.0-A";
  c.rng_params_commit = std::vector<std::uint8_t>(32, 0x11);
  c.server_seed_commit = std::vector<std::uint8_t>(32, 0x22);
  c.client_seed = std::vector<std::uint8_t>(32, 0x33);
  c.beacon_plan_id = "drand-nist-2of3";
  c.timestamp_ms = 1767225600000;
  return c;
}

void BM_CommitmentLeafBytes(benchmark::State& state) {
  const auto c = typical_commitment();
  for (auto _ : state) benchmark::DoNotOptimize(zt::crypto::commitment_leaf_bytes(c));
}
BENCHMARK(BM_CommitmentLeafBytes);

void BM_CommitmentLeafHash(benchmark::State& state) {
  const auto c = typical_commitment();
  for (auto _ : state) benchmark::DoNotOptimize(zt::crypto::commitment_leaf_hash(c));
}
BENCHMARK(BM_CommitmentLeafHash);

}  // namespace
