#include "engine/container_text.h"

#include <cstring>
#include <string_view>

#include "base/text.h"

namespace container {
namespace {

// Drops a high surrogate left dangling by the length cut, so the text stays well-formed.
void limitLength(std::wstring& s) {
  if (s.size() <= kMaxTextChars) return;
  s.resize(kMaxTextChars);
  if (s.back() >= 0xD800 && s.back() <= 0xDBFF) s.pop_back();
}

}  // namespace

std::wstring utf16Text(const uint8_t* bytes, size_t length, bool bigEndian) {
  std::wstring s;
  size_t units = length / 2;
  // One unit past the limit tells whether a surrogate pair was split.
  for (size_t i = 0; i < units && s.size() <= kMaxTextChars; ++i) {
    const uint8_t* p = bytes + 2 * i;
    wchar_t c = static_cast<wchar_t>(bigEndian ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]));
    if (c == 0) break;
    s.push_back(c);
  }
  limitLength(s);
  return s;
}

std::wstring utf8Text(const uint8_t* bytes, size_t length) {
  if (length == 0) return {};
  const void* nul = std::memchr(bytes, 0, length);
  if (nul) length = static_cast<size_t>(static_cast<const uint8_t*>(nul) - bytes);
  std::wstring s = text::utf8ToWide(std::string_view(reinterpret_cast<const char*>(bytes), length));
  limitLength(s);
  return s;
}

}  // namespace container
