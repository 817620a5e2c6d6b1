#include "base/handoff.h"

#include <cstring>

namespace handoff {

std::wstring buildPayload(const std::vector<std::wstring>& paths) {
  size_t units = 0;
  for (const std::wstring& path : paths) {
    units += path.size() + 1;
    if (units > kMaxSentBytes / sizeof(wchar_t)) return std::wstring();
  }
  std::wstring payload;
  payload.reserve(units);
  for (const std::wstring& path : paths) {
    payload += path;
    payload.push_back(L'\0');
  }
  return payload;
}

bool readPayload(uint64_t identifier, const void* data, size_t bytes,
                 std::vector<std::wstring>& paths) {
  paths.clear();
  if (identifier != kIdentifier || bytes > kMaxBytes || bytes % sizeof(wchar_t) != 0 ||
      (bytes != 0 && data == nullptr)) {
    return false;
  }
  // The sender's buffer has no alignment promise: read it through a copy.
  std::wstring units(bytes / sizeof(wchar_t), L'\0');
  if (bytes != 0) std::memcpy(units.data(), data, bytes);
  size_t start = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    if (units[i] != L'\0') continue;
    if (i > start) paths.emplace_back(units, start, i - start);
    start = i + 1;
  }
  return true;
}

}  // namespace handoff
