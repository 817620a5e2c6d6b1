// The two orderings through the system's own functions.
#include <shlwapi.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "base/natural_key.h"
#include "base/text.h"

namespace text {

namespace {

// A NUL-terminated copy for StrCmpLogicalW; short texts (every sort component) stay on the
// stack.
class TerminatedCopy {
 public:
  explicit TerminatedCopy(std::wstring_view s) {
    if (s.size() < kSmall) {
      s.copy(small_, s.size());
      small_[s.size()] = 0;
      text_ = small_;
    } else {
      large_.assign(s);
      text_ = large_.c_str();
    }
  }
  const wchar_t* get() const { return text_; }

 private:
  static constexpr size_t kSmall = 520;
  wchar_t small_[kSmall];
  std::wstring large_;
  const wchar_t* text_;
};

int logical(std::wstring_view a, std::wstring_view b) {
  const TerminatedCopy x(a), y(b);
  const int result = StrCmpLogicalW(x.get(), y.get());
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

}  // namespace

int compareOrdinalIgnoreCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() <= INT_MAX && b.size() <= INT_MAX) {
    const int result = CompareStringOrdinal(a.data(), int(a.size()), b.data(), int(b.size()), TRUE);
    if (result != 0) return result - CSTR_EQUAL;
  }
  // Beyond what the system call takes: the same comparison by hand.
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const uint16_t x = static_cast<uint16_t>(toUpperOrdinal(a[i]));
    const uint16_t y = static_cast<uint16_t>(toUpperOrdinal(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// StrCmpLogicalW stops at a NUL, so texts holding NULs are compared piece by piece, a NUL
// sorting before anything else.
int compareNatural(std::wstring_view a, std::wstring_view b) {
  for (;;) {
    const size_t endA = a.find(L'\0');
    const size_t endB = b.find(L'\0');
    const int result = logical(a.substr(0, endA), b.substr(0, endB));
    if (result != 0) return result;
    const bool moreA = endA != std::wstring_view::npos;
    const bool moreB = endB != std::wstring_view::npos;
    if (!moreA || !moreB) return moreA ? 1 : (moreB ? -1 : 0);
    a.remove_prefix(endA + 1);
    b.remove_prefix(endB + 1);
  }
}

int compareNaturalUnits(wchar_t a, wchar_t b) {
  const wchar_t x[2] = {a, 0}, y[2] = {b, 0};
  const int result = StrCmpLogicalW(x, y);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

// The table was taken from one locale; another may order some characters differently. Walking
// the table's order once and asking the platform about each neighbouring pair proves the
// whole order, the platform's own being transitive.
bool naturalRanksHold() {
  static const bool holds = [] {
    std::vector<wchar_t> units;
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit) {
      if (naturalRank(wchar_t(unit)) != 0) units.push_back(wchar_t(unit));
    }
    std::sort(units.begin(), units.end(),
              [](wchar_t a, wchar_t b) { return naturalRank(a) < naturalRank(b); });
    for (size_t i = 1; i < units.size(); ++i) {
      const uint32_t before = naturalRank(units[i - 1]), after = naturalRank(units[i]);
      if (compareNaturalUnits(units[i - 1], units[i]) != (before < after ? -1 : 0)) return false;
    }
    return true;
  }();
  return holds;
}

}  // namespace text
