#include "library/scan_rules.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace {

TEST(ScanRules, AcceptsTheSixTypesInAnyCase) {
  for (const wchar_t* name : {L"a.mp3", L"song.MP3", L"x.FLAC", L"b.Wav", L"c.m4a", L"d.M4B",
                              L"e.wma", L"two.dots.mp3", L"Track 10.flac"}) {
    EXPECT_TRUE(scanner::isAcceptedFileType(name)) << text::wideToUtf8(name);
  }
}

TEST(ScanRules, RefusesOtherNamesAndTypes) {
  for (const wchar_t* name : {L"song.mp3.txt", L"mp3", L".mp3", L".flac", L"", L".", L"a.",
                              L"a.mp", L"a.mp33", L"a.mp3 ", L"a.aac", L"a.m4v", L"a.flac2",
                              L"cover.jpg"}) {
    EXPECT_FALSE(scanner::isAcceptedFileType(name)) << text::wideToUtf8(name);
  }
  // Only the last dot counts, and a dot further in makes the leading one irrelevant.
  EXPECT_TRUE(scanner::isAcceptedFileType(L".hidden.mp3"));
  EXPECT_FALSE(scanner::isAcceptedFileType(L"a.mp3.MP3x"));
}

TEST(ScanRules, ChildPathAddsOneBackslashOnlyWhenNeeded) {
  EXPECT_EQ(scanner::childPath(L"C:\\Music", L"a.mp3"), L"C:\\Music\\a.mp3");
  EXPECT_EQ(scanner::childPath(L"C:\\", L"a.mp3"), L"C:\\a.mp3");
  EXPECT_EQ(scanner::childPath(L"D:/music/", L"A"), L"D:/music/A");
  EXPECT_EQ(scanner::searchPattern(L"C:\\Music"), L"C:\\Music\\*");
  EXPECT_EQ(scanner::searchPattern(L"\\\\server\\share\\"), L"\\\\server\\share\\*");
}

TEST(ScanRules, DisplayTitleNeedsATitle) {
  TagInfo tags;
  EXPECT_EQ(scanner::displayTitle(tags), L"");
  tags.artist = L"Nina Simone";
  EXPECT_EQ(scanner::displayTitle(tags), L"");  // an artist alone shows nothing
  tags.title = L"Sinnerman";
  EXPECT_EQ(scanner::displayTitle(tags), L"Nina Simone - Sinnerman");
  tags.artist.clear();
  EXPECT_EQ(scanner::displayTitle(tags), L"Sinnerman");
  tags.title = L"\u041a\u0438\u043d\u043e";
  tags.artist = L"\u0426\u043e\u0439";
  EXPECT_EQ(scanner::displayTitle(tags), L"\u0426\u043e\u0439 - \u041a\u0438\u043d\u043e");
}

}  // namespace
