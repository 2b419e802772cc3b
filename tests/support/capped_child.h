// capped_child.h: runs a check in a child process with an address-space cap and a
// time limit, so a decode or a package load that allocates or loops without bound
// ends the child, not the test run.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>

namespace zt::test {

inline std::size_t address_space_in_use() {
  std::size_t pages = 0;
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return 0;
  if (std::fscanf(statm, "%zu", &pages) != 1) pages = 0;
  std::fclose(statm);
  return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// The address and thread sanitizers reserve far more address space than any
// sensible cap, so under them only the result and the time are checked.
inline constexpr bool kAddressSpaceCanBeCapped =
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    true;
#else
    false;
#endif

// expect_in_child: runs |check| in a child process whose address space is capped at
// |address_space| bytes (no cap when 0) and that is stopped after |seconds| (no time
// limit when 0), and expects it to return true.
inline void expect_in_child(std::size_t address_space, unsigned seconds,
                            const std::function<bool()>& check) {
  std::fflush(nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (kAddressSpaceCanBeCapped && address_space != 0) {
      const rlimit limit{address_space, address_space};
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
    }
    alarm(seconds);  // 0 sets no alarm
    // The child must never return into the test framework.
    try {
      _exit(check() ? 0 : 1);
    } catch (...) {
      _exit(2);
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
      << "the child did not finish within " << seconds << " s";
  ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
  const int code = WEXITSTATUS(status);
  EXPECT_EQ(code, 0) << (code == 2 ? "the check threw, most likely out of memory"
                                   : "the check gave the wrong result");
}

// expect_in_capped_child: runs |check| in a child process that may grow its address
// space by at most |extra_bytes| beyond what it holds when it starts (what the parent
// built before is shared, not copied), and that is stopped after |seconds|.
inline void expect_in_capped_child(std::size_t extra_bytes, unsigned seconds,
                                   const std::function<bool()>& check) {
  // The child starts with the parent's address space.
  expect_in_child(address_space_in_use() + extra_bytes, seconds, check);
}

}  // namespace zt::test
