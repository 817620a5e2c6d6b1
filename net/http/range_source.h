// An audio file given by an http:// or https:// URL as a byte source: one long GET streams
// the body as the decoder advances, jumps open Range requests, the first bytes (while the first
// request is still near them) and the last 4 KiB are served from caches, short failures are
// retried, and another thread can cancel.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/scoped_win.h"
#include "engine/source/byte_source.h"
#include "net/http/cancel.h"
#include "net/http/request.h"
#include "net/http/url.h"

namespace http {

class RangeSource : public source::ByteSource {
 public:
  enum class Opened { Failed, Whole, Ranged, PastEnd };

  // No request is made yet; the session comes from openSession().
  RangeSource(HttpUrl url, base::ScopedInternet session) noexcept;
  ~RangeSource() override;
  RangeSource(const RangeSource&) = delete;
  RangeSource& operator=(const RangeSource&) = delete;

  uint64_t size() override { return size_; }
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override;
  bool seekable() override { return seekable_; }
  void cancel() override { cancel_.cancel(); }
  std::wstring contentType() override { return contentType_; }
  bool mediumLost() override { return false; }

  // One request at offset, with "Range: bytes=<offset>-" when ranged, judged by its status.
  // Failed comes with a text (empty when cancelled). openAt and useFinalLocation may throw
  // std::bad_alloc; readAt never throws.
  Opened openAt(uint64_t offset, bool ranged, std::wstring& error);
  // Reads and discards n bytes of the current request.
  bool skip(uint64_t n);
  // After the first request: when redirections ended at another host or path, every later
  // request goes there directly.
  void useFinalLocation();

  const HttpUrl& location() const { return url_; }

 private:
  enum class Reopened { Ok, Retry, PastEnd, GiveUp };
  enum class BodyRead { Done, Failed };

  bool read(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead);
  Reopened reopen(uint64_t offset);
  BodyRead readBody(uint8_t* buffer, uint64_t count, uint64_t& bytesRead);
  bool connect(uint32_t& error);
  void fillTail();
  // Adds n bytes the current request delivered at the position to the head, or drops the head
  // once the request has gone past it.
  void keepHead(const uint8_t* data, uint32_t n) noexcept;
  void dropHead() noexcept;
  void pause(uint32_t ms);

  HttpUrl url_;
  base::ScopedInternet session_;
  base::ScopedInternet connection_;
  uint64_t position_ = 0;
  uint64_t size_ = source::kUnknownSize;
  bool seekable_ = true;
  std::wstring contentType_;
  Cancel cancel_;
  Request current_;            // after cancel_: it may be registered there
  std::vector<uint8_t> head_;  // bytes 0 to head_.size() - 1
  std::vector<uint8_t> tail_;
  uint64_t tailOffset_ = 0;
  uint64_t gaveUpAt_ = source::kUnknownSize;  // where the last read failed every attempt
};

}  // namespace http
