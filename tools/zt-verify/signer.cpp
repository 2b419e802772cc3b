// zt-verify/signer.cpp: validation of --signer keys and the comparison with a
// package's signer_ed25519.
#include "signer.h"

#include <algorithm>
#include <cctype>

namespace zt::cli {
namespace {

std::string lower_case(std::string text) {
  std::ranges::transform(text, text.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool is_hex_key(const std::string& key) {
  return key.size() == 64 &&
         std::ranges::all_of(key, [](unsigned char c) { return std::isxdigit(c) != 0; });
}

}  // namespace

std::expected<std::vector<std::string>, std::string> parse_signer_keys(
    const std::vector<std::string>& keys) {
  std::vector<std::string> parsed;
  for (const std::string& key : keys) {
    if (!is_hex_key(key)) {
      return std::unexpected("--signer " + key +
                             ": an Ed25519 public key is 64 hexadecimal digits");
    }
    parsed.push_back(lower_case(key));
  }
  return parsed;
}

std::expected<void, std::string> check_pinned_signer(const std::optional<std::string>& signer,
                                                     const std::vector<std::string>& pinned) {
  if (pinned.empty()) return {};
  if (!signer) return std::unexpected("package is unsigned, but --signer requires a pinned signer");
  if (std::ranges::find(pinned, lower_case(*signer)) == pinned.end()) {
    return std::unexpected("package is signed by " + *signer + ", which is not a --signer key");
  }
  return {};
}

}  // namespace zt::cli
