#include "net/http/cancel.h"

namespace http {

Cancel::Cancel() noexcept : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

bool Cancel::registerRequest(base::ScopedInternet request) noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  if (cancelled()) return false;  // request closes as it goes out of scope
  registered_ = std::move(request);
  return true;
}

base::ScopedInternet Cancel::unregisterRequest(HINTERNET request) noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  if (request == nullptr || registered_.get() != request) return base::ScopedInternet();
  return std::move(registered_);
}

void Cancel::cancel() noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  cancelled_.store(true, std::memory_order_release);
  registered_.reset();
  if (event_) SetEvent(event_.get());
}

}  // namespace http
