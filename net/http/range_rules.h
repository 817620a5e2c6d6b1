// The decisions of the HTTP range source that need no network: where a read is served from,
// when the end of the resource is read through the tail cache, and how long to pause between
// attempts. Portable and tested natively.
#pragma once

#include <cstdint>

namespace http {

// Forward jumps up to this far are read through and discarded rather than reopened.
constexpr uint64_t kSkipWindow = 0x80000;
// Without ranges, a resource is read from its start at most this far to reach an offset.
constexpr uint64_t kMaxUnrangedSkip = 0x4000000;
// The end of the resource kept in the tail cache.
constexpr uint64_t kTailBytes = 4096;
// The start of the resource, kept while the request opened at byte 0 has delivered no more than
// this: the MP3 stream information reads the first bytes, then the decoder starts again at
// byte 0, and that one return to the start is served from memory and goes on in the same
// request.
constexpr uint64_t kHeadBytes = 0x10000;
// Pieces of one network read and of one discarded skip.
constexpr uint32_t kReadPiece = 0x100000;
constexpr uint32_t kSkipPiece = 0x4000;
constexpr int kReadAttempts = 4;

enum class Route {
  Read,    // the current request is at the offset
  Skip,    // discard the gap in the current request, then read
  Reopen,  // a new request
};

// How a read at offset is served, given the current request (if any) at position.
Route chooseRoute(bool haveRequest, uint64_t position, uint64_t offset, bool seekable);

// A read that is not at the position and starts in the last kTailBytes of a resource of known
// size goes to the tail cache instead of moving the main stream.
bool isTailRead(uint64_t offset, uint64_t position, uint64_t size);
uint64_t tailStart(uint64_t size);

// The pause after failed attempt 0, 1 or 2: 300, 600, 1200 ms.
uint32_t retryPauseMs(int attempt);

}  // namespace http
