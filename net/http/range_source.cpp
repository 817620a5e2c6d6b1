#include "net/http/range_source.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/text.h"
#include "net/http/client.h"
#include "net/http/error_text.h"
#include "net/http/range_rules.h"
#include "net/http/response_rules.h"

namespace http {

static_assert(kUnknownLength == source::kUnknownSize);

namespace {

std::wstring rangeHeader(uint64_t offset) {
  return L"Range: bytes=" + text::toDecimal(offset) + L"-";
}

}  // namespace

RangeSource::RangeSource(HttpUrl url, base::ScopedInternet session) noexcept
    : url_(std::move(url)), session_(std::move(session)) {}

RangeSource::~RangeSource() { current_.close(); }

bool RangeSource::connect(uint32_t& error) {
  if (connection_) return true;
  connection_.reset(WinHttpConnect(session_.get(), url_.host.c_str(), url_.port, 0));
  if (connection_) return true;
  error = GetLastError();
  return false;
}

RangeSource::Opened RangeSource::openAt(uint64_t offset, bool ranged, std::wstring& error) {
  error.clear();
  current_.close();
  dropHead();
  if (cancel_.cancelled()) return Opened::Failed;
  uint32_t code = 0;
  if (!connect(code) || !current_.open(connection_.get(), url_.path, url_.secure, &cancel_, code)) {
    if (code != 0) error = errorText(code);
    return Opened::Failed;
  }
  if (!current_.send(ranged ? rangeHeader(offset) : std::wstring(), code)) {
    if (!cancel_.cancelled()) error = errorText(code);
    current_.close();
    return Opened::Failed;
  }
  const uint32_t status = current_.status();
  const Judgement judgement =
      judgeResponse(status, ranged, offset, current_.header(WINHTTP_QUERY_CONTENT_RANGE));
  if (judgement.outcome == RangeOutcome::Invalid) {
    error = invalidResponseText(status);
    current_.close();
    return Opened::Failed;
  }
  if (contentType_.empty()) contentType_ = current_.header(WINHTTP_QUERY_CONTENT_TYPE);
  switch (judgement.outcome) {
    case RangeOutcome::PastEnd:
      current_.close();
      position_ = offset;
      return Opened::PastEnd;
    case RangeOutcome::Whole: {
      seekable_ = false;
      position_ = 0;
      uint64_t length = 0;
      if (size_ == source::kUnknownSize &&
          parseContentLength(current_.header(WINHTTP_QUERY_CONTENT_LENGTH), length)) {
        size_ = length;
      }
      return Opened::Whole;
    }
    default:
      position_ = offset;
      if (size_ == source::kUnknownSize) size_ = judgement.total;
      return Opened::Ranged;
  }
}

bool RangeSource::skip(uint64_t n) {
  uint8_t scratch[kSkipPiece];
  while (n > 0) {
    if (!current_.isOpen()) return false;
    uint32_t got = 0;
    uint32_t error = 0;
    if (!current_.read(scratch, static_cast<uint32_t>(std::min<uint64_t>(n, sizeof scratch)), got,
                       error) ||
        got == 0) {
      return false;
    }
    keepHead(scratch, got);
    position_ += got;
    n -= got;
  }
  return true;
}

void RangeSource::useFinalLocation() {
  const std::optional<HttpUrl> final = parseUrl(current_.finalUrl());
  if (!final || sameLocation(*final, url_)) return;
  url_ = *final;
  // The current request keeps streaming over its own connection.
  connection_.reset();
}

void RangeSource::keepHead(const uint8_t* data, uint32_t n) noexcept {
  // Only a request that started at byte 0 and has delivered every byte since adds to the head.
  if (position_ != head_.size()) return;
  if (position_ + n > kHeadBytes) {
    dropHead();
    return;
  }
  try {
    head_.insert(head_.end(), data, data + n);
  } catch (...) {
    dropHead();  // the stream works without it
  }
}

void RangeSource::dropHead() noexcept { std::vector<uint8_t>().swap(head_); }

void RangeSource::pause(uint32_t ms) {
  if (cancel_.event()) {
    WaitForSingleObject(cancel_.event(), ms);
  } else if (!cancel_.cancelled()) {
    Sleep(ms);
  }
}

void RangeSource::fillTail() {
  const uint64_t start = tailStart(size_);
  // The tail request takes the main one's place at the token while it runs.
  current_.detach();
  Request tail;
  uint32_t error = 0;
  bool ok = connect(error) &&
            tail.open(connection_.get(), url_.path, url_.secure, &cancel_, error) &&
            tail.send(rangeHeader(start), error);
  if (ok) {
    const uint32_t status = tail.status();
    ok = status == 206 &&
         judgeResponse(status, true, start, tail.header(WINHTTP_QUERY_CONTENT_RANGE)).outcome ==
             RangeOutcome::Ranged;
  }
  if (ok) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size_ - start));
    size_t have = 0;
    while (ok && have < bytes.size()) {
      uint32_t got = 0;
      ok = tail.read(bytes.data() + have,
                     static_cast<uint32_t>(std::min<size_t>(bytes.size() - have, kReadPiece)), got,
                     error) &&
           got > 0;
      have += got;
    }
    if (ok) {
      tail_ = std::move(bytes);
      tailOffset_ = start;
    }
  }
  tail.close();
  current_.attach();
}

RangeSource::Reopened RangeSource::reopen(uint64_t offset) {
  std::wstring ignored;
  if (seekable_) {
    switch (openAt(offset, true, ignored)) {
      case Opened::Failed:
        return Reopened::Retry;
      case Opened::PastEnd:
        return Reopened::PastEnd;
      case Opened::Ranged:
        return Reopened::Ok;
      case Opened::Whole:
        // The server ignores ranges after all: read up to the offset from the start.
        if (offset > kMaxUnrangedSkip) return Reopened::GiveUp;
        return skip(offset) ? Reopened::Ok : Reopened::Retry;
    }
  }
  if (offset > kMaxUnrangedSkip) return Reopened::GiveUp;
  if (openAt(0, false, ignored) != Opened::Whole) return Reopened::Retry;
  return skip(offset) ? Reopened::Ok : Reopened::Retry;
}

RangeSource::BodyRead RangeSource::readBody(uint8_t* buffer, uint64_t count, uint64_t& bytesRead) {
  while (bytesRead < count) {
    uint32_t got = 0;
    uint32_t error = 0;
    const uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(count - bytesRead, kReadPiece));
    if (!current_.read(buffer + bytesRead, want, got, error)) {
      current_.close();
      return BodyRead::Failed;
    }
    if (got == 0) {
      if (size_ == source::kUnknownSize || position_ >= size_) return BodyRead::Done;
      current_.close();
      return BodyRead::Failed;
    }
    keepHead(buffer + bytesRead, got);
    position_ += got;
    bytesRead += got;
  }
  return BodyRead::Done;
}

bool RangeSource::readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) {
  bytesRead = 0;
  try {
    return read(offset, buffer, count, bytesRead);
  } catch (...) {
    // Only allocation throws; the decoder calling here must not see it.
    current_.close();
    return bytesRead > 0;
  }
}

bool RangeSource::read(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) {
  if (count == 0) return true;
  if (cancel_.cancelled()) return false;
  // Asked again where every attempt just failed: the MP3 decoder does so once per frame it
  // still holds, and a round of pauses for each would stall a dropped stream for minutes
  // instead of ending it. A read anywhere else (a seek) tries the network again.
  if (offset == gaveUpAt_) return false;
  gaveUpAt_ = source::kUnknownSize;
  if (size_ != source::kUnknownSize) {
    if (offset >= size_) return true;
    count = std::min(count, size_ - offset);
  }

  // Back at the start while the first request is still within the head: the rest continues
  // that request. Once the reader is through, the head goes, and later jumps back make
  // requests as any other jump does.
  if (offset < head_.size()) {
    bytesRead = std::min<uint64_t>(count, head_.size() - offset);
    std::memcpy(buffer, head_.data() + offset, static_cast<size_t>(bytesRead));
    if (offset + count >= head_.size()) dropHead();
    if (bytesRead == count) return true;
  }

  const uint64_t from = offset + bytesRead;
  if (isTailRead(from, position_, size_)) {
    if (tail_.empty() && seekable_ && !cancel_.cancelled()) fillTail();
    if (!tail_.empty() && from >= tailOffset_) {
      std::memcpy(buffer + bytesRead, tail_.data() + (from - tailOffset_),
                  static_cast<size_t>(count - bytesRead));
      bytesRead = count;
      return true;
    }
  }

  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    if (cancel_.cancelled()) break;
    const uint64_t at = offset + bytesRead;
    bool ready = true;
    switch (chooseRoute(current_.isOpen(), position_, at, seekable_)) {
      case Route::Read:
        break;
      case Route::Skip:
        ready = skip(at - position_);
        break;
      case Route::Reopen:
        switch (reopen(at)) {
          case Reopened::Ok:
            break;
          case Reopened::Retry:
            ready = false;
            break;
          case Reopened::PastEnd:
            return true;
          case Reopened::GiveUp:
            return bytesRead > 0;
        }
        break;
    }
    if (ready) {
      if (readBody(buffer, count, bytesRead) == BodyRead::Done) return true;
      if (!seekable_ && bytesRead > 0) return true;
    } else {
      current_.close();
    }
    if (attempt + 1 < kReadAttempts && !cancel_.cancelled()) pause(retryPauseMs(attempt));
  }
  if (bytesRead == 0 && !cancel_.cancelled()) gaveUpAt_ = offset;
  return bytesRead > 0;
}

}  // namespace http
