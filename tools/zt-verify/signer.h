// zt-verify/signer.h: pinning package signers with --signer.
//
// A package's signature only shows that gdp.json was signed by the key named in
// that same gdp.json: anyone can sign a package with a key of their own. Pinning
// compares that key with keys the user trusts.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace zt::cli {

// parse_signer_keys: the --signer values in lower case. Each must be an Ed25519
// public key written as 64 hexadecimal digits, in either case.
[[nodiscard]] std::expected<std::vector<std::string>, std::string> parse_signer_keys(
    const std::vector<std::string>& keys);

// check_pinned_signer: accepts anything when |pinned| is empty; otherwise the
// package's signer_ed25519 must be present and equal, ignoring case, to a pinned key.
// The error says why the package is refused.
[[nodiscard]] std::expected<void, std::string> check_pinned_signer(
    const std::optional<std::string>& signer, const std::vector<std::string>& pinned);

}  // namespace zt::cli
