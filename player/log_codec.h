// The listening log's text: building one line, reading lines back, trimming the file and
// summarising what it says. No file access here; the shell is ListeningLog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct LogSummary {
  bool endedCleanly = true;  // the last valid line was "exit" or "off" (or there was none)
  bool hasLastPosition = false;
  std::wstring lastPath;
  uint64_t lastPositionMs = 0;
  bool hasJumpOrigin = false;  // a "from" line: where the last confirmed jump left
  std::wstring jumpOriginPath;
  uint64_t jumpOriginMs = 0;
};

// The local date and time a line starts with.
struct LogTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

namespace logcodec {

constexpr uint64_t kReadLimit = 0x800000;  // the last 8 MiB are read
constexpr uint64_t kTrimKeep = 0x80000;    // 512 KiB kept when trimming
constexpr uint64_t kSizeCap = 0x100000;    // 1 MiB

// The event words by code 0..7 ("play" .. "off").
std::string_view eventWord(int code);

// One line with its LF; empty when the event may not be written (a path that is empty or
// holds CR or LF for codes 0..5, or an unknown code).
std::string formatLine(const LogTime& time, int code, std::wstring_view path, uint64_t positionMs);

// Keeps the last 512 KiB from a line start (see the file's rules); shorter content is kept.
std::string trim(std::string content);

LogSummary summarise(std::string_view content);

}  // namespace logcodec
