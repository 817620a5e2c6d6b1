#include "net/podcast/pub_date.h"

#include <string>

#include "net/podcast/trim.h"

namespace podcast {

namespace {

constexpr std::wstring_view kMonths[] = {L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                         L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};

struct Zone {
  std::wstring_view name;
  int hours;
};
constexpr Zone kZones[] = {{L"est", -5}, {L"edt", -4}, {L"cst", -6}, {L"cdt", -5},
                           {L"mst", -7}, {L"mdt", -6}, {L"pst", -8}, {L"pdt", -7}};

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool isLetter(wchar_t c) { return c >= L'a' && c <= L'z'; }

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's days_from_civil).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

class Reader {
 public:
  explicit Reader(std::wstring_view s) : s_(s) {}
  bool atEnd() const { return i_ >= s_.size(); }
  wchar_t peek() const { return atEnd() ? L'\0' : s_[i_]; }
  size_t left() const { return s_.size() - i_; }
  std::wstring_view take(size_t n) {
    const std::wstring_view part = s_.substr(i_, n);
    i_ += part.size();
    return part;
  }
  bool eat(wchar_t c) {
    if (peek() != c || atEnd()) return false;
    ++i_;
    return true;
  }
  void skipLetters() {
    while (!atEnd() && isLetter(s_[i_])) ++i_;
  }
  void skipSeparators() {
    while (!atEnd() && (s_[i_] == L' ' || s_[i_] == L'\t' || s_[i_] == L',')) ++i_;
  }
  // Up to maxDigits decimal digits; the number of digits read.
  size_t number(size_t maxDigits, int& value) {
    value = 0;
    size_t count = 0;
    while (count < maxDigits && !atEnd() && isDigit(s_[i_])) {
      value = value * 10 + (s_[i_++] - L'0');
      ++count;
    }
    return count;
  }

 private:
  std::wstring_view s_;
  size_t i_ = 0;
};

}  // namespace

int64_t parsePubDate(std::wstring_view text) {
  std::wstring lower(trimmed(text));
  for (wchar_t& c : lower) {
    if (c >= L'A' && c <= L'Z') c = wchar_t(c + 32);
  }
  Reader r(lower);

  if (isLetter(r.peek())) {
    r.skipLetters();
    r.skipSeparators();
  }
  int day = 0;
  if (r.number(2, day) == 0 || day < 1 || day > 31) return 0;
  r.skipSeparators();

  const std::wstring_view monthName = r.take(3);
  unsigned month = 0;
  for (unsigned m = 0; m < 12; ++m) {
    if (monthName == kMonths[m]) month = m + 1;
  }
  if (month == 0) return 0;
  r.skipLetters();
  r.skipSeparators();

  int year = 0;
  const size_t yearDigits = r.number(4, year);
  if (yearDigits == 0) return 0;
  if (yearDigits <= 2) year += year < 50 ? 2000 : 1900;
  if (year < 1970 || year > 9999) return 0;
  r.skipSeparators();

  int hour = 0, minute = 0, second = 0;
  if (isDigit(r.peek())) {
    if (r.number(2, hour) == 0 || !r.eat(L':') || r.number(2, minute) == 0) return 0;
    if (r.eat(L':') && r.number(2, second) == 0) return 0;
    if (hour > 23 || minute > 59 || second > 60) return 0;
  }
  r.skipSeparators();

  int64_t zoneMinutes = 0;
  const wchar_t sign = r.peek();
  if (!r.atEnd() && (sign == L'+' || sign == L'-')) {
    r.take(1);
    int hhmm = 0;
    if (r.number(4, hhmm) != 4 || isDigit(r.peek())) return 0;
    zoneMinutes = (hhmm / 100) * 60 + hhmm % 100;
    if (sign == L'-') zoneMinutes = -zoneMinutes;
  } else if (r.left() >= 3) {
    const std::wstring_view name = r.take(3);
    for (const Zone& zone : kZones) {
      if (name == zone.name) zoneMinutes = zone.hours * 60;
    }
  }

  return daysFromCivil(year, month, unsigned(day)) * 86400 + hour * 3600 + minute * 60 + second -
         zoneMinutes * 60;
}

CivilDate utcDate(int64_t seconds) {
  int64_t z = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
  // H. Hinnant's civil_from_days.
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const unsigned day = unsigned(doy - (153 * mp + 2) / 5 + 1);
  const unsigned month = unsigned(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (month <= 2), month, day};
}

}  // namespace podcast
