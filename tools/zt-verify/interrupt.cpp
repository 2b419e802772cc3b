// zt-verify/interrupt.cpp: the signal handler sets a lock-free flag and restores the
// default action, so a second Ctrl-C is not swallowed.
#include "interrupt.h"

#include <pthread.h>
#include <signal.h>

namespace zt::cli {
namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void on_signal(int number) {
  g_stop.store(true);
  signal(number, SIG_DFL);
}

}  // namespace

sigset_t stop_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

StopOnSignal::StopOnSignal() {
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocking read returns EINTR
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  const sigset_t set = stop_signals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

// The signals stay blocked in this thread: one that arrived after the reading
// thread ended stays pending instead of ending the process before the summary.
StopOnSignal::~StopOnSignal() {
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
}

void StopOnSignal::allow_signals_here() {
  const sigset_t set = stop_signals();
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

const std::atomic<bool>& StopOnSignal::stop_requested() { return g_stop; }

}  // namespace zt::cli
