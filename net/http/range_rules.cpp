#include "net/http/range_rules.h"

#include "net/http/response_rules.h"

namespace http {

Route chooseRoute(bool haveRequest, uint64_t position, uint64_t offset, bool seekable) {
  if (!haveRequest || offset < position) return Route::Reopen;
  const uint64_t gap = offset - position;
  if (gap == 0) return Route::Read;
  if (gap <= kSkipWindow) return Route::Skip;
  if (seekable) return Route::Reopen;
  return gap <= kMaxUnrangedSkip ? Route::Skip : Route::Reopen;
}

bool isTailRead(uint64_t offset, uint64_t position, uint64_t size) {
  return offset != position && size != kUnknownLength && offset < size &&
         size - offset <= kTailBytes;
}

uint64_t tailStart(uint64_t size) { return size > kTailBytes ? size - kTailBytes : 0; }

uint32_t retryPauseMs(int attempt) { return 300u << attempt; }

}  // namespace http
