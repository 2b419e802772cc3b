// zt-verify/exit_code.h: the tool's exit codes. 0 to 3 are the numbers the C ABI
// returns for the same situations, so scripts can treat both alike; the others are
// situations only the tool knows.
#pragma once

namespace zt::cli {

inline constexpr int kExitVerified = 0;
inline constexpr int kExitBadInput = 1;       // bad argument, unreadable or non-UTF-8 file
inline constexpr int kExitLoadFailed = 2;     // decoding, package loading or registration
inline constexpr int kExitVerifyFailed = 3;   // a bet failed verification
inline constexpr int kExitNotRegistered = 4;  // a bet's game has no package (the only failure)
inline constexpr int kExitNoBets = 5;         // batch input held no bets
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C (SIGINT) or SIGTERM

}  // namespace zt::cli
