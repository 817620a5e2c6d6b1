// The short English texts the user sees for network failures. Portable: WinHTTP's error
// numbers are fixed values, so the table needs no platform header.
#pragma once

#include <cstdint>
#include <string>

namespace http {

inline constexpr wchar_t kInvalidAddressText[] = L"Not a valid http:// or https:// address";
inline constexpr wchar_t kNoNetworkText[] = L"Can't use the network";
inline constexpr wchar_t kCancelledText[] = L"Cancelled";
inline constexpr wchar_t kDroppedText[] = L"The connection dropped";
inline constexpr wchar_t kTooBigText[] = L"Too big";
inline constexpr wchar_t kWrongPartText[] = L"The server sent the wrong part of the file";
inline constexpr wchar_t kEmptyEpisodeText[] = L"The episode is empty";
inline constexpr wchar_t kOutOfMemoryText[] = L"Out of memory";

// The text for a WinHTTP (or Win32) error code.
std::wstring errorText(uint32_t error);

// "The server answered HTTP " and the status in decimal.
std::wstring statusText(uint32_t status);

}  // namespace http
