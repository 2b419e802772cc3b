// zt-verify/failure_groups.h: failures grouped by message for the batch summary, in
// bounded memory whatever the input: messages are grouped with their positions
// removed, and only a fixed number of groups is kept; the rest is counted as
// "other messages".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zt::cli {

struct FailureGroup {
  std::string message;  // positions removed
  std::uint64_t count = 0;
  std::uint64_t first_line = 0;  // 1-based
  std::uint64_t last_line = 0;
};

// without_positions: |message| without " at line N column M" and " at column N",
// so failures that differ only in where they occur fall into one group.
std::string without_positions(std::string_view message);

class FailureGroups {
 public:
  static constexpr std::size_t kShownGroups = 1000;
  // Distinct messages tracked while counting; later new messages count as other.
  static constexpr std::size_t kTrackedGroups = 4 * kShownGroups;
  static constexpr std::size_t kMessageBytes = 500;  // longer messages are cut

  // add: one failure with |message| on |line|; lines come in increasing order.
  void add(std::string_view message, std::uint64_t line);

  // The groups, most frequent first (then by first line), at most kShownGroups.
  std::vector<FailureGroup> groups() const;
  // other: everything not in groups(); count 0 when nothing was left out.
  FailureGroup other() const;

 private:
  std::unordered_map<std::string, FailureGroup> tracked_;
  FailureGroup untracked_;  // failures whose message arrived after the table was full
};

}  // namespace zt::cli
