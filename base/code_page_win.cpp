#include "base/code_page.h"

#include <windows.h>

#include <climits>

bool convertCodePage(uint32_t codepage, const uint8_t* bytes, size_t length, std::wstring& out) {
  out.clear();
  if (length == 0) return true;  // MultiByteToWideChar rejects a zero length
  if (!bytes || length > INT_MAX) return false;
  const auto* source = reinterpret_cast<const char*>(bytes);
  const int count = MultiByteToWideChar(codepage, 0, source, static_cast<int>(length), nullptr, 0);
  if (count <= 0) return false;
  out.resize(static_cast<size_t>(count));
  const int written =
      MultiByteToWideChar(codepage, 0, source, static_cast<int>(length), out.data(), count);
  if (written <= 0) {
    out.clear();
    return false;
  }
  out.resize(static_cast<size_t>(written));
  return true;
}

bool codePageExists(uint32_t codePage) { return IsValidCodePage(codePage) != FALSE; }
