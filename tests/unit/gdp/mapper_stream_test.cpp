// mapper_stream_test.cpp: the plinko and slot mappers reading a transcript and a
// real entropy stream, alone and while their registry entries are replaced.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "gdp/draw_below.h"
#include "gdp/gdp_registry.h"
#include "gdp/plinko/plinko_mapper.h"
#include "gdp/slot/slot_mapper.h"
#include "scripted_stream.h"

namespace zt::gdp {
namespace {

crypto::Digest key_of(std::uint8_t seed) {
  crypto::Digest key{};
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = std::uint8_t(seed + i);
  return key;
}

records::SettlementTranscript transcript_with(json::Value raw) {
  records::SettlementTranscript transcript;
  transcript.outcome.raw = std::move(raw);
  return transcript;
}

// The outcomes a stream keyed by |key| produces, read from a twin of that stream.
json::Value plinko_outcome(const crypto::Digest& key, std::size_t levels) {
  rng::EntropyStream twin(key);
  json::Array path;
  std::uint64_t bucket = 0;
  for (std::size_t i = 0; i < levels; ++i) {
    path.emplace_back(draw_below(twin, 2));
    bucket += path.back().as_unsigned();
  }
  return json::Object{{"path", std::move(path)}, {"bucket", json::Value(bucket)}};
}

json::Value slot_outcome(const crypto::Digest& key, const std::vector<Reel>& reels) {
  rng::EntropyStream twin(key);
  json::Array stops;
  for (const Reel& reel : reels) stops.emplace_back(draw_below(twin, reel.size()));
  return json::Object{{"stops", std::move(stops)}};
}

TEST(MapperStream, PlinkoReadsTheTranscriptAndTheStream) {
  const crypto::Digest key = key_of(1);
  const PlinkoMapper mapper(16);
  const records::BetReceipt receipt;
  json::Value raw = plinko_outcome(key, 16);

  rng::EntropyStream stream(key);
  EXPECT_EQ(testing::describe(mapper.verify_outcome(receipt, transcript_with(raw), stream)), "ok");

  // Flipping one step (and the bucket with it) breaks the match at that step.
  json::Object flipped = raw.as_object();
  json::Array path = flipped.at("path").as_array();
  const std::uint64_t step = path[5].as_unsigned();
  path[5] = json::Value(std::uint64_t{1} - step);
  flipped["path"] = std::move(path);
  rng::EntropyStream fresh(key);
  EXPECT_EQ(testing::describe(mapper.verify_outcome(receipt, transcript_with(flipped), fresh)),
            "mismatch: path step 5 mismatch: derived " + std::to_string(step) + " vs reported " +
                std::to_string(1 - step));
}

TEST(MapperStream, SlotReadsTheTranscriptAndTheStream) {
  const crypto::Digest key = key_of(2);
  const std::vector<Reel> reels = {Reel(7, 1), Reel(11, 2), Reel(13, 3)};
  const SlotMapper mapper(reels);
  const records::BetReceipt receipt;
  json::Value raw = slot_outcome(key, reels);

  rng::EntropyStream stream(key);
  EXPECT_EQ(testing::describe(mapper.verify_outcome(receipt, transcript_with(raw), stream)), "ok");
  EXPECT_EQ(stream.counter(), 1u);  // three 8-byte draws from block 0

  json::Object shifted = raw.as_object();
  json::Array stops = shifted.at("stops").as_array();
  const std::uint64_t stop = stops[2].as_unsigned();
  stops[2] = json::Value((stop + 1) % 13);
  shifted["stops"] = std::move(stops);
  rng::EntropyStream fresh(key);
  EXPECT_EQ(testing::describe(mapper.verify_outcome(receipt, transcript_with(shifted), fresh)),
            "mismatch: stop 2 mismatch: derived " + std::to_string(stop) + " vs reported " +
                std::to_string((stop + 1) % 13));
}

// Readers look mappers up and verify with them while a writer keeps replacing
// them under the same ids with equivalent new mappers; every verification must
// succeed with whichever mapper it looked up.
TEST(MapperStream, VerifiesWhileEntriesAreReplaced) {
  constexpr int kReaders = 4;
  constexpr int kRounds = 2000;
  const crypto::Digest key = key_of(3);
  const std::vector<std::size_t> lengths = {3, 5, 7, 11, 13};
  auto slot_reels = [&](std::uint8_t symbol) {
    std::vector<Reel> reels;
    for (std::size_t length : lengths) reels.emplace_back(length, symbol);
    return reels;
  };
  const records::SettlementTranscript plinko = transcript_with(plinko_outcome(key, 12));
  const records::SettlementTranscript slot = transcript_with(slot_outcome(key, slot_reels(0)));
  const records::BetReceipt receipt;

  GdpRegistry& registry = GdpRegistry::instance();
  registry.register_mapper("concurrent.plinko", std::make_shared<const PlinkoMapper>(12));
  registry.register_mapper("concurrent.slot", std::make_shared<const SlotMapper>(slot_reels(0)));

  std::atomic<int> failures = 0;
  std::atomic<bool> writer_done = false;
  std::vector<std::thread> threads;
  for (int r = 0; r < kReaders; ++r) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds || !writer_done; ++i) {
        const bool use_plinko = i % 2 == 0;
        MapperHandle mapper =
            registry.lookup_mapper(use_plinko ? "concurrent.plinko" : "concurrent.slot");
        rng::EntropyStream stream(key);
        if (mapper == nullptr ||
            !mapper->verify_outcome(receipt, use_plinko ? plinko : slot, stream)) {
          ++failures;
        }
      }
    });
  }
  threads.emplace_back([&] {
    for (int i = 0; i < kRounds; ++i) {
      registry.register_mapper("concurrent.plinko", std::make_shared<const PlinkoMapper>(12));
      registry.register_mapper("concurrent.slot",
                               std::make_shared<const SlotMapper>(slot_reels(std::uint8_t(i))));
    }
    writer_done = true;
  });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace zt::gdp
