// Text helpers shared by every part of the player: UTF-8 conversion, URL rules,
// time texts and the two string orderings. Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// True when every byte from 0x80 up belongs to a complete sequence whose lead byte is
// 0xC2-0xDF, 0xE0-0xEF or 0xF0-0xF4 and whose continuation bytes are 0x80-0xBF.
bool isValidUtf8(std::string_view bytes);

// UTF-8 to UTF-16. Ill-formed input (invalid by the rule above, surrogates, values past
// U+10FFFF, overlong forms) never reads past the input; each bad byte becomes U+FFFD.
std::wstring utf8ToWide(std::string_view bytes);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string wideToUtf8(std::wstring_view text);

// At most 2048 characters, "http://" or "https://" in any case, a next character that is
// neither '/' nor ':', nothing below 33 and no 127.
bool isValidUrl(std::wstring_view url);

// The lower-cased text from the last '.' of the part before the first '?' or '#', when that
// dot lies after the last '/'; empty otherwise. ".mp3", ".pls", ...
std::wstring urlExtension(std::wstring_view url);

// "M:SS" below an hour, "H:MM:SS" from an hour on.
std::wstring formatTime(uint64_t ms);

// Decimal text of a number, for the places that would otherwise need swprintf.
std::wstring toDecimal(int64_t value);
std::wstring toDecimal(uint64_t value);

// Parses a whole base-10 64-bit integer (optional sign). False when nothing or not all was
// consumed, or on overflow.
bool parseInt64(std::wstring_view text, int64_t& out);

// Simple upper-case mapping of one UTF-16 unit, the one the ordinal comparisons use.
wchar_t toUpperOrdinal(wchar_t c);

// Ordinal comparison that ignores case (CompareStringOrdinal with ignore-case on Windows).
// Negative, zero or positive.
int compareOrdinalIgnoreCase(std::wstring_view a, std::wstring_view b);
inline bool equalsOrdinalIgnoreCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && compareOrdinalIgnoreCase(a, b) == 0;
}

// Natural order: digit runs compare by value, everything else ignoring case
// (StrCmpLogicalW on Windows). Negative, zero or positive. Both texts are taken whole
// (embedded NULs are not special).
int compareNatural(std::wstring_view a, std::wstring_view b);

}  // namespace text
