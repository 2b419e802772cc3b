// throughput.cpp: whole bets through zt_core_verify_bet, one thread and N threads,
// beside the physical bound of the same corpus measured in the same run:
//   - a bare simdjson DOM parse of each bet's two texts, and
//   - the SHA-256 compressions each bet needs, at OpenSSL's bulk per-block speed.
// Also times package registration beside its own bound (inflate, one SHA-256 pass
// over the archive, one Ed25519 verification).
//
//   zt_throughput [CORPUS_DIR] [--threads N] [--rounds R] [--no-registration]
//
// CORPUS_DIR is what bench/make_corpus.py writes (bets.jsonl, packages/); the
// default is the corpus generated at build time.
#include <openssl/evp.h>
#include <simdjson.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "corpus_file.h"
#include "crypto/commitment_leaf.h"
#include "gdp/gdp_registry.h"
#include "records/parse.h"
#include "rng/entropy_stream.h"
#include "zt/zt_core.h"

namespace {

using Clock = std::chrono::steady_clock;

using Bet = zt::bench::CorpusBet;
using Corpus = zt::bench::CorpusFile;

[[noreturn]] void die(const std::string& message) {
  std::fprintf(stderr, "zt_throughput: %s\n", message.c_str());
  std::exit(1);
}

// SHA-256 compressions of one message of |bytes| bytes (padding included).
std::size_t compressions(std::size_t bytes) { return (bytes + 8) / 64 + 1; }

// The compressions a bet needs at the least: the leaf, two per proof node, the
// seed commitment, the beacon mix, the entropy, and the stream (one HKDF extract
// with its pads as midstates, then two per block drawn).
std::size_t needed_compressions(const Bet& bet) {
  auto receipt = zt::records::parse_bet_receipt(bet.receipt);
  auto transcript = zt::records::parse_settlement_transcript(bet.transcript);
  if (!receipt || !transcript || !receipt->commitment) die("a corpus bet does not decode");
  const auto& commitment = *receipt->commitment;
  std::size_t total = compressions(zt::crypto::commitment_leaf_bytes(commitment).size());
  total += 2 * receipt->merkle_proof.size();
  total += compressions(transcript->server_seed_plain.size());
  std::size_t beacon_bytes = 0;
  for (const auto& [name, value] : transcript->beacon_values) beacon_bytes += value.size();
  total += compressions(beacon_bytes);
  const std::size_t client = commitment.client_seed ? commitment.client_seed->size() : 0;
  total += compressions(transcript->server_seed_plain.size() + client + 8 + 32);
  // Count the blocks the mapper draws from this bet's own stream.
  zt::crypto::Digest key{};
  std::copy_n(transcript->rng_entropy.begin(),
              std::min<std::size_t>(key.size(), transcript->rng_entropy.size()), key.begin());
  zt::rng::EntropyStream drawn(key);
  const auto mapper = zt::gdp::GdpRegistry::instance().lookup_mapper(commitment.gdp_id);
  if (!mapper || !mapper->verify_outcome(*receipt, *transcript, drawn)) {
    die("a corpus bet's outcome does not replay");
  }
  const std::size_t blocks = drawn.counter();
  if (blocks > 0) total += 2 /* extract */ + 2 /* PRK pads */ + 2 * blocks;
  return total;
}

// Wall and CPU time of one measured pass, in microseconds per item.
struct Cost {
  double wall = 1e300;
  double cpu = 1e300;
};

double process_cpu_us() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// Keeps in |best| the lowest wall and CPU time per item of one run of |pass|.
template <class Pass>
void time_pass(Cost& best, double items, Pass pass) {
  const double cpu_start = process_cpu_us();
  const auto start = Clock::now();
  pass();
  const std::chrono::duration<double, std::micro> wall = Clock::now() - start;
  best.wall = std::min(best.wall, wall.count() / items);
  best.cpu = std::min(best.cpu, (process_cpu_us() - cpu_start) / items);
}

// OpenSSL's bulk SHA-256 speed: one 1 MiB message, per 64-byte block.
void time_bulk_sha256(Cost& best) {
  static const std::vector<std::uint8_t> data(1 << 20, 0x5a);
  std::array<std::uint8_t, 32> out;
  time_pass(best, static_cast<double>(data.size()) / 64, [&] {
    EVP_Digest(data.data(), data.size(), out.data(), nullptr, EVP_sha256(), nullptr);
  });
}

// A bare simdjson DOM parse of both texts of every bet, per bet.
struct BareParse {
  std::vector<simdjson::padded_string> texts;
  simdjson::dom::parser parser;

  explicit BareParse(const Corpus& corpus) {
    for (const Bet& bet : corpus.bets) {
      texts.emplace_back(bet.receipt);
      texts.emplace_back(bet.transcript);
    }
  }

  void time(Cost& best) {
    std::size_t parsed = 0;
    time_pass(best, static_cast<double>(texts.size() / 2), [&] {
      for (const auto& text : texts) {
        simdjson::dom::element doc;
        parsed += parser.parse(text).get(doc) == simdjson::SUCCESS;
      }
    });
    if (parsed != texts.size()) die("simdjson failed on a corpus text");
  }
};

void verify_all(const Corpus& corpus, std::atomic<std::size_t>& failures) {
  for (const Bet& bet : corpus.bets) {
    if (zt_core_verify_bet(bet.receipt.c_str(), bet.transcript.c_str()) != 0) ++failures;
  }
}

// |threads| threads each verify the whole corpus; per bet of the combined work, so
// the wall figure is the inverse of the combined rate.
void time_verify(Cost& best, const Corpus& corpus, unsigned threads) {
  std::atomic<std::size_t> failures = 0;
  time_pass(best, static_cast<double>(corpus.bets.size()) * threads, [&] {
    std::vector<std::jthread> workers;
    for (unsigned t = 0; t < threads; ++t) {
      workers.emplace_back([&] { verify_all(corpus, failures); });
    }
  });
  if (failures != 0) {
    die("an honest corpus bet did not verify: " + std::string(zt_core_last_error_message()));
  }
}

// Package registration beside inflate + one SHA-256 pass + one Ed25519 verification.
void registration_figures(const Corpus& corpus, int rounds) {
  constexpr int kRepeats = 200;
  double register_us = 1e300;
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    for (int r = 0; r < kRepeats; ++r) {
      for (const auto& package : corpus.packages) {
        if (zt_core_register_gdp_package(package.data(), package.size()) != 0) {
          die("a corpus package did not register");
        }
      }
    }
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    register_us = std::min(register_us, elapsed.count() / (kRepeats * corpus.packages.size()));
  }

  // The bound: inflate each archive, hash the archive once, verify one signature.
  EVP_PKEY* key = nullptr;
  {
    EVP_PKEY_CTX* keygen = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
    EVP_PKEY_keygen_init(keygen);
    EVP_PKEY_keygen(keygen, &key);
    EVP_PKEY_CTX_free(keygen);
  }
  const std::array<std::uint8_t, 64> message{};
  std::array<std::uint8_t, 64> signature{};
  std::size_t signature_size = signature.size();
  EVP_MD_CTX* sign = EVP_MD_CTX_new();
  EVP_DigestSignInit(sign, nullptr, nullptr, nullptr, key);
  EVP_DigestSign(sign, signature.data(), &signature_size, message.data(), message.size());
  EVP_MD_CTX_free(sign);
  double bound_us = 1e300;
  std::vector<std::uint8_t> inflated(1 << 20);
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    for (int r = 0; r < kRepeats; ++r) {
      for (const auto& package : corpus.packages) {
        z_stream z{};
        inflateInit2(&z, 16 + MAX_WBITS);
        z.next_in = const_cast<Bytef*>(package.data());
        z.avail_in = static_cast<uInt>(package.size());
        z.next_out = inflated.data();
        z.avail_out = static_cast<uInt>(inflated.size());
        inflate(&z, Z_FINISH);
        const std::size_t tar_size = z.total_out;
        inflateEnd(&z);
        std::array<std::uint8_t, 32> digest;
        EVP_Digest(inflated.data(), tar_size, digest.data(), nullptr, EVP_sha256(), nullptr);
        EVP_MD_CTX* verify = EVP_MD_CTX_new();
        EVP_DigestVerifyInit(verify, nullptr, nullptr, nullptr, key);
        if (EVP_DigestVerify(verify, signature.data(), signature_size, message.data(),
                             message.size()) != 1) {
          die("Ed25519 verification failed");
        }
        EVP_MD_CTX_free(verify);
      }
    }
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    bound_us = std::min(bound_us, elapsed.count() / (kRepeats * corpus.packages.size()));
  }
  EVP_PKEY_free(key);
  std::printf("package registration: %.1f us per package, bound %.1f us, ratio %.2f\n", register_us,
              bound_us, register_us / bound_us);
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path dir = ZT_BENCH_CORPUS_DIR;
  unsigned threads = std::max(2u, std::thread::hardware_concurrency());
  int rounds = 5;
  bool registration = true;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--threads" && i + 1 < argc) {
      threads = static_cast<unsigned>(std::atoi(argv[++i]));
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::atoi(argv[++i]);
    } else if (arg == "--no-registration") {
      registration = false;
    } else if (!arg.starts_with("-")) {
      dir = arg;
    } else {
      die("usage: zt_throughput [CORPUS_DIR] [--threads N] [--rounds R] [--no-registration]");
    }
  }
  if (threads < 1 || rounds < 1) die("--threads and --rounds must be at least 1");

  const Corpus corpus = zt::bench::load_corpus_file(dir);
  zt::bench::register_corpus_packages(corpus);
  std::size_t total_compressions = 0;
  for (const Bet& bet : corpus.bets) total_compressions += needed_compressions(bet);
  const double per_bet_compressions =
      static_cast<double>(total_compressions) / static_cast<double>(corpus.bets.size());

  // The rounds interleave every measurement, so a change in the machine's load
  // touches them alike; each keeps its best round.
  BareParse bare(corpus);
  Cost one, many, parse, block;
  for (int round = 0; round < rounds; ++round) {
    time_verify(one, corpus, 1);
    time_verify(many, corpus, threads);
    bare.time(parse);
    time_bulk_sha256(block);
  }
  const auto bound = [&](double parse_us, double block_us) {
    return parse_us + per_bet_compressions * block_us;
  };
  const double bound_wall = bound(parse.wall, block.wall);
  const double bound_cpu = bound(parse.cpu, block.cpu);

  std::printf("corpus: %zu bets, %.0f bytes of JSON and %.1f SHA-256 compressions per bet\n",
              corpus.bets.size(),
              static_cast<double>(corpus.json_bytes) / static_cast<double>(corpus.bets.size()),
              per_bet_compressions);
  std::printf("figures per bet, wall time (CPU time), best of %d rounds\n", rounds);
  std::printf(
      "bound: %.2f us (%.2f) = simdjson DOM parse %.2f us (%.2f) + hashing %.2f us (%.2f) "
      "at %.1f ns per block (%.1f)\n",
      bound_wall, bound_cpu, parse.wall, parse.cpu, per_bet_compressions * block.wall,
      per_bet_compressions * block.cpu, block.wall * 1000, block.cpu * 1000);
  std::printf(
      "zt_core_verify_bet, 1 thread: %.2f us (%.2f), %.0f bets/s, %.2fx the bound (%.2fx)\n",
      one.wall, one.cpu, 1e6 / one.wall, one.wall / bound_wall, one.cpu / bound_cpu);
  std::printf("zt_core_verify_bet, %u threads: %.2f us (%.2f), %.0f bets/s, %.2fx one thread\n",
              threads, many.wall, many.cpu, 1e6 / many.wall, one.wall / many.wall);
  if (registration) registration_figures(corpus, rounds);
  return 0;
}
