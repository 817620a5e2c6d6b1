// The portable stand-in, so that code waiting on an event runs under the native sanitizers.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include "base/wake_event.h"

namespace base {

struct WakeEvent::Impl {
  std::mutex mutex;
  std::condition_variable signal;
  bool set = false;
};

WakeEvent::WakeEvent() noexcept : impl_(new (std::nothrow) Impl()) {}

WakeEvent::~WakeEvent() = default;

void WakeEvent::set() noexcept {
  if (!impl_) return;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->set = true;
  }
  impl_->signal.notify_one();
}

void WakeEvent::wait(uint32_t timeoutMs) noexcept {
  if (!impl_) return;
  std::unique_lock<std::mutex> lock(impl_->mutex);
  auto isSet = [this] { return impl_->set; };
  if (timeoutMs == kForever) {
    impl_->signal.wait(lock, isSet);
  } else {
    impl_->signal.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet);
  }
  impl_->set = false;
}

}  // namespace base
