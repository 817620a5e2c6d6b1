// A received hand-off: the first byte picks the identifier, the rest is the payload. What is
// accepted must split into non-empty NUL-free paths that build the same payload back.
#include <cstddef>
#include <cstdint>

#include "base/handoff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint64_t identifier = data[0] == 0 ? handoff::kIdentifier + 1 : handoff::kIdentifier;
  std::vector<std::wstring> paths;
  const bool accepted = handoff::readPayload(identifier, data + 1, size - 1, paths);
  if (!accepted) {
    if (!paths.empty()) __builtin_trap();
    return 0;
  }
  size_t units = 0;
  for (const std::wstring& path : paths) {
    if (path.empty() || path.find(L'\0') != std::wstring::npos) __builtin_trap();
    units += path.size() + 1;
  }
  if (units * sizeof(wchar_t) > size - 1) __builtin_trap();
  std::vector<std::wstring> again;
  const std::wstring payload = handoff::buildPayload(paths);
  if (!handoff::readPayload(handoff::kIdentifier, payload.data(), payload.size() * sizeof(wchar_t),
                            again) ||
      again != paths) {
    __builtin_trap();
  }
  return 0;
}
