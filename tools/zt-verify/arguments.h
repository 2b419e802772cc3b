// zt-verify/arguments.h: the forgiving parts of the command line: `zt-verify help
// [COMMAND]`, options given before the command, and "did you mean" suggestions for
// misspelt commands and options.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zt::cli {

// normalized_arguments: |arguments| (without the program name) rewritten so the
// parser sees one form: "help" becomes "--help", "help COMMAND" becomes "COMMAND
// --help", and a --json given before the command moves after it.
std::vector<std::string> normalized_arguments(std::vector<std::string> arguments,
                                              const std::vector<std::string>& commands);

// closest_match: the candidate nearest to |word| by edit distance, when it is
// near enough to be a likely misspelling (at most two edits, or a third of the
// word's length for long words) and not the word itself.
std::optional<std::string> closest_match(const std::string& word,
                                         const std::vector<std::string>& candidates);

}  // namespace zt::cli
