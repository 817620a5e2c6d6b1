#include <windows.h>

#include <new>

#include "base/scoped_win.h"
#include "base/wake_event.h"

namespace base {

struct WakeEvent::Impl {
  ScopedHandle event;
};

WakeEvent::WakeEvent() noexcept {
  std::unique_ptr<Impl> impl(new (std::nothrow) Impl());
  if (!impl) return;
  impl->event.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (impl->event) impl_ = std::move(impl);
}

WakeEvent::~WakeEvent() = default;

void WakeEvent::set() noexcept {
  if (impl_) SetEvent(impl_->event.get());
}

void WakeEvent::wait(uint32_t timeoutMs) noexcept {
  if (impl_) WaitForSingleObject(impl_->event.get(), timeoutMs == kForever ? INFINITE : timeoutMs);
}

}  // namespace base
