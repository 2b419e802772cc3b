// zt-verify/exit_code.h: the tool's exit codes, the numbers the C ABI returns for
// the same situations, so scripts can treat both alike.
#pragma once

namespace zt::cli {

inline constexpr int kExitVerified = 0;
inline constexpr int kExitBadInput = 1;      // bad argument, unreadable or non-UTF-8 file
inline constexpr int kExitLoadFailed = 2;    // decoding, package loading or registration
inline constexpr int kExitVerifyFailed = 3;  // a bet failed verification

}  // namespace zt::cli
