// A worker thread that is always joined: by join(), or at the latest by its destructor.
// Windows starts it with _beginthreadex; the native build of the portable core uses std::thread.
#pragma once

#include <functional>
#include <memory>

namespace base {

class Thread {
 public:
  Thread() noexcept;
  ~Thread();  // joins
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Runs body on a new thread. False when the thread cannot be created or one already runs.
  // The body must not throw: an exception that escapes it ends the process.
  bool start(std::function<void()> body) noexcept;
  bool running() const noexcept;
  // Waits for the body to return. Safe to call when nothing runs.
  void join() noexcept;
  // Breaks a synchronous file or device read the thread is blocked in (Windows only; nothing
  // happens when it is not blocked).
  void cancelSynchronousIo() noexcept;

  struct Impl;  // each platform's file defines it

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace base
