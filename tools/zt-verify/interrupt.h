// zt-verify/interrupt.h: Ctrl-C (SIGINT) and SIGTERM as a request to stop. A batch
// stops reading, finishes the bets it already read, writes its summary and exits
// 130; a second signal ends the process at once.
#pragma once

#include <signal.h>

#include <atomic>

namespace zt::cli {

// StopOnSignal: while it lives, SIGINT and SIGTERM set stop_requested() instead of
// ending the process, and interrupt a blocking read of the thread that receives
// them. Only the thread that calls allow_signals_here() receives them; the
// constructing thread and every thread started after it have them blocked, and the
// constructing thread keeps them blocked for the rest of the run (a late Ctrl-C
// cannot cut the summary short).
// stop_signals: the signals that ask zt-verify to stop, SIGINT and SIGTERM.
sigset_t stop_signals();

class StopOnSignal {
 public:
  StopOnSignal();
  ~StopOnSignal();
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;

  // allow_signals_here: the calling thread receives the signals from now on.
  static void allow_signals_here();
  static const std::atomic<bool>& stop_requested();
};

}  // namespace zt::cli
