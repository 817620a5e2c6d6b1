#include "engine/load_path.h"

#include "base/text.h"

namespace {

bool startsWithIgnoreCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() &&
         text::equalsOrdinalIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

bool isHttpUrl(std::wstring_view path) {
  return startsWithIgnoreCase(path, L"http://") || startsWithIgnoreCase(path, L"https://");
}

bool isCdTrackPath(std::wstring_view path) {
  if (path.size() != 14) return false;
  wchar_t drive = text::toUpperOrdinal(path[0]);
  if (drive < L'A' || drive > L'Z' || path[1] != L':' || path[2] != L'\\') return false;
  if (!text::equalsOrdinalIgnoreCase(path.substr(3, 5), L"Track")) return false;
  if (!isDigit(path[8]) || !isDigit(path[9])) return false;
  if (path[8] == L'0' && path[9] == L'0') return false;
  return text::equalsOrdinalIgnoreCase(path.substr(10), L".cda");
}

bool selectsMediaFoundation(std::wstring_view path) {
  size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring_view::npos) return false;
  std::wstring_view ext = path.substr(dot);
  return text::equalsOrdinalIgnoreCase(ext, L".m4a") ||
         text::equalsOrdinalIgnoreCase(ext, L".m4b") || text::equalsOrdinalIgnoreCase(ext, L".wma");
}
