// zt-verify/batch_runner.cpp: block reading, the per-block worker pool and the
// in-order aggregation of results.
#include "batch_runner.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>
#include <thread>

#include "batch_line.h"
#include "bet_documents.h"
#include "ffi/c_text.h"
#include "visible_text.h"

namespace zt::cli {
namespace {

constexpr std::size_t kReadBytes = 8u << 20;  // bytes read per block, rounded to whole lines
constexpr std::size_t kGrain = 64;            // lines a worker takes at a time

enum class LineState : std::uint8_t { verified, failed, blank };

struct LineResult {
  LineState state = LineState::blank;
  std::string message;
};

LineResult check_line(std::string_view line, std::string& receipt_buffer,
                      std::string& transcript_buffer) {
  if (is_blank_line(line)) return {LineState::blank, {}};
  if (!ffi::is_valid_utf8(line)) return {LineState::failed, ffi::kNotUtf8};
  auto documents = split_batch_line(line, receipt_buffer, transcript_buffer);
  if (!documents) return {LineState::failed, std::string(documents.error())};
  if (auto failure = check_bet(documents->receipt, documents->transcript)) {
    return {LineState::failed, std::move(*failure)};
  }
  return {LineState::verified, {}};
}

std::vector<std::string_view> split_lines(std::string_view block) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < block.size()) {
    const std::size_t end = block.find('\n', start);
    if (end == std::string_view::npos) {
      lines.push_back(block.substr(start));
      break;
    }
    lines.push_back(block.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

class Batch {
 public:
  explicit Batch(const BatchSettings& settings) : settings_(settings) {}

  // verify_block: every line of |block| (whole lines only), reported in order.
  void verify_block(std::string_view block) {
    const std::vector<std::string_view> lines = split_lines(block);
    std::vector<LineResult> results(lines.size());
    std::atomic<std::size_t> next{0};

    auto work = [&](bool draws_progress) {
      std::string receipt_buffer;
      std::string transcript_buffer;
      while (true) {
        const std::size_t begin = next.fetch_add(kGrain);
        if (begin >= lines.size()) break;
        const std::size_t end = std::min(begin + kGrain, lines.size());
        std::uint64_t bytes = 0;
        std::uint64_t bets = 0;
        std::uint64_t failed = 0;
        for (std::size_t i = begin; i < end; ++i) {
          results[i] = check_line(lines[i], receipt_buffer, transcript_buffer);
          bytes += lines[i].size() + 1;
          bets += results[i].state != LineState::blank;
          failed += results[i].state == LineState::failed;
        }
        bytes_done_ += bytes;
        bets_done_ += bets;
        failed_done_ += failed;
        if (draws_progress) show_progress();
      }
    };

    std::vector<std::jthread> helpers;
    for (unsigned i = 1; i < settings_.jobs; ++i) helpers.emplace_back(work, false);
    work(true);
    helpers.clear();  // joins
    show_progress();

    for (std::size_t i = 0; i < lines.size(); ++i) record(results[i]);
  }

  BatchResult finish(double seconds) {
    std::vector<FailureGroup> groups;
    for (auto& [message, group] : groups_) groups.push_back(std::move(group));
    std::ranges::stable_sort(
        groups, [](const FailureGroup& a, const FailureGroup& b) { return a.count > b.count; });
    result_.failures = std::move(groups);
    result_.seconds = seconds;
    return std::move(result_);
  }

 private:
  void record(LineResult& line) {
    const std::uint64_t line_number = ++result_.lines;
    if (line.state == LineState::blank) return;
    ++result_.total;
    if (line.state == LineState::verified) {
      ++result_.verified;
      return;
    }
    ++result_.failed;
    if (settings_.failures_out != nullptr) {
      *settings_.failures_out << line_number << '\t' << visible_text(line.message) << '\n';
    }
    auto [it, inserted] = groups_.try_emplace(line.message);
    if (inserted) {
      it->second.message = std::move(line.message);
      it->second.first_line = line_number;
    }
    ++it->second.count;
  }

  void show_progress() {
    if (settings_.progress == nullptr) return;
    settings_.progress->show(
        Progress{bytes_done_.load(), settings_.size_hint, bets_done_.load(), failed_done_.load()});
  }

  const BatchSettings& settings_;
  BatchResult result_;
  std::map<std::string, FailureGroup, std::less<>> groups_;  // ordered by message
  std::atomic<std::uint64_t> bytes_done_{0};
  std::atomic<std::uint64_t> bets_done_{0};
  std::atomic<std::uint64_t> failed_done_{0};
};

}  // namespace

std::expected<BatchResult, std::string> run_batch(std::FILE* in, const BatchSettings& settings) {
  const auto start = std::chrono::steady_clock::now();
  Batch batch(settings);
  std::string buffer;
  bool at_end = false;
  while (!at_end) {
    const std::size_t kept = buffer.size();
    buffer.resize(kept + kReadBytes);
    const std::size_t got = std::fread(buffer.data() + kept, 1, kReadBytes, in);
    buffer.resize(kept + got);
    if (got < kReadBytes) {
      if (std::ferror(in)) return std::unexpected(std::string(std::strerror(errno)));
      at_end = true;
    }
    // Only whole lines are verified; a line cut by the block boundary waits for
    // the next read. At the end of the stream the last line may lack its newline.
    std::size_t usable = buffer.size();
    if (!at_end) {
      const std::size_t newline = buffer.rfind('\n');
      if (newline == std::string::npos) continue;
      usable = newline + 1;
    }
    batch.verify_block(std::string_view(buffer).substr(0, usable));
    buffer.erase(0, usable);
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return batch.finish(elapsed.count());
}

}  // namespace zt::cli
