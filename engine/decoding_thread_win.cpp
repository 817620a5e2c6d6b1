#include <process.h>
#include <windows.h>

#include <new>

#include "engine/decoding_thread.h"

struct DecodingThread::Impl {
  HANDLE wake = nullptr;
  HANDLE thread = nullptr;
  void (*body)(void*) = nullptr;
  void* arg = nullptr;
};

namespace {
unsigned __stdcall threadEntry(void* param) {
  auto* impl = static_cast<DecodingThread::Impl*>(param);
  impl->body(impl->arg);
  return 0;
}
}  // namespace

DecodingThread::~DecodingThread() { join(); }

bool DecodingThread::start(void (*body)(void*), void* arg) noexcept {
  if (impl_) return false;
  Impl* impl = new (std::nothrow) Impl();
  if (!impl) return false;
  impl->body = body;
  impl->arg = arg;
  impl->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!impl->wake) {
    delete impl;
    return false;
  }
  // Set before the body runs: it waits through impl_ at once.
  impl_ = impl;
  uintptr_t thread = _beginthreadex(nullptr, 0, threadEntry, impl, 0, nullptr);
  if (thread == 0) {
    impl_ = nullptr;
    CloseHandle(impl->wake);
    delete impl;
    return false;
  }
  impl->thread = reinterpret_cast<HANDLE>(thread);
  return true;
}

void DecodingThread::wake() noexcept {
  if (impl_) SetEvent(impl_->wake);
}

void DecodingThread::wait(uint32_t timeoutMs) noexcept {
  if (impl_) WaitForSingleObject(impl_->wake, timeoutMs == kForever ? INFINITE : timeoutMs);
}

void DecodingThread::cancelBlockedRead() noexcept {
  if (impl_) CancelSynchronousIo(impl_->thread);
}

void DecodingThread::join() noexcept {
  if (!impl_) return;
  WaitForSingleObject(impl_->thread, INFINITE);
  CloseHandle(impl_->thread);
  CloseHandle(impl_->wake);
  delete impl_;
  impl_ = nullptr;
}
