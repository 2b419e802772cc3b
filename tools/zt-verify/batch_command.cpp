// zt-verify/batch_command.cpp: options, registration, the run and its summary.
#include "batch_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <thread>

#include "batch_runner.h"
#include "exit_code.h"
#include "interrupt.h"
#include "json_output.h"
#include "progress_bar.h"
#include "visible_text.h"

namespace zt::cli {
namespace {

struct Summary {
  int exit_code = kExitVerified;
  std::optional<std::string> message;
  std::optional<BatchResult> result;
  std::vector<Registration> registrations;
  unsigned jobs = 1;
};

double bets_per_second(const BatchResult& result) {
  return result.seconds > 0 ? static_cast<double>(result.total) / result.seconds : 0;
}

// count_of: "1 bet", "2 bets".
std::string count_of(std::uint64_t count, const char* singular, const char* plural) {
  return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

std::string verdict_line(const BatchResult& result) {
  if (result.interrupted) {
    return "INTERRUPTED  stopped before the end of the input; the summary covers the " +
           count_of(result.total, "bet", "bets") + " read until then";
  }
  if (result.total == 0) return "NO BETS  the input holds no bets, so nothing was verified";
  if (result.failed == 0) {
    if (result.unchecked_outcomes > 0) {
      return "VERIFIED  all " + count_of(result.total, "bet", "bets") + " passed, " +
             count_of(result.unchecked_outcomes, "of them", "of them") +
             " without an outcome check (--noop)";
    }
    return result.total == 1 ? "VERIFIED  the one bet verified"
                             : "VERIFIED  all " + std::to_string(result.total) + " bets verified";
  }
  if (result.failed == result.unregistered) {
    return "NOT VERIFIED  " + count_of(result.unregistered, "bet's game has", "bets' games have") +
           " no package, so their outcomes were not checked";
  }
  return "FAILED  " + std::to_string(result.failed) + " of " +
         count_of(result.total, "bet", "bets") + " failed";
}

void write_group(const FailureGroup& group, std::ostream& out) {
  out << "  " << std::setw(9) << group.count << "  " << std::setw(9) << group.first_line << "  "
      << std::setw(9) << group.last_line << "  " << visible_text(group.message) << "\n";
}

bool written_to_file(const std::optional<std::string>& file) { return file && *file != "-"; }

void write_text(const Summary& summary, const BatchOptions& options, std::ostream& out) {
  if (!summary.result) {
    out << "ERROR  the batch could not be run\n  message  " << visible_text(*summary.message)
        << "\n";
    return;
  }
  const BatchResult& result = *summary.result;
  out << verdict_line(result) << "\n";
  out << "  file     " << visible_text(options.input_file) << "\n";
  out << "  " << count_of(result.total, "bet", "bets") << ", " << result.verified << " verified, "
      << result.failed << " failed";
  if (result.unregistered > 0) {
    out << " (" << count_of(result.unregistered, "bet", "bets") << " of a game without a package)";
  }
  out << "\n";
  out << "  " << count_of(result.unchecked_outcomes, "bet was", "bets were")
      << " accepted without an outcome check (--noop)\n";
  out << "  " << std::fixed << std::setprecision(3) << result.seconds << " s, "
      << std::setprecision(0) << bets_per_second(result) << " bets/s on "
      << count_of(summary.jobs, "thread", "threads") << "\n";
  if (!result.failures.empty()) {
    out << "  failures by message (positions within a line or document left out):\n"
        << "      count      first       last  message\n";
    for (const FailureGroup& group : result.failures) write_group(group, out);
    if (result.other_failures.count > 0) write_group(result.other_failures, out);
  }
  if (result.duplicates > 0) {
    out << "  " << count_of(result.duplicates, "line repeats", "lines repeat")
        << " the bet_id of an earlier line";
    if (!result.duplicates_complete) out << " (only the first 2,097,152 ids were compared)";
    out << ":\n";
    for (const DuplicateBet& duplicate : result.duplicate_examples) {
      out << "    line " << duplicate.line << " repeats line " << duplicate.first_line << ": "
          << visible_text(duplicate.bet_id) << "\n";
    }
  }
  if (written_to_file(options.failures_file) && result.failed > 0) {
    out << "  failing lines written to " << visible_text(*options.failures_file) << "\n";
  }
  if (written_to_file(options.results_file) && result.lines > 0) {
    out << "  per-line results written to " << visible_text(*options.results_file) << "\n";
  }
  for (const FailureGroup& group : result.failures) {
    if (group.message.starts_with("line ends inside its JSON object")) {
      out << "  hint     some lines end inside a JSON object, as in a pretty-printed document: "
             "batch reads one bet per line; verify a single bet with 'zt-verify bet RECEIPT "
             "TRANSCRIPT'\n";
      break;
    }
  }
  if (result.total == 0 && result.lines == 0 && !result.interrupted) {
    out << "  hint     the file is empty; batch reads one bet per line\n";
  }
}

json::Value group_json(const FailureGroup& group) {
  json::Object failure;
  put(failure, "message", group.message);
  put(failure, "count", group.count);
  put(failure, "first_line", group.first_line);
  put(failure, "last_line", group.last_line);
  return failure;
}

void write_json(const Summary& summary, const BatchOptions& options, std::ostream& out) {
  json::Object object;
  put(object, "command", "batch");
  put(object, "exit_code", static_cast<std::uint64_t>(summary.exit_code));
  put(object, "message", text_or_null(summary.message));
  put(object, "file", options.input_file);
  put(object, "failures_file", text_or_null(options.failures_file));
  put(object, "results_file", text_or_null(options.results_file));
  put(object, "jobs", static_cast<std::uint64_t>(summary.jobs));
  put(object, "registrations", registrations_json(summary.registrations));
  for (const char* key :
       {"total", "verified", "failed", "lines", "failures", "seconds", "bets_per_second",
        "unregistered", "unchecked_outcomes", "other_failures", "duplicates", "interrupted"}) {
    put(object, key, nullptr);
  }
  if (summary.result) {
    const BatchResult& result = *summary.result;
    json::Array failures;
    for (const FailureGroup& group : result.failures) failures.push_back(group_json(group));
    json::Array examples;
    for (const DuplicateBet& duplicate : result.duplicate_examples) {
      json::Object example;
      put(example, "bet_id", duplicate.bet_id);
      put(example, "first_line", duplicate.first_line);
      put(example, "line", duplicate.line);
      examples.emplace_back(std::move(example));
    }
    json::Object duplicates;
    put(duplicates, "count", result.duplicates);
    put(duplicates, "complete", result.duplicates_complete);
    put(duplicates, "examples", std::move(examples));
    put(object, "total", result.total);
    put(object, "verified", result.verified);
    put(object, "failed", result.failed);
    put(object, "lines", result.lines);
    put(object, "failures", std::move(failures));
    put(object, "other_failures", group_json(result.other_failures));
    put(object, "seconds", result.seconds);
    put(object, "bets_per_second", bets_per_second(result));
    put(object, "unregistered", result.unregistered);
    put(object, "unchecked_outcomes", result.unchecked_outcomes);
    put(object, "duplicates", std::move(duplicates));
    put(object, "interrupted", result.interrupted);
  }
  out << to_json(json::Value(std::move(object))) << "\n";
}

// Output: a report file, or standard output for "-".
class Output {
 public:
  bool open(const std::optional<std::string>& path) {
    if (!path) return true;
    if (*path == "-") {
      stream_ = &std::cout;
      return true;
    }
    file_.open(*path, std::ios::binary | std::ios::trunc);
    stream_ = &file_;
    return file_.is_open();
  }
  std::ostream* stream() { return stream_; }
  bool flush() { return stream_ == nullptr || static_cast<bool>(stream_->flush()); }

 private:
  std::ofstream file_;
  std::ostream* stream_ = nullptr;
};

int exit_code_of(const BatchResult& result) {
  if (result.interrupted) return kExitInterrupted;
  if (result.total == 0) return kExitNoBets;
  if (result.failed > result.unregistered) return kExitVerifyFailed;
  if (result.unregistered > 0) return kExitNotRegistered;
  return kExitVerified;
}

void fail(Summary& summary, int exit_code, std::string message) {
  summary.exit_code = exit_code;
  summary.message = std::move(message);
}

void run(const BatchOptions& options, Summary& summary) {
  summary.jobs =
      options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
  if (options.failures_file == std::optional<std::string>("-") &&
      options.results_file == std::optional<std::string>("-")) {
    return fail(summary, kExitBadInput,
                "--failures - and --results - would both write to standard output; give one "
                "of them a file");
  }

  int fd = STDIN_FILENO;
  if (options.input_file != "-") {
    fd = ::open(options.input_file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      return fail(summary, kExitBadInput,
                  "cannot read " + options.input_file + ": " + std::strerror(errno));
    }
  }
  struct FdCloser {
    int fd;
    ~FdCloser() {
      if (fd != STDIN_FILENO) ::close(fd);
    }
  } closer{fd};

  Output failures_out;
  Output results_out;
  if (!failures_out.open(options.failures_file)) {
    return fail(summary, kExitBadInput,
                "cannot write " + *options.failures_file + ": " + std::strerror(errno));
  }
  if (!results_out.open(options.results_file)) {
    return fail(summary, kExitBadInput,
                "cannot write " + *options.results_file + ": " + std::strerror(errno));
  }

  auto registrations = register_mappers(options.packages);
  if (!registrations) {
    const RegistrationFailure& failure = registrations.error();
    return fail(summary, failure.exit_code,
                failure.file && failure.exit_code == kExitLoadFailed
                    ? "package " + *failure.file + " did not register: " + failure.message
                    : failure.message);
  }
  summary.registrations = std::move(*registrations);

  struct stat info {};
  const std::uint64_t size_hint =
      fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
  ProgressBar progress(options.progress && stderr_is_terminal());
  StopOnSignal stop_on_signal;
  BatchSettings settings;
  settings.jobs = summary.jobs;
  settings.size_hint = size_hint;
  settings.progress = &progress;
  settings.failures_out = failures_out.stream();
  settings.results_out = results_out.stream();
  settings.noop_games = options.packages.noop_ids;
  settings.stop = &StopOnSignal::stop_requested();
  auto result = run_batch(fd, settings);
  progress.clear();
  if (!result) {
    return fail(summary, kExitBadInput,
                "cannot read " + options.input_file + ": " + result.error());
  }
  if (!failures_out.flush())
    return fail(summary, kExitBadInput, "cannot write " + *options.failures_file);
  if (!results_out.flush())
    return fail(summary, kExitBadInput, "cannot write " + *options.results_file);
  summary.exit_code = exit_code_of(*result);
  summary.result = std::move(*result);
}

}  // namespace

int run_batch_command(const BatchOptions& options, std::ostream& out) {
  Summary summary;
  run(options, summary);
  if (options.json) {
    write_json(summary, options, out);
  } else {
    write_text(summary, options, out);
  }
  return summary.exit_code;
}

}  // namespace zt::cli
