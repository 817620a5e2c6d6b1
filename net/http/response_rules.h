// How an answer to a GET is judged: the status with its Content-Range, the Content-Length and
// the Content-Type. Portable, so the parsers are tested natively and fuzzed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace http {

// The resource length while no answer has told it.
constexpr uint64_t kUnknownLength = ~0ull;

struct ContentRange {
  uint64_t first = 0;
  uint64_t last = 0;
  uint64_t total = kUnknownLength;  // unknown for "*"
};

// "bytes <first>-<last>/<total|*>": leading spaces skipped, then at least 12 characters;
// "bytes " in any case, spaces, the two decimal byte numbers, "/", the total or "*", and only
// spaces after it. False on any deviation, on a number over 64 bits, or when last >= total.
bool parseContentRange(std::wstring_view text, ContentRange& out);

enum class RangeOutcome { Whole, Ranged, PastEnd, Invalid };

struct Judgement {
  RangeOutcome outcome = RangeOutcome::Invalid;
  uint64_t total = kUnknownLength;  // for Ranged: the total from Content-Range
};

// What an answer means for a request made at offset, with "Range: bytes=<offset>-" when
// ranged: 200 is the whole resource, 416 (ranged) lies past the end, 206 (ranged) must carry a
// valid Content-Range that starts at the offset. Everything else is invalid.
Judgement judgeResponse(uint32_t status, bool ranged, uint64_t offset,
                        std::wstring_view contentRange);

// The text for an invalid answer: the wrong part for a 206, else the status.
std::wstring invalidResponseText(uint32_t status);

// The Content-Length when it starts with a digit: the decimal number it begins with. False
// otherwise and when the number does not fit 64 bits.
bool parseContentLength(std::wstring_view text, uint64_t& out);

// The media type alone: cut at the first ";", lower-cased, trailing spaces removed.
std::wstring mediaType(std::wstring_view contentType);

// Whether an HTTP resource is decoded with Media Foundation: its media type is of the MP4 or
// WMA family, or (for any other type) the URL's extension is ".m4a", ".m4b" or ".wma".
bool urlSelectsMediaFoundation(std::wstring_view contentType, std::wstring_view url);

}  // namespace http
