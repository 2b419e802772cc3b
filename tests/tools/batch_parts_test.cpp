// batch_parts_test.cpp: the pieces of batch that bound time and memory: runs of
// whole lines from large reads, failure grouping without positions, duplicates.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "duplicate_ids.h"
#include "failure_groups.h"
#include "line_chunks.h"

namespace zt::cli {
namespace {

// runs_of: every run the reader gives for |input| written through a pipe in
// |piece|-byte writes; with |reuse|, each run is built in the previous one's block.
std::vector<std::string> runs_of(const std::string& input, std::size_t piece, bool reuse = false) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  std::thread writer([&] {
    for (std::size_t i = 0; i < input.size(); i += piece) {
      const std::size_t n = std::min(piece, input.size() - i);
      EXPECT_EQ(write(fds[1], input.data() + i, n), static_cast<ssize_t>(n));
    }
    close(fds[1]);
  });
  std::vector<std::string> runs;
  LineChunkReader reader(fds[0], nullptr);
  ByteRun previous;
  while (true) {
    auto run = reuse ? reader.next(std::move(previous)) : reader.next();
    EXPECT_TRUE(run.has_value());
    if (!run || !*run) break;
    runs.emplace_back((*run)->view());
    previous = std::move(**run);
  }
  writer.join();
  close(fds[0]);
  return runs;
}

// expect_whole_line_runs: every run but the last ends a line, and together they
// are |input|.
void expect_whole_line_runs(const std::vector<std::string>& runs, const std::string& input,
                            std::size_t piece) {
  std::string joined;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (i + 1 < runs.size()) {
      EXPECT_EQ(runs[i].back(), '\n') << piece;
    }
    joined += runs[i];
  }
  EXPECT_EQ(joined, input) << piece;
}

TEST(LineChunkReader, GivesWholeLinesWhateverTheReadBoundaries) {
  std::string input = "a\n\n" + std::string(3u << 20, 'x') + "\nshort\n";
  for (int i = 0; i < 20000; ++i) input += "line " + std::to_string(i) + "\n";
  input += "no newline at the end";
  for (const std::size_t piece : {std::size_t{1} << 20, std::size_t{4093}, std::size_t{3} << 20}) {
    expect_whole_line_runs(runs_of(input, piece), input, piece);
  }
  EXPECT_TRUE(runs_of("", 10).empty());
}

// A reused block holds a longer run's bytes, and a huge line's start outgrows it.
TEST(LineChunkReader, ReusedBlocksHoldOnlyTheNewRun) {
  std::string input;
  for (int i = 0; i < 3000; ++i)
    input += std::string(static_cast<std::size_t>(i % 700), 'a') + "\n";
  input += std::string(5u << 20, 'x') + "\n";
  for (int i = 0; i < 3000; ++i) input += "line " + std::to_string(i) + "\n";
  input += "last";
  for (const std::size_t piece : {std::size_t{1} << 20, std::size_t{65521}}) {
    expect_whole_line_runs(runs_of(input, piece, true), input, piece);
  }
}

TEST(FailureGroups, PositionsAreLeftOutOfTheGroupMessage) {
  const std::pair<const char*, const char*> cases[] = {
      {"failed to parse receipt: EOF while parsing an object at line 1 column 14",
       "failed to parse receipt: EOF while parsing an object"},
      {"line is not valid JSON at column 7", "line is not valid JSON"},
      {"a at line 2 column x", "a at line 2 column x"},
      {"at line 3 column 4 here", "at line 3 column 4 here"},
      {"stop 2 mismatch: derived 0 vs reported 1", "stop 2 mismatch: derived 0 vs reported 1"},
  };
  for (const auto& [message, grouped] : cases) EXPECT_EQ(without_positions(message), grouped);

  FailureGroups groups;
  groups.add("x at column 3", 4);
  groups.add("y", 5);
  groups.add("x at column 9", 8);
  const std::vector<FailureGroup> all = groups.groups();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ((std::tuple{all[0].message, all[0].count, all[0].first_line, all[0].last_line}),
            (std::tuple{std::string("x"), 2u, 4u, 8u}));
  EXPECT_EQ(groups.other().count, 0u);
}

TEST(DuplicateIds, ReportsTheFirstLineOfARepeatedId) {
  DuplicateIds ids;
  for (std::uint64_t line = 1; line <= 5000; ++line) {
    EXPECT_FALSE(ids.first_line_of("bet-" + std::to_string(line), line).has_value());
  }
  EXPECT_EQ(ids.first_line_of("bet-17", 6000), std::optional<std::uint64_t>(17));
  EXPECT_TRUE(ids.complete());
}

}  // namespace
}  // namespace zt::cli
