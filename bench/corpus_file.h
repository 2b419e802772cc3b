// corpus_file.h: reading a corpus written by bench/make_corpus.py (bets.jsonl and
// packages/) into memory, each bet as its two documents' texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zt::bench {

struct CorpusBet {
  std::string receipt;
  std::string transcript;
};

struct CorpusFile {
  std::vector<CorpusBet> bets;
  std::vector<std::vector<std::uint8_t>> packages;  // sorted by content
  std::size_t json_bytes = 0;                       // both texts of every bet
};

// load_corpus_file: the corpus in |dir|; ends the process with a message when it
// cannot be read.
CorpusFile load_corpus_file(const std::filesystem::path& dir);

// register_corpus_packages: registers every package; ends the process on failure.
void register_corpus_packages(const CorpusFile& corpus);

}  // namespace zt::bench
