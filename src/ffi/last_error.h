// ffi/last_error.h: the C ABI's last-error channel. One process-wide slot that
// zt_core_last_error_message hands out, plus a per-thread copy of the message the
// calling thread's own last failing call stored, for callers (the Python module)
// that must never see another thread's message.
#pragma once

#include <string>

namespace zt::ffi {

// clear_last_error: empties the process slot and this thread's copy.
void clear_last_error();

// set_last_error: stores |message| in the process slot and in this thread's copy.
// A message holding a NUL byte cannot be handed out as a C string: both are left
// empty instead.
void set_last_error(std::string message);

// last_error_message: the process slot's text, or nullptr. Valid until the next
// clear_last_error or set_last_error of any thread.
const char* last_error_message();

// thread_last_error_message: this thread's copy, or nullptr. Valid until this
// thread's next clear_last_error or set_last_error.
const char* thread_last_error_message();

}  // namespace zt::ffi
