#include "base/natural_key.h"

namespace text {

namespace {

#include "natural_ranks.inc"

// Token layout. Below kCharBase: the end of a name, then a digit run: kDigits, the count of
// its significant digits, the digits themselves. From kCharBase: a ranked character, rank in
// the high half and one unit of its class in the low half; from kUnranked: a character
// compared by the platform, its unit in the low half.
constexpr uint32_t kDigits = 1;
constexpr uint32_t kCharBase = 0x10000;
constexpr uint32_t kUnranked = 0xFFFF0000;

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

struct RankTable {
  bool holds = naturalRanksHold();
  uint16_t member[kNaturalRankedUnits + 1] = {};  // a unit of each rank, for the platform

  RankTable() {
    for (size_t unit = kNaturalRankedUnits; unit-- > 0;)
      member[kNaturalRanks[unit]] = uint16_t(unit);
  }
};

const RankTable& rankTable() {
  static const RankTable table;
  return table;
}

uint32_t charToken(const RankTable& table, wchar_t c) {
  const uint16_t unit = static_cast<uint16_t>(c);
  if (table.holds && unit < kNaturalRankedUnits) {
    const uint32_t rank = kNaturalRanks[unit];
    return (rank << 16) | table.member[rank];
  }
  return kUnranked | unit;
}

// Two tokens that differ: the platform decides between characters the table does not rank,
// and 0 means the comparison goes on.
int compareTokens(uint32_t x, uint32_t y) {
  if ((x >= kUnranked || y >= kUnranked) && x >= kCharBase && y >= kCharBase) {
    const int result = compareNaturalUnits(wchar_t(x & 0xFFFF), wchar_t(y & 0xFFFF));
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
  }
  return x < y ? -1 : 1;
}

}  // namespace

int compareDigitRuns(std::wstring_view a, size_t& i, std::wstring_view b, size_t& j) {
  while (i < a.size() && a[i] == L'0') ++i;
  while (j < b.size() && b[j] == L'0') ++j;
  size_t endA = i, endB = j;
  while (endA < a.size() && isDigit(a[endA])) ++endA;
  while (endB < b.size() && isDigit(b[endB])) ++endB;
  // Without leading zeros the longer run is the larger number.
  if (endA - i != endB - j) return endA - i < endB - j ? -1 : 1;
  for (; i < endA; ++i, ++j) {
    if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
  }
  return 0;
}

int compareNaturalNames(std::wstring_view a, std::wstring_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  size_t from = 0;
  while (from < n && a[from] == b[from]) ++from;
  if (from == a.size() && from == b.size()) return 0;
  // Equal units give equal tokens; a digit run is read whole, so start where it starts.
  while (from > 0 && isDigit(a[from - 1])) --from;
  const RankTable& table = rankTable();
  size_t i = from, j = from;
  for (;;) {
    // The name that runs out of tokens first sorts first.
    if (i == a.size() || j == b.size()) return i == a.size() ? (j == b.size() ? 0 : -1) : 1;
    const bool digitA = isDigit(a[i]), digitB = isDigit(b[j]);
    if (digitA && digitB) {
      const int result = compareDigitRuns(a, i, b, j);
      if (result != 0) return result;
      continue;
    }
    // A digit run's first token is below every character's.
    if (digitA || digitB) return digitA ? -1 : 1;
    const uint32_t x = charToken(table, a[i++]), y = charToken(table, b[j++]);
    if (x != y) {
      const int result = compareTokens(x, y);
      if (result != 0) return result;
    }
  }
}

uint32_t naturalRank(wchar_t unit) {
  const uint16_t u = static_cast<uint16_t>(unit);
  return u < kNaturalRankedUnits && !isDigit(unit) ? kNaturalRanks[u] : 0;
}

void appendNaturalKey(std::wstring_view name, std::vector<uint32_t>& key) {
  const RankTable& table = rankTable();
  size_t i = 0;
  while (i < name.size()) {
    if (!isDigit(name[i])) {
      key.push_back(charToken(table, name[i++]));
      continue;
    }
    while (i < name.size() && name[i] == L'0') ++i;
    size_t end = i;
    while (end < name.size() && isDigit(name[end])) ++end;
    // Without leading zeros the longer run is the larger number; a name is at most 64K units.
    key.push_back(kDigits);
    key.push_back(static_cast<uint32_t>(end - i));
    for (; i < end; ++i) key.push_back(static_cast<uint32_t>(name[i]));
  }
}

int compareNaturalKeys(const uint32_t* a, size_t aLength, const uint32_t* b, size_t bLength) {
  const size_t n = aLength < bLength ? aLength : bLength;
  for (size_t i = 0;; ++i) {
    while (i < n && a[i] == b[i]) ++i;
    if (i == n) return aLength < bLength ? -1 : (aLength > bLength ? 1 : 0);
    const int result = compareTokens(a[i], b[i]);
    if (result != 0) return result;
  }
}

}  // namespace text
