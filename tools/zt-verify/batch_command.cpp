// zt-verify/batch_command.cpp: options, registration, the run and its summary.
#include "batch_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <memory>
#include <thread>

#include "batch_runner.h"
#include "exit_code.h"
#include "json_output.h"
#include "progress_bar.h"
#include "visible_text.h"

namespace zt::cli {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

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

void write_text(const Summary& summary, const BatchOptions& options, std::ostream& out) {
  if (!summary.result) {
    out << "ERROR  the batch could not be run\n  message  " << visible_text(*summary.message)
        << "\n";
    return;
  }
  const BatchResult& result = *summary.result;
  out << (result.failed == 0 ? "VERIFIED  " : "FAILED  ") << visible_text(options.input_file)
      << ": " << result.total << " bets, " << result.verified << " verified, " << result.failed
      << " failed\n";
  out << "  " << std::fixed << std::setprecision(3) << result.seconds << " s, "
      << std::setprecision(0) << bets_per_second(result) << " bets/s on " << summary.jobs
      << (summary.jobs == 1 ? " thread\n" : " threads\n");
  if (!result.failures.empty()) {
    out << "  failures by message:\n";
    for (const FailureGroup& group : result.failures) {
      out << "  " << std::setw(8) << group.count << "  " << visible_text(group.message)
          << " (first at line " << group.first_line << ")\n";
    }
  }
  if (options.failures_file)
    out << "  failing lines written to " << visible_text(*options.failures_file) << "\n";
}

void write_json(const Summary& summary, const BatchOptions& options, std::ostream& out) {
  json::Object object;
  put(object, "command", "batch");
  put(object, "exit_code", static_cast<std::uint64_t>(summary.exit_code));
  put(object, "message", text_or_null(summary.message));
  put(object, "file", options.input_file);
  put(object, "failures_file", text_or_null(options.failures_file));
  put(object, "jobs", static_cast<std::uint64_t>(summary.jobs));
  put(object, "registrations", registrations_json(summary.registrations));
  for (const char* key :
       {"total", "verified", "failed", "lines", "failures", "seconds", "bets_per_second"}) {
    put(object, key, nullptr);
  }
  if (summary.result) {
    const BatchResult& result = *summary.result;
    json::Array failures;
    for (const FailureGroup& group : result.failures) {
      json::Object failure;
      put(failure, "message", group.message);
      put(failure, "count", group.count);
      put(failure, "first_line", group.first_line);
      failures.emplace_back(std::move(failure));
    }
    put(object, "total", result.total);
    put(object, "verified", result.verified);
    put(object, "failed", result.failed);
    put(object, "lines", result.lines);
    put(object, "failures", std::move(failures));
    put(object, "seconds", result.seconds);
    put(object, "bets_per_second", bets_per_second(result));
  }
  out << to_json(json::Value(std::move(object))) << "\n";
}

void run(const BatchOptions& options, Summary& summary) {
  summary.jobs =
      options.jobs != 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());

  std::unique_ptr<std::FILE, FileCloser> owned;
  std::FILE* in = stdin;
  if (options.input_file != "-") {
    owned.reset(std::fopen(options.input_file.c_str(), "rb"));
    if (!owned) {
      summary.exit_code = kExitBadInput;
      summary.message = "cannot read " + options.input_file + ": " + std::strerror(errno);
      return;
    }
    in = owned.get();
  }
  std::ofstream failures_out;
  if (options.failures_file) {
    failures_out.open(*options.failures_file, std::ios::binary | std::ios::trunc);
    if (!failures_out) {
      summary.exit_code = kExitBadInput;
      summary.message = "cannot write " + *options.failures_file + ": " + std::strerror(errno);
      return;
    }
  }

  auto registrations = register_mappers(options.packages);
  if (!registrations) {
    const RegistrationFailure& failure = registrations.error();
    summary.exit_code = failure.exit_code;
    summary.message = failure.file && failure.exit_code == kExitLoadFailed
                          ? "package " + *failure.file + " did not register: " + failure.message
                          : failure.message;
    return;
  }
  summary.registrations = std::move(*registrations);

  struct stat info {};
  const std::uint64_t size_hint = fstat(fileno(in), &info) == 0 && S_ISREG(info.st_mode)
                                      ? static_cast<std::uint64_t>(info.st_size)
                                      : 0;
  ProgressBar progress(options.progress && stderr_is_terminal());
  BatchSettings settings{summary.jobs, size_hint, &progress,
                         options.failures_file ? &failures_out : nullptr};
  auto result = run_batch(in, settings);
  progress.clear();
  if (!result) {
    summary.exit_code = kExitBadInput;
    summary.message = "cannot read " + options.input_file + ": " + result.error();
    return;
  }
  if (options.failures_file && !failures_out.flush()) {
    summary.exit_code = kExitBadInput;
    summary.message = "cannot write " + *options.failures_file;
    return;
  }
  summary.exit_code = result->failed == 0 ? kExitVerified : kExitVerifyFailed;
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
