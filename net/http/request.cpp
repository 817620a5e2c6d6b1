#include "net/http/request.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <new>
#include <vector>

#include "base/live_record_count.h"
#include "net/http/client.h"

namespace http {

// What the waiting thread and WinHTTP's callback share. WinHTTP may complete a call after the
// waiter gave up on it (cancelled), so reads land in this buffer rather than the caller's, and
// the record lives until the handle's closing notification as well as until the Request lets
// go of it.
struct Request::Context : LiveRecordCount<Request::Context> {
  std::atomic<int> refs{2};
  base::ScopedHandle done{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  std::atomic<DWORD> status{0};
  std::atomic<DWORD> error{0};
  std::atomic<DWORD> length{0};
  std::vector<uint8_t> buffer;
  std::wstring headers;
  std::mutex redirectMutex;
  std::wstring redirect;  // where the last redirection led

  void release() noexcept {
    if (refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
};

namespace {

constexpr size_t kMaxRedirectChars = 2048;
constexpr uint32_t kMaxAhead = 0x100000;
constexpr ULONGLONG kFastRefillMs = 50;
constexpr ULONGLONG kSlowRefillMs = 500;

void CALLBACK onStatus(HINTERNET, DWORD_PTR value, DWORD status, void* info, DWORD length) {
  auto* context = reinterpret_cast<Request::Context*>(value);
  if (!context) return;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
      context->release();
      return;
    case WINHTTP_CALLBACK_STATUS_REDIRECT:
      if (info) {
        const wchar_t* url = static_cast<const wchar_t*>(info);
        try {
          std::lock_guard<std::mutex> lock(context->redirectMutex);
          context->redirect.assign(url, wcsnlen(url, kMaxRedirectChars + 1));
        } catch (...) {
          // The fix-up is an optimisation: without it requests go through the redirect again.
        }
      }
      return;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
      context->length.store(0, std::memory_order_relaxed);
      break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      context->length.store(info ? *static_cast<DWORD*>(info) : 0, std::memory_order_relaxed);
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      context->length.store(length, std::memory_order_relaxed);
      break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      context->error.store(
          info ? static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError : ERROR_WINHTTP_INTERNAL_ERROR,
          std::memory_order_relaxed);
      break;
    default:
      return;
  }
  context->status.store(status, std::memory_order_release);
  SetEvent(context->done.get());
}

}  // namespace

long Request::liveContexts() noexcept { return LiveRecordCount<Context>::live(); }

bool Request::open(HINTERNET connection, const std::wstring& path, bool secure, Cancel* cancel,
                   uint32_t& error) noexcept {
  close();
  error = 0;
  base::ScopedInternet request(WinHttpOpenRequest(connection, L"GET", path.c_str(), nullptr,
                                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                  secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) {
    error = GetLastError();
    return false;
  }
  Context* context = new (std::nothrow) Context;
  if (!context || !context->done) {
    delete context;
    error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  DWORD_PTR value = reinterpret_cast<DWORD_PTR>(context);
  if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_CONTEXT_VALUE, &value, sizeof value) ||
      WinHttpSetStatusCallback(request.get(), onStatus,
                               WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS |
                                   WINHTTP_CALLBACK_FLAG_HANDLES | WINHTTP_CALLBACK_FLAG_REDIRECT,
                               0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    error = GetLastError();
    // No callback is set, so no closing notification will release WinHTTP's share.
    request.reset();
    delete context;
    return false;
  }
  handle_ = request.get();
  context_ = context;
  cancel_ = cancel;
  if (!cancel) {
    owned_ = std::move(request);
    return true;
  }
  if (!cancel->registerRequest(std::move(request))) {
    close();
    return false;
  }
  registered_ = true;
  return true;
}

void Request::close() noexcept {
  if (!handle_) return;
  if (registered_) {
    // Closes here unless the canceller already has.
    cancel_->unregisterRequest(handle_);
  }
  owned_.reset();
  handle_ = nullptr;
  registered_ = false;
  failure_ = 0;
  aheadBegin_ = aheadEnd_ = 0;
  cancel_ = nullptr;
  context_->release();
  context_ = nullptr;
}

void Request::detach() noexcept {
  if (!handle_ || !registered_) return;
  owned_ = cancel_->unregisterRequest(handle_);
  registered_ = false;
  if (!owned_) close();
}

bool Request::attach() noexcept {
  if (!handle_) return false;
  if (registered_ || !cancel_) return true;
  if (!cancel_->registerRequest(std::move(owned_))) {
    close();
    return false;
  }
  registered_ = true;
  return true;
}

bool Request::usable(uint32_t& error) const noexcept {
  error = !handle_ ? ERROR_INVALID_HANDLE : failure_;
  return error == 0;
}

template <typename Call>
bool Request::start(Call call, uint32_t& error) noexcept {
  if (!usable(error)) return false;
  // A completion that belongs to an earlier call must not answer this one.
  context_->status.store(0, std::memory_order_relaxed);
  ResetEvent(context_->done.get());
  DWORD failure = 0;
  auto run = [&] {
    if (call()) return true;
    failure = GetLastError();
    return false;
  };
  const bool started = registered_ ? cancel_->whileRegistered(handle_, run) : run();
  if (!started) failure_ = error = failure ? failure : ERROR_WINHTTP_OPERATION_CANCELLED;
  return started;
}

bool Request::wait(DWORD expected, uint32_t& error) noexcept {
  HANDLE events[2] = {context_->done.get(), nullptr};
  DWORD count = 1;
  if (registered_ && cancel_->event()) events[count++] = cancel_->event();
  for (;;) {
    if (WaitForMultipleObjects(count, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
      failure_ = error = ERROR_WINHTTP_OPERATION_CANCELLED;
      return false;
    }
    // Intermediate completions (a request sent again after a redirect) are passed over.
    const DWORD status = context_->status.load(std::memory_order_acquire);
    if (status == expected) return true;
    if (status == WINHTTP_CALLBACK_STATUS_REQUEST_ERROR) {
      error = context_->error.load(std::memory_order_relaxed);
      if (error == 0) error = ERROR_WINHTTP_INTERNAL_ERROR;
      failure_ = error;
      return false;
    }
  }
}

bool Request::send(const std::wstring& headers, uint32_t& error) noexcept {
  if (!usable(error)) return false;
  try {
    context_->headers = headers;
  } catch (...) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  Context* context = context_;
  const bool sent = start(
      [&] {
        return WinHttpSendRequest(
            handle_,
            context->headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : context->headers.c_str(),
            context->headers.empty() ? 0 : static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0, 0,
            reinterpret_cast<DWORD_PTR>(context));
      },
      error);
  if (!sent || !wait(WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, error)) return false;
  return start([&] { return WinHttpReceiveResponse(handle_, nullptr); }, error) &&
         wait(WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, error);
}

bool Request::readInto(uint32_t at, uint32_t count, uint32_t& got, uint32_t& error) noexcept {
  got = 0;
  uint8_t* landing = context_->buffer.data() + at;
  if (!start([&] { return WinHttpReadData(handle_, landing, count, nullptr); }, error) ||
      !wait(WINHTTP_CALLBACK_STATUS_READ_COMPLETE, error)) {
    return false;
  }
  got = std::min<uint32_t>(context_->length.load(std::memory_order_relaxed), count);
  return true;
}

bool Request::read(uint8_t* buffer, uint32_t count, uint32_t& got, uint32_t& error) noexcept {
  got = 0;
  if (count == 0) return true;
  if (aheadBegin_ == aheadEnd_) {
    if (!refill(count, error)) return false;
    if (aheadBegin_ == aheadEnd_) return true;  // the end of the body
  }
  got = std::min(count, aheadEnd_ - aheadBegin_);
  std::memcpy(buffer, context_->buffer.data() + aheadBegin_, got);
  aheadBegin_ += got;
  return true;
}

bool Request::readAvailable(uint8_t* buffer, uint32_t count, uint32_t& got,
                            uint32_t& error) noexcept {
  got = 0;
  if (aheadBegin_ != aheadEnd_) return read(buffer, count, got, error);
  if (count == 0) return true;
  if (!usable(error)) return false;
  try {
    if (context_->buffer.size() < count) context_->buffer.resize(count);
  } catch (...) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  if (!start([&] { return WinHttpQueryDataAvailable(handle_, nullptr); }, error) ||
      !wait(WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE, error)) {
    return false;
  }
  const uint32_t available = context_->length.load(std::memory_order_relaxed);
  if (available == 0) return true;
  if (!readInto(0, std::min(available, count), got, error)) return false;
  std::memcpy(buffer, context_->buffer.data(), got);
  return true;
}

bool Request::refill(uint32_t count, uint32_t& error) noexcept {
  aheadBegin_ = aheadEnd_ = 0;
  // A read given up on by a cancel may still be landing in the buffer: it must not move.
  if (!usable(error)) return false;
  const uint32_t want = std::max(count, ahead_);
  try {
    if (context_->buffer.size() < want) context_->buffer.resize(want);
  } catch (...) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  // First what WinHTTP holds already: Wine serves a read its buffer can cover in the calling
  // thread, but one it cannot cover whole would wait there for the network, out of the
  // token's reach.
  if (!start([&] { return WinHttpQueryDataAvailable(handle_, nullptr); }, error) ||
      !wait(WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE, error)) {
    return false;
  }
  const uint32_t available = context_->length.load(std::memory_order_relaxed);
  if (available == 0) return true;
  uint32_t got = 0;
  if (!readInto(0, std::min(available, want), got, error)) return false;
  aheadEnd_ = got;
  if (got == 0 || got >= count) return true;
  // Then the rest in one call that waits in the background. Wine returns only once it has all
  // of it, so the size grows while the network keeps up and shrinks when it does not.
  const ULONGLONG started = GetTickCount64();
  uint32_t more = 0;
  uint32_t ignored = 0;
  // When this fails the bytes that came first are still good; the next read reports it.
  if (!readInto(got, want - got, more, ignored)) return true;
  aheadEnd_ += more;
  const ULONGLONG took = GetTickCount64() - started;
  if (took <= kFastRefillMs) ahead_ = std::min(ahead_ * 2, kMaxAhead);
  if (took >= kSlowRefillMs) ahead_ = std::max(ahead_ / 2, kMinAhead);
  return true;
}

template <typename Query>
bool Request::query(Query query) {
  if (!handle_) return false;
  if (registered_) return cancel_->whileRegistered(handle_, [&] { return query(handle_); });
  return query(handle_);
}

uint32_t Request::status() noexcept {
  uint32_t status = 0;
  query([&](HINTERNET h) {
    status = queryStatus(h);
    return true;
  });
  return status;
}

std::wstring Request::header(DWORD infoLevel, const wchar_t* name) {
  std::wstring text;
  query([&](HINTERNET h) {
    text = queryHeaderText(h, infoLevel, name);
    return true;
  });
  return text;
}

std::wstring Request::finalUrl() {
  std::wstring url;
  query([&](HINTERNET h) {
    url = queryFinalUrl(h);
    return true;
  });
  // Wine does not answer WINHTTP_OPTION_URL; the redirect notifications tell the same.
  if (url.empty() && context_) {
    std::lock_guard<std::mutex> lock(context_->redirectMutex);
    url = context_->redirect;
  }
  return url;
}

}  // namespace http
