// zt-verify/failure_groups.cpp: position stripping and the bounded group table.
#include "failure_groups.h"

#include <algorithm>

namespace zt::cli {
namespace {

// skip_digits: the index after the run of digits at |i|, or npos when there is none.
std::size_t skip_digits(std::string_view text, std::size_t i) {
  const std::size_t start = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  return i == start ? std::string_view::npos : i;
}

// position_length: the length of " at line N column M" or " at column N" at |i|, or 0.
std::size_t position_length(std::string_view text, std::size_t i) {
  const std::string_view rest = text.substr(i);
  std::size_t end = std::string_view::npos;
  if (rest.starts_with(" at line ")) {
    end = skip_digits(text, i + 9);
    if (end == std::string_view::npos || text.substr(end).substr(0, 8) != " column ") return 0;
    end = skip_digits(text, end + 8);
  } else if (rest.starts_with(" at column ")) {
    end = skip_digits(text, i + 11);
  }
  return end == std::string_view::npos ? 0 : end - i;
}

void merge(FailureGroup& into, const FailureGroup& group) {
  if (group.count == 0) return;
  into.first_line =
      into.count == 0 ? group.first_line : std::min(into.first_line, group.first_line);
  into.last_line = std::max(into.last_line, group.last_line);
  into.count += group.count;
}

}  // namespace

std::string without_positions(std::string_view message) {
  std::string out;
  out.reserve(message.size());
  for (std::size_t i = 0; i < message.size();) {
    if (const std::size_t skip = message[i] == ' ' ? position_length(message, i) : 0) {
      i += skip;
    } else {
      out += message[i++];
    }
  }
  return out;
}

void FailureGroups::add(std::string_view message, std::uint64_t line) {
  std::string key = without_positions(message);
  if (key.size() > kMessageBytes) {
    // Cut on a character boundary and say so.
    std::size_t cut = kMessageBytes;
    while (cut > 0 && (static_cast<unsigned char>(key[cut]) & 0xC0) == 0x80) --cut;
    key.resize(cut);
    key += "...";
  }
  auto it = tracked_.find(key);
  if (it == tracked_.end()) {
    if (tracked_.size() >= kTrackedGroups) {
      merge(untracked_, FailureGroup{{}, 1, line, line});
      return;
    }
    it = tracked_.emplace(key, FailureGroup{key, 0, line, line}).first;
  }
  ++it->second.count;
  it->second.last_line = line;
}

std::vector<FailureGroup> FailureGroups::groups() const {
  std::vector<FailureGroup> all;
  all.reserve(tracked_.size());
  for (const auto& [key, group] : tracked_) all.push_back(group);
  std::ranges::sort(all, [](const FailureGroup& a, const FailureGroup& b) {
    return a.count != b.count ? a.count > b.count : a.first_line < b.first_line;
  });
  if (all.size() > kShownGroups) all.resize(kShownGroups);
  return all;
}

FailureGroup FailureGroups::other() const {
  FailureGroup other{"other messages", 0, 0, 0};
  merge(other, untracked_);
  if (tracked_.size() > kShownGroups) {
    const std::vector<FailureGroup> shown = groups();
    const FailureGroup& smallest = shown.back();
    for (const auto& [key, group] : tracked_) {
      // Exactly the groups that groups() leaves out.
      const bool shown_group =
          group.count > smallest.count ||
          (group.count == smallest.count && group.first_line <= smallest.first_line);
      if (!shown_group) merge(other, group);
    }
  }
  return other;
}

}  // namespace zt::cli
