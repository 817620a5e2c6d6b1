// A cancellation token shared between a thread that makes HTTP requests and the thread that
// may cancel them.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <mutex>

#include "base/scoped_win.h"

namespace http {

// While a request may block, the token owns its handle: cancel() closes it (once) under the
// token's lock, which fails the pending call, and sets an event that every wait of
// net/http/request.h also watches, so the waiting thread returns even where closing the handle
// does not end the pending call at once (Wine).
class Cancel {
 public:
  Cancel() noexcept;
  Cancel(const Cancel&) = delete;
  Cancel& operator=(const Cancel&) = delete;

  // Takes the request over. False when already cancelled: the request is closed at once.
  bool registerRequest(base::ScopedInternet request) noexcept;
  // Gives the registered request back to its owner; an empty owner when the canceller has
  // already closed it (or another request is registered).
  base::ScopedInternet unregisterRequest(HINTERNET request) noexcept;
  // Sets the flag, closes the registered request and wakes every wait.
  void cancel() noexcept;
  bool cancelled() const noexcept { return cancelled_.load(std::memory_order_acquire); }

  // Runs start() under the lock if request is still the registered one, so that the handle
  // cannot be closed between the check and the call; false (without running it) otherwise.
  template <typename Start>
  bool whileRegistered(HINTERNET request, Start start) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled() || registered_.get() != request) return false;
    return start();
  }

  // Manual-reset, set by cancel(); null when it could not be created (waits then rely on the
  // closed handle alone).
  HANDLE event() const noexcept { return event_.get(); }

 private:
  mutable std::mutex mutex_;
  base::ScopedInternet registered_;
  std::atomic<bool> cancelled_{false};
  base::ScopedHandle event_;
};

}  // namespace http
