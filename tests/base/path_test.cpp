#include "base/path.h"

#include <gtest/gtest.h>

#include "library/scan_rules.h"

namespace {

using namespace std::literals;

TEST(Paths, ParentFolderIsBeforeTheLastSeparatorAndBareDrivesGetTheirRoot) {
  EXPECT_EQ(paths::parentFolder(L"C:\\Music\\Album\\01.mp3"), L"C:\\Music\\Album");
  EXPECT_EQ(paths::parentFolder(L"C:/Music/01.mp3"), L"C:/Music");
  EXPECT_EQ(paths::parentFolder(L"C:\\Music/01.mp3"), L"C:\\Music");
  EXPECT_EQ(paths::parentFolder(L"C:\\01.mp3"), L"C:\\");
  EXPECT_EQ(paths::parentFolder(L"D:/01.mp3"), L"D:\\");
  EXPECT_EQ(paths::parentFolder(L"\\\\server\\share\\01.mp3"), L"\\\\server\\share");
  EXPECT_EQ(paths::parentFolder(L"01.mp3"), L"");
}

TEST(Paths, ChildAddsOneBackslashOnlyWhenNeeded) {
  EXPECT_EQ(paths::child(L"C:\\Music"sv, L"a.mp3"sv), L"C:\\Music\\a.mp3"sv);
  EXPECT_EQ(paths::child(L"C:\\"sv, L"a.mp3"sv), L"C:\\a.mp3"sv);
  EXPECT_EQ(paths::child(L"D:/music/"sv, L"A"sv), L"D:/music/A"sv);
  EXPECT_EQ(scanner::searchPattern(L"C:\\Music"sv), L"C:\\Music\\*"sv);
  EXPECT_EQ(scanner::searchPattern(L"\\\\server\\share\\"sv), L"\\\\server\\share\\*"sv);
}

TEST(Paths, FileNameSiblingAndTrailingSeparator) {
  EXPECT_EQ(paths::fileName(L"C:\\a/b\\c.mp3"sv), L"c.mp3"sv);
  EXPECT_EQ(paths::fileName(L"plain.wav"sv), L"plain.wav"sv);
  EXPECT_EQ(paths::sibling(L"C:\\data\\settings.ini"sv, L"listening.log"sv),
            L"C:\\data\\listening.log");
  EXPECT_EQ(paths::sibling(L"settings.ini"sv, L"listening.log"sv), L"listening.log");
  EXPECT_EQ(paths::withoutTrailingSeparator(L"C:\\Users\\x\\"), L"C:\\Users\\x");
  EXPECT_EQ(paths::withoutTrailingSeparator(L"\\"), L"\\");
}

}  // namespace
