#include <process.h>
#include <windows.h>

#include <new>

#include "base/scoped_win.h"
#include "base/thread.h"

namespace base {

struct Thread::Impl {
  std::function<void()> body;
  ScopedHandle handle;
};

namespace {
unsigned __stdcall threadEntry(void* param) {
  static_cast<Thread::Impl*>(param)->body();
  return 0;
}
}  // namespace

Thread::Thread() noexcept = default;
Thread::~Thread() { join(); }

bool Thread::start(std::function<void()> body) noexcept {
  if (impl_) return false;
  std::unique_ptr<Impl> impl(new (std::nothrow) Impl());
  if (!impl) return false;
  try {
    impl->body = std::move(body);
  } catch (...) {
    return false;
  }
  uintptr_t handle = _beginthreadex(nullptr, 0, threadEntry, impl.get(), 0, nullptr);
  if (handle == 0) return false;
  impl->handle.reset(reinterpret_cast<HANDLE>(handle));
  impl_ = std::move(impl);
  return true;
}

bool Thread::running() const noexcept { return impl_ != nullptr; }

void Thread::join() noexcept {
  if (!impl_) return;
  WaitForSingleObject(impl_->handle.get(), INFINITE);
  impl_.reset();
}

void Thread::cancelSynchronousIo() noexcept {
  if (impl_) CancelSynchronousIo(impl_->handle.get());
}

}  // namespace base
