#include "player/log_codec.h"

#include <algorithm>
#include <array>

#include "base/text.h"

namespace logcodec {

namespace {

constexpr int kEventCount = 8;
constexpr size_t kStampLength = 19;      // "YYYY-MM-DD HH:MM:SS"
constexpr size_t kMaxPathBytes = 32767;  // the longest path Windows can name
constexpr size_t kMaxFirstGroup = 6;
constexpr int kCodeExit = 6;
constexpr int kCodeOff = 7;
constexpr int kCodeFrom = 3;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

void appendNumber(std::string& out, uint64_t value, size_t width) {
  char digits[24];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (size_t i = n; i < width; ++i) out.push_back('0');
  while (n > 0) out.push_back(digits[--n]);
}

void appendClamped(std::string& out, int value, int max, size_t width) {
  appendNumber(out, static_cast<uint64_t>(std::clamp(value, 0, max)), width);
}

// "YYYY-MM-DD HH:MM:SS": digits where digits belong, the separators at their places.
bool matchesStamp(std::string_view line) {
  static constexpr std::string_view kPattern = "dddd-dd-dd dd:dd:dd";
  for (size_t i = 0; i < kStampLength; ++i) {
    const char want = kPattern[i];
    if (want == 'd' ? !isDigit(line[i]) : line[i] != want) return false;
  }
  return true;
}

// "M:SS" or "H:MM:SS" (first group 1-6 digits, later groups two digits up to 59).
bool parseTime(std::string_view text, uint64_t& ms) {
  uint64_t groups[3] = {};
  size_t count = 0;
  size_t i = 0;
  for (;;) {
    const size_t start = i;
    while (i < text.size() && isDigit(text[i])) {
      groups[count] = groups[count] * 10 + static_cast<uint64_t>(text[i] - '0');
      ++i;
    }
    const size_t digits = i - start;
    if (count == 0 ? (digits < 1 || digits > kMaxFirstGroup) : (digits != 2 || groups[count] > 59))
      return false;
    ++count;
    if (i == text.size()) break;
    if (text[i] != ':' || count == 3) return false;
    ++i;
  }
  if (count < 2) return false;
  uint64_t seconds = 0;
  for (size_t g = 0; g < count; ++g) seconds = seconds * 60 + groups[g];
  ms = seconds * 1000;
  return true;
}

// A path as the writer produces it: well-formed UTF-8 (no overlong forms, surrogates or
// values past U+10FFFF) and no control characters, which no Windows path holds and which
// would break the lines of settings.ini once the path is remembered there.
bool decodePath(std::string_view bytes, std::wstring& path) {
  if (bytes.empty() || bytes.size() > kMaxPathBytes || !text::isValidUtf8(bytes)) return false;
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  std::wstring wide = text::utf8ToWide(bytes);
  // The loose validity rule lets through forms the strict decoder replaces; a faithful
  // round trip tells them apart.
  if (text::wideToUtf8(wide) != bytes) return false;
  path = std::move(wide);
  return true;
}

struct Line {
  int code = -1;
  uint64_t positionMs = 0;
  std::wstring path;
};

bool parseLine(std::string_view line, Line& out) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() <= kStampLength + 1) return false;
  if (!matchesStamp(line) || line[kStampLength] != ' ') return false;
  const std::string_view rest = line.substr(kStampLength + 1);
  const size_t wordEnd = std::min(rest.find(' '), rest.size());
  const std::string_view word = rest.substr(0, wordEnd);
  int code = -1;
  for (int c = 0; c < kEventCount; ++c) {
    if (eventWord(c) == word) code = c;
  }
  if (code < 0) return false;
  out.code = code;
  if (code == kCodeExit || code == kCodeOff) return true;
  if (wordEnd == rest.size()) return false;
  const std::string_view after = rest.substr(wordEnd + 1);
  const size_t timeEnd = after.find(' ');
  if (timeEnd == std::string_view::npos) return false;
  if (!parseTime(after.substr(0, timeEnd), out.positionMs)) return false;
  return decodePath(after.substr(timeEnd + 1), out.path);
}

}  // namespace

std::string_view eventWord(int code) {
  static constexpr std::array<std::string_view, kEventCount> kEventWords = {
      "play", "pause", "at", "from", "to", "stop", "exit", "off"};
  if (code < 0 || code >= kEventCount) return {};
  return kEventWords[static_cast<size_t>(code)];
}

std::string formatLine(const LogTime& time, int code, std::wstring_view path, uint64_t positionMs) {
  const std::string_view word = eventWord(code);
  if (word.empty()) return {};
  const bool withPlace = code != kCodeExit && code != kCodeOff;
  if (withPlace && (path.empty() || path.find_first_of(L"\r\n") != std::wstring_view::npos)) {
    return {};
  }
  std::string line;
  line.reserve(40 + path.size() * 3);
  appendClamped(line, time.year, 9999, 4);
  line.push_back('-');
  appendClamped(line, time.month, 99, 2);
  line.push_back('-');
  appendClamped(line, time.day, 99, 2);
  line.push_back(' ');
  appendClamped(line, time.hour, 99, 2);
  line.push_back(':');
  appendClamped(line, time.minute, 99, 2);
  line.push_back(':');
  appendClamped(line, time.second, 99, 2);
  line.push_back(' ');
  line += word;
  if (withPlace) {
    line.push_back(' ');
    line += text::wideToUtf8(text::formatTime(positionMs));
    line.push_back(' ');
    line += text::wideToUtf8(path);
  }
  line.push_back('\n');
  return line;
}

std::string trim(std::string content) {
  if (content.size() <= kTrimKeep) return content;
  const size_t from = content.size() - kTrimKeep;
  if (content[from - 1] == '\n') return content.substr(from);
  const size_t lf = content.find('\n', from);
  if (lf == std::string::npos) return {};
  return content.substr(lf + 1);
}

LogSummary summarise(std::string_view content) {
  LogSummary summary;
  size_t start = 0;
  while (start <= content.size()) {
    const size_t lf = content.find('\n', start);
    const size_t end = lf == std::string_view::npos ? content.size() : lf;
    Line line;
    if (parseLine(content.substr(start, end - start), line)) {
      if (line.code == kCodeExit || line.code == kCodeOff) {
        summary.endedCleanly = true;
      } else {
        summary.endedCleanly = false;
        summary.hasLastPosition = true;
        summary.lastPath = line.path;
        summary.lastPositionMs = line.positionMs;
        if (line.code == kCodeFrom) {
          summary.hasJumpOrigin = true;
          summary.jumpOriginPath = std::move(line.path);
          summary.jumpOriginMs = line.positionMs;
        }
      }
    }
    if (lf == std::string_view::npos) break;
    start = lf + 1;
  }
  return summary;
}

}  // namespace logcodec
