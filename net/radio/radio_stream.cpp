#include "net/radio/radio_stream.h"

#include <new>

namespace radio {

Stream::Shared::Shared(HWND window, UINT message, int32_t session)
    : window(window),
      message(message),
      session(session),
      stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      linkCancel(std::make_shared<http::Cancel>()) {}

bool Stream::start(const std::wstring& url, int32_t session, uint32_t codepage, HWND window,
                   UINT message) noexcept {
  stop();
  try {
    auto shared = std::make_shared<Shared>(window, message, session);
    if (!shared->stopEvent || !shared->request.event() || !shared->linkCancel->event()) {
      return false;
    }
    if (!thread_.start([shared, url, codepage] { runStream(shared, url, codepage); })) {
      return false;
    }
    shared_ = std::move(shared);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void Stream::stop() noexcept {
  if (!shared_) return;
  shared_->stopping.store(true, std::memory_order_release);
  shared_->linkCancel->cancel();
  SetEvent(shared_->stopEvent.get());
  shared_->request.cancel();
  thread_.join();
  shared_.reset();
}

}  // namespace radio
