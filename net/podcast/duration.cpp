#include "net/podcast/duration.h"

#include "net/podcast/trim.h"

namespace podcast {

namespace {

constexpr uint64_t kMaxDuration = 4294967295u;
constexpr int kMaxGroups = 3;

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

uint32_t parseDuration(std::wstring_view text) {
  const std::wstring_view s = trimmed(text);
  size_t i = 0;
  uint64_t value = 0;
  for (int groups = 1;; ++groups) {
    if (i >= s.size() || !isDigit(s[i])) return 0;
    uint64_t group = 0;
    while (i < s.size() && isDigit(s[i])) {
      group = group * 10 + uint64_t(s[i++] - L'0');
      if (group > kMaxDuration) return 0;
    }
    value = value * 60 + group;
    if (value > kMaxDuration) return 0;
    if (i < s.size() && s[i] == L':') {
      if (groups == kMaxGroups) return 0;
      ++i;
      continue;
    }
    break;
  }
  if (i < s.size() && s[i] == L'.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i;
  }
  return i == s.size() ? uint32_t(value) : 0;
}

}  // namespace podcast
