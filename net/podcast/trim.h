// Feed texts are trimmed of spaces, tabs, CR and LF at both ends. Portable.
#pragma once

#include <string_view>

namespace podcast {

constexpr bool isFeedSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

constexpr std::wstring_view trimmed(std::wstring_view s) {
  while (!s.empty() && isFeedSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isFeedSpace(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace podcast
