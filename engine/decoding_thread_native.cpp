// Portable stand-in for the Windows decoding thread, so the ring logic runs under the native
// sanitizers. Nothing here breaks a blocked read; the native tests use memory sources.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "engine/decoding_thread.h"

struct DecodingThread::Impl {
  std::mutex mutex;
  std::condition_variable signal;
  bool woken = false;
  std::thread thread;
};

DecodingThread::~DecodingThread() { join(); }

bool DecodingThread::start(void (*body)(void*), void* arg) noexcept {
  if (impl_) return false;
  Impl* impl = new (std::nothrow) Impl();
  if (!impl) return false;
  // Set before the body runs: it waits through impl_ at once.
  impl_ = impl;
  try {
    impl->thread = std::thread(body, arg);
  } catch (...) {
    impl_ = nullptr;
    delete impl;
    return false;
  }
  return true;
}

void DecodingThread::wake() noexcept {
  if (!impl_) return;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->woken = true;
  }
  impl_->signal.notify_one();
}

void DecodingThread::wait(uint32_t timeoutMs) noexcept {
  if (!impl_) return;
  std::unique_lock<std::mutex> lock(impl_->mutex);
  auto isWoken = [this] { return impl_->woken; };
  if (timeoutMs == kForever) {
    impl_->signal.wait(lock, isWoken);
  } else {
    impl_->signal.wait_for(lock, std::chrono::milliseconds(timeoutMs), isWoken);
  }
  impl_->woken = false;
}

void DecodingThread::cancelBlockedRead() noexcept {}

void DecodingThread::join() noexcept {
  if (!impl_) return;
  if (impl_->thread.joinable()) impl_->thread.join();
  delete impl_;
  impl_ = nullptr;
}
