// zt-verify/batch_runner.cpp: reading, the worker pool and the in-order aggregation
// of results. A run of lines is read, verified by one worker and reported as a
// whole; at most kRunsPerJob runs per worker are in flight. A regular file is read
// by the workers themselves, one at a time in stream order, so each verifies bytes
// its own core has just copied; a pipe or terminal has a reader thread, whose read
// Ctrl-C can interrupt. Runs are reused once reported, with their blocks and
// vectors, so the steady state allocates nothing per run. The aggregator shares the
// cores with the workers, so it does little per line: it counts, looks up ids the
// workers hashed and groups failures; lines are numbered while reading only when
// report rows need the numbers.
#include "batch_runner.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

#include "batch_check.h"
#include "duplicate_ids.h"
#include "interrupt.h"
#include "line_chunks.h"

namespace zt::cli {
namespace {

constexpr std::size_t kRunsPerJob = 3;
constexpr std::size_t kDuplicateExamples = 10;
// A run whose block or outcomes grew beyond this (for a huge line, or very many
// short ones) is freed rather than kept for reuse, so memory is given back.
constexpr std::size_t kReusedBytes = 4 * LineChunkReader::kChunkBytes;
// How many lines ahead the aggregator announces a duplicate-id lookup.
constexpr std::size_t kPrefetchLines = 8;

// BetOutcome: the outcome of a line that is not blank, with what the aggregator
// needs beside it. Blank lines are only counted, so a run of them costs no memory.
struct BetOutcome {
  std::uint64_t index = 0;        // the line's place in its run, from 0
  std::uint64_t bet_id_hash = 0;  // DuplicateIds::hash_of(outcome.bet_id), if it has one
  LineOutcome outcome;
};

struct Run {
  ByteRun bytes;
  std::uint64_t first_line = 0;  // the 1-based number of its first line, when rows need it
  std::uint64_t lines = 0;       // blank ones included
  std::vector<BetOutcome> outcomes;
  std::string failures_text;  // rows for --failures, formatted by the worker
  std::string results_text;   // rows for --results
  bool verified = false;      // the worker is done with it
};

// The state the reader, the workers and the aggregator share, under one lock.
struct Pipeline {
  std::mutex lock;
  std::mutex read_lock;                 // held by the worker reading a regular file
  std::condition_variable work_ready;   // a run to verify, or the end
  std::condition_variable run_done;     // a run verified, or the end
  std::condition_variable space_ready;  // a run reported, making room for another
  std::map<std::uint64_t, std::unique_ptr<Run>> in_flight;  // by sequence number
  std::vector<Run*> to_verify;
  std::vector<std::unique_ptr<Run>> reusable;  // reported runs, ready for the reader
  std::uint64_t next_sequence = 0;
  bool reading_done = false;
  bool stopped = false;
  std::optional<std::string> read_error;
};

class Aggregator {
 public:
  explicit Aggregator(const BatchSettings& settings) : settings_(settings) {}

  void report(Run& run) {
    const std::vector<BetOutcome>& outcomes = run.outcomes;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
      if (i + kPrefetchLines < outcomes.size() && outcomes[i + kPrefetchLines].outcome.has_bet_id) {
        duplicates_.prefetch(outcomes[i + kPrefetchLines].bet_id_hash);
      }
      record(outcomes[i], result_.lines + outcomes[i].index + 1);
    }
    result_.lines += run.lines;
    if (settings_.failures_out != nullptr) *settings_.failures_out << run.failures_text;
    if (settings_.results_out != nullptr) *settings_.results_out << run.results_text;
    bytes_done_ += run.bytes.size();
    if (settings_.progress != nullptr) {
      settings_.progress->show(
          Progress{bytes_done_, settings_.size_hint, result_.total, result_.failed});
    }
  }

  BatchResult finish(double seconds, bool interrupted) {
    result_.failures = groups_.groups();
    result_.other_failures = groups_.other();
    result_.duplicates_complete = duplicates_.complete();
    result_.interrupted = interrupted;
    result_.seconds = seconds;
    return std::move(result_);
  }

 private:
  void record(const BetOutcome& bet, std::uint64_t line) {
    const LineOutcome& outcome = bet.outcome;
    ++result_.total;
    if (outcome.has_bet_id) {
      if (auto first = duplicates_.first_line_of_hash(bet.bet_id_hash, line)) {
        ++result_.duplicates;
        if (result_.duplicate_examples.size() < kDuplicateExamples) {
          result_.duplicate_examples.push_back(DuplicateBet{outcome.bet_id, *first, line});
        }
      }
    }
    if (outcome.verdict == LineVerdict::verified) {
      ++result_.verified;
      result_.unchecked_outcomes += outcome.unchecked_outcome;
      return;
    }
    ++result_.failed;
    result_.unregistered += outcome.verdict == LineVerdict::unregistered;
    groups_.add(outcome.message, line);
  }

  const BatchSettings& settings_;
  BatchResult result_;
  FailureGroups groups_;
  DuplicateIds duplicates_;
  std::uint64_t bytes_done_ = 0;
};

// verify_run: every line of |run|, with the report rows the settings ask for.
void verify_run(Run& run, const BatchSettings& settings, LineContext& context) {
  const std::string_view bytes = run.bytes.view();
  for (std::size_t start = 0; start < bytes.size(); ++run.lines) {
    const void* found = std::memchr(bytes.data() + start, '\n', bytes.size() - start);
    const std::size_t end =
        found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data())
                         : bytes.size();
    const std::string_view line = bytes.substr(start, end - start);
    start = end + 1;
    const std::uint64_t line_number = run.first_line + run.lines;
    LineOutcome outcome = check_batch_line(line, context);
    if (settings.results_out != nullptr) run.results_text += results_line(line_number, outcome);
    if (outcome.verdict == LineVerdict::blank) continue;
    if (settings.failures_out != nullptr && outcome.verdict != LineVerdict::verified) {
      run.failures_text += failures_line(line_number, outcome);
    }
    const std::uint64_t hash = outcome.has_bet_id ? DuplicateIds::hash_of(outcome.bet_id) : 0;
    run.outcomes.push_back(BetOutcome{run.lines, hash, std::move(outcome)});
  }
}

// line_count: the lines verify_run finds in |run|.
std::uint64_t line_count(std::string_view run) {
  std::uint64_t newlines = 0;
  for (const char* p = run.data();
       const void* found = std::memchr(p, '\n', run.data() + run.size() - p);) {
    ++newlines;
    p = static_cast<const char*>(found) + 1;
  }
  return newlines + (!run.empty() && run.back() != '\n' ? 1 : 0);
}

// RunReader: the stream cut into runs, in order, numbered when report rows need the
// numbers. One thread at a time fills runs: the reader thread, or the worker that
// holds the read lock.
class RunReader {
 public:
  RunReader(int fd, const BatchSettings& settings)
      : reader_(fd, settings.stop),
        number_lines_(settings.failures_out != nullptr || settings.results_out != nullptr) {}

  // fill: the next run into |run|; false at the end of the stream (or once reading
  // ended in another thread), with the reason recorded in |pipeline|.
  bool fill(Run& run, Pipeline& pipeline) {
    {
      std::lock_guard guard(pipeline.lock);
      if (pipeline.reading_done) return false;
    }
    auto bytes = reader_.next(std::move(run.bytes));
    if (!bytes || !*bytes) {
      std::lock_guard guard(pipeline.lock);
      if (!bytes) pipeline.read_error = std::move(bytes.error());
      pipeline.stopped = reader_.stopped();
      pipeline.reading_done = true;
      return false;
    }
    run.bytes = std::move(**bytes);
    if (number_lines_) {
      run.first_line = next_line_;
      next_line_ += line_count(run.bytes.view());
    }
    return true;
  }

 private:
  LineChunkReader reader_;
  bool number_lines_;
  std::uint64_t next_line_ = 1;
};

// room_for_run: once fewer than |max_runs| runs are in flight, a run to fill (a
// reported one when there is one); nothing once reading has ended.
std::unique_ptr<Run> room_for_run(Pipeline& pipeline, std::size_t max_runs) {
  std::unique_ptr<Run> run;
  {
    std::unique_lock guard(pipeline.lock);
    pipeline.space_ready.wait(
        guard, [&] { return pipeline.in_flight.size() < max_runs || pipeline.reading_done; });
    if (pipeline.reading_done) return nullptr;
    if (!pipeline.reusable.empty()) {
      run = std::move(pipeline.reusable.back());
      pipeline.reusable.pop_back();
    }
  }
  return run != nullptr ? std::move(run) : std::make_unique<Run>();
}

// end_of_reading: wakes every thread that waits for a run, for room or for the end.
void end_of_reading(Pipeline& pipeline) {
  pipeline.work_ready.notify_all();
  pipeline.space_ready.notify_all();
  pipeline.run_done.notify_all();
}

// read_runs: the reader thread of a stream that may block (a pipe, a terminal), so
// that Ctrl-C can interrupt its read; the workers verify what it reads.
void read_runs(RunReader& source, Pipeline& pipeline, std::size_t max_runs) {
  StopOnSignal::allow_signals_here();
  while (std::unique_ptr<Run> run = room_for_run(pipeline, max_runs)) {
    if (!source.fill(*run, pipeline)) break;
    std::lock_guard guard(pipeline.lock);
    pipeline.to_verify.push_back(run.get());
    pipeline.in_flight.emplace(pipeline.next_sequence++, std::move(run));
    pipeline.work_ready.notify_one();
  }
  end_of_reading(pipeline);
}

// receive_signals: for a regular file, which the workers read themselves, this
// thread only takes Ctrl-C (the workers see the request at their next read).
void receive_signals(Pipeline& pipeline) {
  StopOnSignal::allow_signals_here();
  std::unique_lock guard(pipeline.lock);
  pipeline.run_done.wait(guard, [&] { return pipeline.reading_done; });
}

// recycle: |run| emptied for the reader to fill again, unless it is oversized.
void recycle(std::unique_ptr<Run> run, Pipeline& pipeline) {
  if (run->bytes.capacity() > kReusedBytes ||
      run->outcomes.capacity() * sizeof(BetOutcome) > kReusedBytes) {
    return;
  }
  run->lines = 0;
  run->outcomes.clear();
  run->failures_text.clear();
  run->results_text.clear();
  run->verified = false;
  std::lock_guard guard(pipeline.lock);
  pipeline.reusable.push_back(std::move(run));
}

// verify_and_hand_on: verifies |run| and tells the aggregator it is done.
void verify_and_hand_on(Run& run, const BatchSettings& settings, LineContext& context,
                        Pipeline& pipeline) {
  verify_run(run, settings, context);
  std::lock_guard guard(pipeline.lock);
  run.verified = true;
  pipeline.run_done.notify_all();
}

void verify_runs(const BatchSettings& settings, Pipeline& pipeline) {
  LineContext context;
  context.noop_games = &settings.noop_games;
  while (true) {
    Run* run = nullptr;
    {
      std::unique_lock guard(pipeline.lock);
      pipeline.work_ready.wait(
          guard, [&] { return !pipeline.to_verify.empty() || pipeline.reading_done; });
      if (pipeline.to_verify.empty()) return;
      // Oldest first, so the aggregator waits as little as possible.
      run = pipeline.to_verify.front();
      pipeline.to_verify.erase(pipeline.to_verify.begin());
    }
    verify_and_hand_on(*run, settings, context, pipeline);
  }
}

// read_and_verify_runs: a worker on a regular file reads its own runs, one worker
// at a time in stream order, then verifies them. The bytes it copies are then in
// its own core's cache, which a run copied by another thread's read is not.
void read_and_verify_runs(RunReader& source, const BatchSettings& settings, Pipeline& pipeline,
                          std::size_t max_runs) {
  LineContext context;
  context.noop_games = &settings.noop_games;
  while (std::unique_ptr<Run> run = room_for_run(pipeline, max_runs)) {
    Run* filled = run.get();
    {
      std::lock_guard reading(pipeline.read_lock);
      if (!source.fill(*run, pipeline)) break;
      std::lock_guard guard(pipeline.lock);
      pipeline.in_flight.emplace(pipeline.next_sequence++, std::move(run));
    }
    verify_and_hand_on(*filled, settings, context, pipeline);
  }
  end_of_reading(pipeline);
}

}  // namespace

std::expected<BatchResult, std::string> run_batch(int fd, const BatchSettings& settings) {
  const auto start = std::chrono::steady_clock::now();
  const std::size_t max_runs = kRunsPerJob * settings.jobs + 2;
  Pipeline pipeline;
  RunReader source(fd, settings);
  Aggregator aggregator(settings);
  {
    std::vector<std::jthread> threads;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
      threads.emplace_back(receive_signals, std::ref(pipeline));
      for (unsigned i = 0; i < settings.jobs; ++i) {
        threads.emplace_back(read_and_verify_runs, std::ref(source), std::cref(settings),
                             std::ref(pipeline), max_runs);
      }
    } else {
      threads.emplace_back(read_runs, std::ref(source), std::ref(pipeline), max_runs);
      for (unsigned i = 0; i < settings.jobs; ++i) {
        threads.emplace_back(verify_runs, std::cref(settings), std::ref(pipeline));
      }
    }
    for (std::uint64_t sequence = 0;; ++sequence) {
      std::unique_ptr<Run> run;
      {
        std::unique_lock guard(pipeline.lock);
        pipeline.run_done.wait(guard, [&] {
          auto it = pipeline.in_flight.find(sequence);
          return (it != pipeline.in_flight.end() && it->second->verified) ||
                 (pipeline.reading_done && pipeline.next_sequence == sequence);
        });
        auto it = pipeline.in_flight.find(sequence);
        if (it == pipeline.in_flight.end()) break;
        run = std::move(it->second);
        pipeline.in_flight.erase(it);
      }
      aggregator.report(*run);
      recycle(std::move(run), pipeline);
      pipeline.space_ready.notify_one();
    }
  }  // joins the reader and the workers
  if (pipeline.read_error) return std::unexpected(std::move(*pipeline.read_error));
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return aggregator.finish(elapsed.count(), pipeline.stopped);
}

}  // namespace zt::cli
