// Sort keys for the natural order of names: each name becomes a run of 32-bit tokens, built
// once and compared as plain numbers, so a sort of many paths does not go through the
// platform's natural comparison for every pair. Portable: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace text {

// Appends the key of one name: a digit run becomes its value (any length, leading zeros
// dropped), any other character its rank among single characters under the platform's
// natural comparison, ignoring case. A character whose rank is not known here keeps its code
// unit and is compared by the platform when it meets a different character.
void appendNaturalKey(std::wstring_view name, std::vector<uint32_t>& key);

// Ends one name inside a key of several names (a folder path): lower than any token, so a
// name sorts before every longer name it starts.
inline void endNaturalKeyName(std::vector<uint32_t>& key) { key.push_back(0); }

// Negative, zero or positive: the natural order of the names the two keys were built from.
int compareNaturalKeys(const uint32_t* a, size_t aLength, const uint32_t* b, size_t bLength);
inline int compareNaturalKeys(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  return compareNaturalKeys(a.data(), a.size(), b.data(), b.size());
}

// Compares the digit runs that start at a[i] and b[j] by value (any length, leading zeros
// dropped) and moves i and j past them. Negative, zero or positive.
int compareDigitRuns(std::wstring_view a, size_t& i, std::wstring_view b, size_t& j);

// The same order as comparing the two names' keys, without building them: the names are
// read from the first place they differ.
int compareNaturalNames(std::wstring_view a, std::wstring_view b);

// The rank of a code unit in the table the keys use (under Wine's en-US order), 0 for a digit
// or a unit past the table.
uint32_t naturalRank(wchar_t unit);

// Platform seam, one per build. Whether the table agrees with the platform's order of single
// characters (checked once per process), and the platform's natural comparison of two
// single non-digit characters.
bool naturalRanksHold();
int compareNaturalUnits(wchar_t a, wchar_t b);

}  // namespace text
