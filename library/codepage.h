// Conversion of 8-bit text in a Windows code page to UTF-16: MultiByteToWideChar on Windows,
// a portable stand-in (1252, 1251 and UTF-8 only) in the native build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint32_t kCodePageUtf8 = 65001;

// Replaces `out` with the converted text. False when the code page cannot convert the bytes;
// `out` is then empty. Empty input converts to empty text.
bool convertCodePage(uint32_t codepage, const uint8_t* bytes, size_t length, std::wstring& out);
