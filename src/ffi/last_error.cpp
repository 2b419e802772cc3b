// ffi/last_error.cpp: the process-wide last-error slot and the per-thread copies.
#include "ffi/last_error.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <utility>

namespace zt::ffi {
namespace {

struct LastErrorSlot {
  std::mutex mutex;
  std::optional<std::string> message;
  // Mirrors message.has_value(), written under the mutex; lets a clear of an
  // empty slot skip the lock, which every successful call would otherwise take.
  std::atomic<bool> holds_message{false};
};

// Created on first use and never destroyed, so a host thread still calling in
// while the process exits never meets a destroyed mutex.
LastErrorSlot& slot() {
  static LastErrorSlot* const instance = new LastErrorSlot;
  return *instance;
}

thread_local std::optional<std::string> thread_message;

}  // namespace

void clear_last_error() {
  thread_message.reset();
  LastErrorSlot& s = slot();
  if (!s.holds_message.load(std::memory_order_acquire)) return;
  std::lock_guard lock(s.mutex);
  s.message.reset();
  s.holds_message.store(false, std::memory_order_release);
}

void set_last_error(std::string message) {
  if (message.find('\0') != std::string::npos) {
    clear_last_error();
    return;
  }
  thread_message = message;
  LastErrorSlot& s = slot();
  std::lock_guard lock(s.mutex);
  s.message = std::move(message);
  s.holds_message.store(true, std::memory_order_release);
}

const char* last_error_message() {
  LastErrorSlot& s = slot();
  std::lock_guard lock(s.mutex);
  return s.message ? s.message->c_str() : nullptr;
}

const char* thread_last_error_message() {
  return thread_message ? thread_message->c_str() : nullptr;
}

}  // namespace zt::ffi
