#include "base/natural_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/track_list.h"

namespace {

int order(std::wstring_view a, std::wstring_view b) {
  std::vector<uint32_t> keyA, keyB;
  text::appendNaturalKey(a, keyA);
  text::appendNaturalKey(b, keyB);
  return text::compareNaturalKeys(keyA, keyB);
}

// Each name sorts after the one before it.
void expectAscending(const std::vector<std::wstring>& names) {
  for (size_t i = 1; i < names.size(); ++i) {
    EXPECT_LT(order(names[i - 1], names[i]), 0) << i;
    EXPECT_GT(order(names[i], names[i - 1]), 0) << i;
  }
}

TEST(NaturalKey, DigitRunsCompareByValueOfAnyLength) {
  expectAscending({L"a", L"a0", L"a1", L"a2", L"a10", L"a2147483648", L"a4294967297",
                   L"a18446744073709551615", L"a18446744073709551616", L"a100000000000000000000",
                   L"a100000000000000000000 ", L"a100000000000000000000x", L"ab"});
  EXPECT_EQ(order(L"a007b", L"a7B"), 0);
  EXPECT_EQ(order(L"000000000000000000000000042", L"42"), 0);
  EXPECT_EQ(order(L"0", L"000"), 0);
  // A digit sorts before any other character, even one the platform ignores.
  expectAscending({L"x9", L"x\u00AD", L"x ", L"x_", L"xa"});
}

TEST(NaturalKey, CaseIsIgnoredAndCharactersRankAsUnderTheShell) {
  EXPECT_EQ(order(L"Track ABC.mp3", L"track abc.MP3"), 0);
  EXPECT_EQ(order(L"\u00C9t\u00E9", L"\u00E9T\u00C9"), 0);
  EXPECT_EQ(order(L"\u0416\u0443\u043A", L"\u0436\u0423\u041A"), 0);
  // Punctuation before letters, an accented letter right after its base letter.
  expectAscending({L"'", L"-", L" ", L"!", L"_", L"~", L"+", L"=", L"a", L"b", L"e", L"\u00E9",
                   L"f", L"z", L"\u03B1", L"\u0430"});
  // Characters past the table still order, consistently, through the seam.
  EXPECT_EQ(order(L"\u4E2D\u6587", L"\u4E2D\u6587"), 0);
  EXPECT_EQ(order(L"\u4E2D", L"\u6587"), -order(L"\u6587", L"\u4E2D"));
  EXPECT_NE(order(L"\u4E2D", L"\u6587"), 0);
  EXPECT_LT(order(L"a\U0001F3B5", L"a\U0001F3B5x"), 0);
}

const wchar_t* const kWords[] = {
    L"Track",  L"track",  L"TRACK",  L"Song",   L"song",   L"Intro",      L"a",
    L"A",      L"b",      L"_",      L" ",      L"-",      L"(",          L".",
    L"'",      L"!",      L"\u00E9", L"\u00C9", L"e",      L"\u00E6",     L"\u00DF",
    L"ss",     L"\u0416", L"\u0436", L"\u0410", L"\u03A9", L"\u4E2D",     L"\u6587",
    L"\u3042", L"\u2013", L"\u2019", L"\uFF21", L"\uFF41", L"\U0001F3B5", L"\U0001F3B6",
    L"\u00AD", L"\u0131", L"I",      L"i",      L"\u017F", L"s"};

std::wstring digits(std::mt19937& random) {
  std::wstring run(random() % 4, L'0');
  return run + text::toDecimal(uint64_t(random() % 1000000000));
}

// A name of words, digit runs (with leading zeros, below 2^31) and an extension.
std::wstring randomName(std::mt19937& random) {
  std::wstring name;
  for (int parts = 1 + random() % 4; parts > 0; --parts) {
    name += random() % 3 == 0 ? digits(random) : kWords[random() % std::size(kWords)];
  }
  return name + (random() % 4 == 0 ? L".MP3" : L".mp3");
}

// A name close to another: the differences that decide are often past a shared start.
std::wstring variant(std::mt19937& random, std::wstring name) {
  const size_t at = random() % (name.size() + 1);
  switch (random() % 4) {
    case 0:
      for (wchar_t& c : name) c = text::toUpperOrdinal(c);
      return name;
    case 1:
      return name.insert(at, kWords[random() % std::size(kWords)]);
    case 2:
      return name.insert(at, digits(random));
    default:
      return name.substr(0, at) + name.substr(std::min(name.size(), at + 1));
  }
}

// Paths below "C:\Music\": files and subfolders interleaved, up to three levels, with
// sibling folders whose names differ only in case and names that differ only in case.
std::vector<std::wstring> corpus(uint32_t seed, size_t count) {
  std::mt19937 random(seed);
  std::vector<std::wstring> folders{L""};
  for (int i = 0; i < 12; ++i) {
    const std::wstring parent = folders[random() % folders.size()];
    const std::wstring name = random() % 3 == 0 && folders.size() > 1
                                  ? variant(random, folders[random() % folders.size()])
                                  : randomName(random);
    std::wstring folder = parent + name.substr(0, name.find(L'.')) + L"\\";
    if (folder.find(L"\\\\") == std::wstring::npos && folder[0] != L'\\') {
      folders.push_back(folder);
    }
  }
  std::vector<std::wstring> paths;
  while (paths.size() < count) {
    std::wstring name = paths.empty() || random() % 2 ? randomName(random)
                                                      : variant(random, paths.back().substr(9));
    name = name.substr(name.find_last_of(L'\\') + 1);
    if (name.empty()) continue;
    paths.push_back(L"C:\\Music\\" + folders[random() % folders.size()] + name);
  }
  return paths;
}

std::vector<std::wstring> sortedByList(const std::vector<std::wstring>& paths) {
  TrackList list;
  for (const std::wstring& path : paths) EXPECT_TRUE(list.addTrack(path));
  list.sort(list.commonPrefixLength());
  std::vector<std::wstring> sorted;
  for (size_t i = 0; i < list.size(); ++i) sorted.emplace_back(list.path(i));
  return sorted;
}

void expectSameOrder(const std::vector<std::wstring>& expected,
                     const std::vector<std::wstring>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(text::wideToUtf8(expected[i]), text::wideToUtf8(actual[i])) << "at " << i;
  }
}

// The list sorts by folder ranks and name keys; the pairwise track order must agree with it,
// whatever mix of folders and files, separators and case a corpus holds.
TEST(NaturalKey, ListSortAgreesWithThePairwiseTrackOrder) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    std::vector<std::wstring> paths = corpus(seed, 1500);
    paths.push_back(L"C:\\Music\\\\empty folder name.mp3");
    paths.push_back(L"C:\\Music\\Top.mp3");
    paths.push_back(L"C:\\Music\\a/Mixed separators.mp3");
    paths.push_back(L"C:\\Music\\A\\Mixed separators.mp3");
    std::vector<std::wstring> expected = paths;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const std::wstring& a, const std::wstring& b) {
                       return compareTrackOrder(a.substr(9), b.substr(9)) < 0;
                     });
    expectSameOrder(expected, sortedByList(paths));
  }
}

// Names compared where they differ give the order of their whole keys.
TEST(NaturalKey, NamesCompareAsTheirKeys) {
  std::mt19937 random(3);
  for (int i = 0; i < 20000; ++i) {
    const std::wstring a = randomName(random);
    const std::wstring b = random() % 4 == 0 ? randomName(random) : variant(random, a);
    ASSERT_EQ(text::compareNaturalNames(a, b), order(a, b))
        << text::wideToUtf8(a) << " / " << text::wideToUtf8(b);
    ASSERT_EQ(text::compareNaturalNames(b, a), order(b, a));
  }
  EXPECT_EQ(text::compareNaturalNames(L"a10b", L"a010b"), 0);
  EXPECT_LT(text::compareNaturalNames(L"a19", L"a100"), 0);
  EXPECT_LT(text::compareNaturalNames(L"x9", L"x\u00AD"), 0);
}

// A walk hands the list its folders in any order, each folder's files together: sorting each
// folder as it comes and ranking the folders at the end gives the list's own sort.
TEST(NaturalKey, FolderRunsGiveTheListSort) {
  for (uint32_t seed = 21; seed <= 26; ++seed) {
    std::vector<std::wstring> paths = corpus(seed, 1500);
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    std::map<std::wstring, std::vector<std::wstring>> byFolder;
    for (const std::wstring& path : paths) {
      const size_t cut = path.find_last_of(L'\\') + 1;
      byFolder[path.substr(0, cut)].push_back(path.substr(cut));
    }
    std::vector<std::pair<std::wstring, std::vector<std::wstring>>> folders(byFolder.begin(),
                                                                            byFolder.end());
    std::mt19937 random(seed);
    std::shuffle(folders.begin(), folders.end(), random);
    TrackList list;
    FolderRuns runs;
    for (auto& [folder, names] : folders) {
      std::shuffle(names.begin(), names.end(), random);
      for (const std::wstring& name : names) ASSERT_TRUE(list.addTrack(folder, name));
      runs.folderDone(list, 9);
    }
    runs.finish(list);
    std::vector<std::wstring> actual;
    for (size_t i = 0; i < list.size(); ++i) actual.emplace_back(list.path(i));
    expectSameOrder(sortedByList(paths), actual);
  }
}

#ifdef _WIN32
// The track order as the platform's own natural comparison gives it, component by component.
int platformTrackOrder(std::wstring_view a, std::wstring_view b) {
  size_t startA = 0, startB = 0;
  for (;;) {
    size_t endA = a.find_first_of(L"\\/", startA), endB = b.find_first_of(L"\\/", startB);
    const bool lastA = endA == std::wstring_view::npos, lastB = endB == std::wstring_view::npos;
    if (lastA != lastB) return lastA ? -1 : 1;
    if (lastA) endA = a.size(), endB = b.size();
    const int result = text::compareNatural(a.substr(startA, std::min<size_t>(endA - startA, 512)),
                                            b.substr(startB, std::min<size_t>(endB - startB, 512)));
    if (result != 0) return result;
    if (lastA) return a < b ? -1 : (b < a ? 1 : 0);
    startA = endA + 1;
    startB = endB + 1;
  }
}

// Wine's StrCmpLogicalW reads a digit run as a 32-bit int, so past 2^31 it wraps where the
// keys keep comparing by value: such runs stay out of the comparison with the platform.
bool hasRunPastTenDigits(std::wstring_view name) {
  size_t run = 0;
  for (wchar_t c : name) {
    run = c >= L'0' && c <= L'9' ? (run == 0 && c == L'0' ? 0 : run + 1) : 0;
    if (run >= 10) return true;
  }
  return false;
}

// Under Wine the keys must give exactly StrCmpLogicalW's order.
TEST(NaturalKey, MatchesThePlatformComparison) {
  ASSERT_TRUE(text::naturalRanksHold());
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const std::wstring a = randomName(random);
    const std::wstring b = random() % 4 == 0 ? randomName(random) : variant(random, a);
    if (hasRunPastTenDigits(a) || hasRunPastTenDigits(b)) continue;
    const int platform = text::compareNatural(a, b);
    ASSERT_EQ(order(a, b), platform) << text::wideToUtf8(a) << " / " << text::wideToUtf8(b);
    ASSERT_EQ(order(b, a), -platform);
  }
  for (uint32_t seed = 11; seed <= 16; ++seed) {
    std::vector<std::wstring> paths = corpus(seed, 2000);
    std::erase_if(paths, hasRunPastTenDigits);
    std::vector<std::wstring> expected = paths;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const std::wstring& a, const std::wstring& b) {
                       return platformTrackOrder(a.substr(9), b.substr(9)) < 0;
                     });
    expectSameOrder(expected, sortedByList(paths));
  }
}
#endif

}  // namespace
