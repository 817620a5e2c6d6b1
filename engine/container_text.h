// Text fields of MP4 and ASF containers: cut at the first NUL and to 512 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace container {

constexpr size_t kMaxTextChars = 512;

// UTF-16 text of `length` bytes (an odd last byte is ignored).
std::wstring utf16Text(const uint8_t* bytes, size_t length, bool bigEndian);

// UTF-8 text of `length` bytes; ill-formed sequences become U+FFFD.
std::wstring utf8Text(const uint8_t* bytes, size_t length);

}  // namespace container
