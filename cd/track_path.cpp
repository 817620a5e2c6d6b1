#include "cd/track_path.h"

#include "base/text.h"

namespace cd {

namespace {

constexpr size_t kTrackPathLength = 14;

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

bool parseTrackPath(std::wstring_view path, wchar_t& letter, uint32_t& track) {
  if (path.size() != kTrackPathLength) return false;
  const wchar_t drive = text::toUpperOrdinal(path[0]);
  if (drive < L'A' || drive > L'Z' || path[1] != L':' || path[2] != L'\\') return false;
  if (!text::equalsOrdinalIgnoreCase(path.substr(3, 5), L"Track")) return false;
  if (!isDigit(path[8]) || !isDigit(path[9])) return false;
  const uint32_t number = static_cast<uint32_t>((path[8] - L'0') * 10 + (path[9] - L'0'));
  if (number == 0 || !text::equalsOrdinalIgnoreCase(path.substr(10), L".cda")) return false;
  letter = drive;
  track = number;
  return true;
}

std::wstring formatTrackPath(wchar_t letter, uint32_t track) {
  std::wstring path = L"?:\\Track00.cda";
  path[0] = letter;
  path[8] = static_cast<wchar_t>(L'0' + (track / 10) % 10);
  path[9] = static_cast<wchar_t>(L'0' + track % 10);
  return path;
}

}  // namespace cd
