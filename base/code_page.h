// Windows code pages: converting 8-bit text in one to UTF-16 (MultiByteToWideChar) and asking
// whether the system knows one (IsValidCodePage). The native build has portable stand-ins:
// conversion for 1252, 1251 and UTF-8, and the code pages every Windows system has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint32_t kCodePageUtf8 = 65001;

// Replaces `out` with the converted text. False when the code page cannot convert the bytes;
// `out` is then empty. Empty input converts to empty text.
bool convertCodePage(uint32_t codepage, const uint8_t* bytes, size_t length, std::wstring& out);

// Whether the system knows a code page.
bool codePageExists(uint32_t codePage);
