#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

std::wstring underCurrent(const std::wstring& path) { return L"C:\\cwd\\" + path; }

TEST(CommandLine, OptionsInAnyCaseAndUnknownDashesIgnored) {
  const StartOptions options = parseCommandLine(
      {L"--MEASURE-Startup", L"-x", L"--force-STREAMING", L"--unknown", L"-", L""}, underCurrent);
  EXPECT_TRUE(options.measureStartup);
  EXPECT_TRUE(options.forceStreaming);
  EXPECT_TRUE(options.paths.empty());

  const StartOptions none = parseCommandLine({}, underCurrent);
  EXPECT_FALSE(none.measureStartup);
  EXPECT_FALSE(none.forceStreaming);
  EXPECT_TRUE(none.paths.empty());
}

TEST(CommandLine, PathsMadeAbsoluteInOrderOrKeptWhenThatFails) {
  const StartOptions options = parseCommandLine(
      {L"music", L"--measure-startup-not", L"b\\song.mp3", L"D:\\x"},
      [](const std::wstring& p) { return p == L"D:\\x" ? std::wstring() : underCurrent(p); });
  ASSERT_EQ(options.paths.size(), 3u);
  EXPECT_EQ(options.paths[0], L"C:\\cwd\\music");
  EXPECT_EQ(options.paths[1], L"C:\\cwd\\b\\song.mp3");
  EXPECT_EQ(options.paths[2], L"D:\\x");  // the failed conversion keeps the argument
  EXPECT_FALSE(options.measureStartup);

  // An option's name as a path's prefix is still a path, and options may come after paths.
  const StartOptions mixed =
      parseCommandLine({L"x--force-streaming", L"--force-streaming"}, nullptr);
  ASSERT_EQ(mixed.paths.size(), 1u);
  EXPECT_EQ(mixed.paths[0], L"x--force-streaming");
  EXPECT_TRUE(mixed.forceStreaming);
}

TEST(CommandLine, AQuoteLeftAtTheEndOfAPathByItsBackslashGoes) {
  // `"E:\"` and `"C:\Music\"` reach the parser as E:" and C:\Music".
  std::vector<std::wstring> seen;
  const StartOptions options =
      parseCommandLine({L"E:\"", L"C:\\Music\"", L"E:\\", L"C:\\Music\\", L"C:\\Music", L"\""},
                       [&](const std::wstring& p) {
                         seen.push_back(p);
                         return p;
                       });
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"E:\\", L"C:\\Music", L"E:\\", L"C:\\Music\\",
                                             L"C:\\Music"}));
  EXPECT_EQ(options.paths, seen);
  // Kept without the quote also when it cannot be made absolute.
  EXPECT_EQ(parseCommandLine({L"D:\\a b\""}, nullptr).paths, std::vector<std::wstring>{L"D:\\a b"});
}

}  // namespace
