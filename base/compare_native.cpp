// The two orderings off Windows, where CompareStringOrdinal and StrCmpLogicalW do not exist.
#include "base/natural_key.h"
#include "base/text.h"

namespace text {

namespace {

int sign(int64_t difference) { return difference < 0 ? -1 : (difference > 0 ? 1 : 0); }

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Case-folded sort key of one character. Folding ASCII letters down rather than up keeps
// punctuation such as '_' and '[' ahead of letters, as Explorer shows them.
uint32_t naturalKey(wchar_t c) {
  const uint32_t unit = static_cast<uint16_t>(c);
  if (unit < 0x80) return (unit >= 'A' && unit <= 'Z') ? unit + 32 : unit;
  const uint32_t u = static_cast<uint16_t>(toUpperOrdinal(c));
  return (u >= 'A' && u <= 'Z') ? u + 32 : u;
}

}  // namespace

int compareOrdinalIgnoreCase(std::wstring_view a, std::wstring_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const uint16_t x = static_cast<uint16_t>(toUpperOrdinal(a[i]));
    const uint16_t y = static_cast<uint16_t>(toUpperOrdinal(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return sign(int64_t(a.size()) - int64_t(b.size()));
}

// Texts are read as runs of digits and single other characters. A digit run sorts before
// any other character; two runs compare by value (any length, leading zeros ignored).
int compareNatural(std::wstring_view a, std::wstring_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const bool digitA = isDigit(a[i]);
    const bool digitB = isDigit(b[j]);
    if (digitA && digitB) {
      const int result = compareDigitRuns(a, i, b, j);
      if (result != 0) return result;
      continue;
    }
    if (digitA) return -1;
    if (digitB) return 1;
    const uint32_t x = naturalKey(a[i]);
    const uint32_t y = naturalKey(b[j]);
    if (x != y) return x < y ? -1 : 1;
    ++i;
    ++j;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

// Without a platform the table is the order: ranked characters first, the rest after them
// by their folded units.
bool naturalRanksHold() { return true; }

int compareNaturalUnits(wchar_t a, wchar_t b) {
  const uint32_t rankA = naturalRank(a), rankB = naturalRank(b);
  const uint64_t x = rankA != 0 ? rankA : (uint64_t(1) << 32) + naturalKey(a);
  const uint64_t y = rankB != 0 ? rankB : (uint64_t(1) << 32) + naturalKey(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace text
