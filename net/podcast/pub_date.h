// RSS publication dates (RFC 822 style, as feeds really write them). Portable.
#pragma once

#include <cstdint>
#include <string_view>

namespace podcast {

// Seconds since 1970-01-01 00:00 UTC, or 0 when the text holds no date that can be read:
// optional weekday, day, month name, a year of one to four digits (two-digit years are
// 2000-2049 and 1950-1999), optional h:mm[:ss], optional zone (+hhmm, -hhmm or a US zone name;
// any other name is UTC).
int64_t parsePubDate(std::wstring_view text);

struct CivilDate {
  int64_t year;
  unsigned month;  // 1..12
  unsigned day;    // 1..31
};

// The UTC calendar day of a time in seconds since 1970 (proleptic Gregorian), any value.
CivilDate utcDate(int64_t seconds);

}  // namespace podcast
