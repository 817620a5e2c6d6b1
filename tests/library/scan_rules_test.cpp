#include "library/scan_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "base/tag_info.h"
#include "base/text.h"

namespace {

using namespace std::literals;

TEST(ScanRules, AcceptsTheSixTypesInAnyCase) {
  for (std::wstring_view name : {L"a.mp3"sv, L"song.MP3"sv, L"x.FLAC"sv, L"b.Wav"sv, L"c.m4a"sv,
                                 L"d.M4B"sv, L"e.wma"sv, L"two.dots.mp3"sv, L"Track 10.flac"sv}) {
    EXPECT_TRUE(scanner::isAcceptedFileType(name)) << text::wideToUtf8(name);
  }
}

TEST(ScanRules, RefusesOtherNamesAndTypes) {
  for (std::wstring_view name :
       {L"song.mp3.txt"sv, L"mp3"sv, L".mp3"sv, L".flac"sv, L""sv, L"."sv, L"a."sv, L"a.mp"sv,
        L"a.mp33"sv, L"a.mp3 "sv, L"a.aac"sv, L"a.m4v"sv, L"a.flac2"sv, L"cover.jpg"sv}) {
    EXPECT_FALSE(scanner::isAcceptedFileType(name)) << text::wideToUtf8(name);
  }
  // Only the last dot counts, and a dot further in makes the leading one irrelevant.
  EXPECT_TRUE(scanner::isAcceptedFileType(L".hidden.mp3"sv));
  EXPECT_FALSE(scanner::isAcceptedFileType(L"a.mp3.MP3x"sv));
}

// Types past ASCII go to the platform's casing, where no such letter matches an ASCII one.
TEST(ScanRules, TypesPastAsciiAreRefused) {
  for (std::wstring_view name : {L"a.mp\u00B3"sv, L"a.\uFF4Dp3"sv, L"a.\uFF2D\uFF30\uFF13"sv,
                                 L"a.fla\u0441"sv, L"\u00E9t\u00E9.mp\u00B3"sv}) {
    EXPECT_FALSE(scanner::isAcceptedFileType(name)) << text::wideToUtf8(name);
  }
  EXPECT_TRUE(scanner::isAcceptedFileType(L"\u00E9t\u00E9.Mp3"sv));
}

TEST(ScanRules, DisplayTitleNeedsATitle) {
  TagInfo tags;
  EXPECT_EQ(displayTitle(tags), L""sv);
  tags.artist = L"Nina Simone"sv;
  EXPECT_EQ(displayTitle(tags), L""sv);  // an artist alone shows nothing
  tags.title = L"Sinnerman"sv;
  EXPECT_EQ(displayTitle(tags), L"Nina Simone - Sinnerman"sv);
  tags.artist.clear();
  EXPECT_EQ(displayTitle(tags), L"Sinnerman"sv);
  tags.title = L"\u041a\u0438\u043d\u043e"sv;
  tags.artist = L"\u0426\u043e\u0439"sv;
  EXPECT_EQ(displayTitle(tags), L"\u0426\u043e\u0439 - \u041a\u0438\u043d\u043e"sv);
}

TEST(ScanRules, SortScannedOrdersBelowTheSharedFolderAndResetsTheList) {
  TrackList list;
  list.shuffle = true;
  list.current = 2;
  for (std::wstring_view path :
       {L"C:\\Music\\Track 10.mp3"sv, L"C:\\Music\\A\\1.mp3"sv, L"C:\\Music\\Track 2.mp3"sv,
        L"C:\\Music\\a.mp3"sv, L"C:\\Music\\A.mp3"sv}) {
    ASSERT_TRUE(list.addTrack(path));
  }
  scanner::sortScanned(list);
  std::vector<std::wstring_view> paths;
  for (size_t i = 0; i < list.size(); ++i) paths.push_back(list.path(i));
  EXPECT_EQ(paths, (std::vector<std::wstring_view>{
                       L"C:\\Music\\A.mp3"sv, L"C:\\Music\\a.mp3"sv, L"C:\\Music\\Track 2.mp3"sv,
                       L"C:\\Music\\Track 10.mp3"sv, L"C:\\Music\\A\\1.mp3"sv}));
  EXPECT_EQ(list.current, -1);
  EXPECT_EQ(list.pool.capacity(), list.pool.size());
  EXPECT_EQ(list.tracks.capacity(), list.tracks.size());
  // A fresh shuffle cycle over every track, none of them current.
  std::vector<uint32_t> order = list.order;
  std::sort(order.begin(), order.end());
  EXPECT_EQ(order, (std::vector<uint32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(list.orderPosition, 0u);
}

}  // namespace
