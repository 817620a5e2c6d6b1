// The thread of a StreamDecoder and its auto-reset wake event. Windows uses _beginthreadex,
// an event and CancelSynchronousIo; the native build has a portable stand-in for tests.
#pragma once

#include <cstdint>

class DecodingThread {
 public:
  static constexpr uint32_t kForever = 0xFFFFFFFF;

  DecodingThread() = default;
  ~DecodingThread();  // joins
  DecodingThread(const DecodingThread&) = delete;
  DecodingThread& operator=(const DecodingThread&) = delete;

  // Creates the wake event and starts body(arg). False when either cannot be created.
  bool start(void (*body)(void*), void* arg) noexcept;
  bool running() const noexcept { return impl_ != nullptr; }

  void wake() noexcept;
  // On the thread itself: waits until woken or timeoutMs has passed; consumes the wake.
  void wait(uint32_t timeoutMs) noexcept;
  // Breaks a file read the thread is blocked in (nothing when it is not blocked).
  void cancelBlockedRead() noexcept;
  // Waits for the body to return and frees the thread and event.
  void join() noexcept;

  struct Impl;  // each platform's file defines it

 private:
  Impl* impl_ = nullptr;
};
