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

}  // namespace

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
    const uint32_t x = a[i], y = b[i];
    // Two different characters, one of them without a rank here: the platform decides, and
    // when it finds them equal the comparison goes on.
    if ((x >= kUnranked || y >= kUnranked) && x >= kCharBase && y >= kCharBase) {
      const int result = compareNaturalUnits(wchar_t(x & 0xFFFF), wchar_t(y & 0xFFFF));
      if (result != 0) return result < 0 ? -1 : 1;
      continue;
    }
    return x < y ? -1 : 1;
  }
}

}  // namespace text
