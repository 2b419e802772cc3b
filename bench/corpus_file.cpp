// corpus_file.cpp: each JSON Lines entry split into its receipt and transcript,
// re-serialised compactly by simdjson.
#include "corpus_file.h"

#include <simdjson.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "zt/zt_core.h"

namespace zt::bench {
namespace {

[[noreturn]] void die(const std::string& message) {
  std::fprintf(stderr, "benchmark corpus: %s\n", message.c_str());
  std::exit(1);
}

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) die("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

CorpusFile load_corpus_file(const std::filesystem::path& dir) {
  CorpusFile corpus;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir / "packages", error)) {
    corpus.packages.push_back(read_file(entry.path()));
  }
  if (error) die("cannot list " + (dir / "packages").string());
  std::sort(corpus.packages.begin(), corpus.packages.end());
  std::ifstream in(dir / "bets.jsonl");
  if (!in) die("cannot read " + (dir / "bets.jsonl").string());
  simdjson::dom::parser parser;
  std::string line;
  while (std::getline(in, line)) {
    simdjson::dom::element doc;
    if (parser.parse(line).get(doc) != simdjson::SUCCESS) die("a corpus line is not JSON");
    CorpusBet bet{simdjson::minify(doc["receipt"]), simdjson::minify(doc["transcript"])};
    corpus.json_bytes += bet.receipt.size() + bet.transcript.size();
    corpus.bets.push_back(std::move(bet));
  }
  if (corpus.bets.empty()) die("the corpus holds no bets");
  return corpus;
}

void register_corpus_packages(const CorpusFile& corpus) {
  for (const auto& package : corpus.packages) {
    if (zt_core_register_gdp_package(package.data(), package.size()) != 0) {
      die(std::string("a package did not register: ") + zt_core_last_error_message());
    }
  }
}

}  // namespace zt::bench
