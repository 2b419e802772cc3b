// zt-verify/arguments.cpp: argument rewriting and a small edit-distance search.
#include "arguments.h"

#include <algorithm>

namespace zt::cli {
namespace {

bool is_command(const std::string& word, const std::vector<std::string>& commands) {
  return std::ranges::find(commands, word) != commands.end();
}

std::size_t edit_distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1] ? 1 : 0)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::vector<std::string> normalized_arguments(std::vector<std::string> arguments,
                                              const std::vector<std::string>& commands) {
  if (!arguments.empty() && arguments[0] == "help") {
    if (arguments.size() >= 2 && is_command(arguments[1], commands)) {
      return {arguments[1], "--help"};
    }
    return {"--help"};
  }
  const auto command = std::ranges::find_if(
      arguments, [&](const std::string& word) { return is_command(word, commands); });
  if (command == arguments.end()) return arguments;
  const auto json_before = std::find(arguments.begin(), command, std::string("--json"));
  if (json_before != command) {
    arguments.erase(json_before);
    arguments.emplace_back("--json");
  }
  return arguments;
}

std::optional<std::string> closest_match(const std::string& word,
                                         const std::vector<std::string>& candidates) {
  std::optional<std::string> best;
  std::size_t best_distance = std::max<std::size_t>(2, word.size() / 3) + 1;
  for (const std::string& candidate : candidates) {
    const std::size_t distance = edit_distance(word, candidate);
    if (distance > 0 && distance < best_distance) {
      best = candidate;
      best_distance = distance;
    }
  }
  return best;
}

}  // namespace zt::cli
