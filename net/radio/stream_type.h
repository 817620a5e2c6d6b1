// What a station sends, judged from its answer: the content type, the ICY metadata interval,
// and for an untyped body a look at its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace radio {

constexpr uint32_t kMaxMetaint = 1048576;
// An untyped body is taken for MP3 once this much was gathered without an ADTS sync.
constexpr size_t kSniffBytes = 16384;

enum class StreamClass : uint8_t { Mp3, Aac, Unknown, Refused };

struct ContentClass {
  StreamClass kind = StreamClass::Unknown;
  std::wstring error;  // the refusal's text, for Refused
};

// The Content-Type header (empty when absent) cut at its first ';', trailing spaces removed
// and lower-cased, then classified.
ContentClass classifyContentType(std::wstring_view header);

// True when the whole lower-cased header names a playlist ("mpegurl" or "scpls"): such an
// answer is resolved as a station link once per session.
bool contentTypeNamesPlaylist(std::wstring_view header);

// The icy-metaint header: a decimal number of 1..1048576, else 0 (no metadata).
uint32_t parseMetaint(std::wstring_view header);

enum class Sniff : uint8_t { NeedMore, Mp3, Aac };

// An untyped body: AAC once the bytes hold an ADTS sync, MP3 once more than 16383 bytes
// came without one or the stream ended; until then more bytes are needed.
Sniff sniffStream(const uint8_t* bytes, size_t length, bool ended);

}  // namespace radio
