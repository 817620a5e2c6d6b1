// The portable stand-in, so that code built on threads runs under the native sanitizers.
#include <new>
#include <thread>

#include "base/thread.h"

namespace base {

struct Thread::Impl {
  std::thread thread;
};

Thread::Thread() noexcept = default;
Thread::~Thread() { join(); }

bool Thread::start(std::function<void()> body) noexcept {
  if (impl_) return false;
  std::unique_ptr<Impl> impl(new (std::nothrow) Impl());
  if (!impl) return false;
  try {
    impl->thread = std::thread(std::move(body));
  } catch (...) {
    return false;
  }
  impl_ = std::move(impl);
  return true;
}

bool Thread::running() const noexcept { return impl_ != nullptr; }

void Thread::join() noexcept {
  if (!impl_) return;
  if (impl_->thread.joinable()) impl_->thread.join();
  impl_.reset();
}

void Thread::cancelSynchronousIo() noexcept {}

}  // namespace base
