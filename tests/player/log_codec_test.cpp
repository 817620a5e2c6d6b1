#include "player/log_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"

using namespace std::literals;

namespace {

constexpr LogTime kTime{2024, 3, 7, 9, 5, 1};

std::string line(const std::string& rest) { return "2024-03-07 09:05:01 " + rest + "\n"; }

TEST(LogCodec, FormatsTheExactLine) {
  EXPECT_EQ(logcodec::formatLine(kTime, 0, L"C:\\Books\\a.mp3"s, 65000),
            "2024-03-07 09:05:01 play 1:05 C:\\Books\\a.mp3\n");
  EXPECT_EQ(logcodec::formatLine(kTime, 2, L"C:\\b.mp3"s, 3723999),
            "2024-03-07 09:05:01 at 1:02:03 C:\\b.mp3\n");
  EXPECT_EQ(logcodec::formatLine(kTime, 6, L""s, 0), "2024-03-07 09:05:01 exit\n");
  EXPECT_EQ(logcodec::formatLine(kTime, 7, L"ignored"s, 5000), "2024-03-07 09:05:01 off\n");
  // The path goes out as UTF-8.
  EXPECT_EQ(logcodec::formatLine(kTime, 5, L"C:\\\u00e9\u4e66.m4b"s, 0),
            "2024-03-07 09:05:01 stop 0:00 C:\\\xc3\xa9\xe4\xb9\xa6.m4b\n");
  const char* words[] = {"play", "pause", "at", "from", "to", "stop", "exit", "off"};
  for (int code = 0; code < 8; ++code) EXPECT_EQ(logcodec::eventWord(code), words[code]);
  EXPECT_EQ(logcodec::formatLine(kTime, 8, L"C:\\a.mp3"s, 0), "");
  EXPECT_EQ(logcodec::formatLine(kTime, -1, L"C:\\a.mp3"s, 0), "");
}

TEST(LogCodec, NeverWritesAPathThatWouldBreakTheLine) {
  for (int code = 0; code <= 5; ++code) {
    EXPECT_EQ(logcodec::formatLine(kTime, code, L""s, 1000), "") << code;
    EXPECT_EQ(logcodec::formatLine(kTime, code, L"C:\\a\r.mp3"s, 1000), "") << code;
    EXPECT_EQ(logcodec::formatLine(kTime, code, L"C:\\a\n.mp3"s, 1000), "") << code;
  }
}

TEST(LogCodec, WrittenLinesReadBack) {
  const std::wstring path = L"D:\\H\u00f6rb\u00fccher\\Kapitel 1.mp3"s;
  const std::string content = logcodec::formatLine(kTime, 0, path, 0) +
                              logcodec::formatLine(kTime, 3, path, 125000) +
                              logcodec::formatLine(kTime, 4, path, 3600000);
  const LogSummary s = logcodec::summarise(content);
  EXPECT_FALSE(s.endedCleanly);
  ASSERT_TRUE(s.hasLastPosition);
  EXPECT_EQ(s.lastPath, path);
  EXPECT_EQ(s.lastPositionMs, 3600000u);
  ASSERT_TRUE(s.hasJumpOrigin);
  EXPECT_EQ(s.jumpOriginPath, path);
  EXPECT_EQ(s.jumpOriginMs, 125000u);
}

TEST(LogCodec, ReadsTimeTexts) {
  struct Case {
    const char* time;
    bool valid;
    uint64_t ms;
  };
  const Case cases[] = {
      {"1:02:03", true, 3723000},
      {"75:30", true, 4530000},
      {"0:00", true, 0},
      {"999999:59", true, 59999999000},
      {"123456:00:00", true, 444441600000},
      {"1:75:00", false, 0},
      {"1:7:00", false, 0},
      {"1:00:7", false, 0},
      {"1234567:00", false, 0},
      {":30", false, 0},
      {"5", false, 0},
      {"1:02:03:04", false, 0},
      {"1:60", false, 0},
      {"1:5a", false, 0},
      {"1:02:", false, 0},
      {"-1:00", false, 0},
  };
  for (const Case& c : cases) {
    const LogSummary s = logcodec::summarise(line("at "s + c.time + " C:\\x.mp3"));
    EXPECT_EQ(s.hasLastPosition, c.valid) << c.time;
    if (c.valid) {
      EXPECT_EQ(s.lastPositionMs, c.ms) << c.time;
    }
  }
}

TEST(LogCodec, SkipsDamagedLines) {
  const std::string bad[] = {
      "2024-03-07 09:05:01 at",                  // no place
      "2024-03-07 09:05:01 at 1:00",             // no path
      "2024-03-07 09:05:01 at 1:00 ",            // empty path
      "2024-03-07 09:05:01 at  1:00 C:\\x.mp3",  // two spaces
      "2024-03-07 09:05:01 AT 1:00 C:\\x.mp3",   // capitals
      "2024-03-07 09:05:01 Play 1:00 C:\\x.mp3",
      "2024-03-07 09:05:01 played 1:00 C:\\x.mp3",
      "2024-3-07 09:05:01 at 1:00 C:\\x.mp3",  // one-digit month
      "2024-03-07T09:05:01 at 1:00 C:\\x.mp3",
      "2024-03-07 09:05:01at 1:00 C:\\x.mp3",
      "2024-03-07 09:05:0x at 1:00 C:\\x.mp3",
      "2024-03-07 09:05:01 at 1:00 C:\\\xff.mp3",          // not UTF-8
      "2024-03-07 09:05:01 at 1:00 C:\\\xc0\xaf.mp3",      // overlong
      "2024-03-07 09:05:01 at 1:00 C:\\\xed\xa0\x80.mp3",  // a surrogate
      "2024-03-07 09:05:01 at 1:00 C:\\a\rb.mp3",          // a CR inside the path
      "2024-03-07 09:05:01 at 1:00 C:\\a\0b.mp3"s,
      "2024-03-07 09:05:01 at 1:00 " + std::string(32768, 'a'),
      "2024-03-07 09:05:01 ",
      "",
  };
  for (const std::string& l : bad) {
    const LogSummary s = logcodec::summarise(l + "\n");
    EXPECT_FALSE(s.hasLastPosition) << l.substr(0, 60);
    EXPECT_TRUE(s.endedCleanly) << l.substr(0, 60);
  }
  // The longest path is still a path, and one trailing CR is dropped.
  const LogSummary longest =
      logcodec::summarise("2024-03-07 09:05:01 at 1:00 " + std::string(32767, 'a') + "\r\n");
  ASSERT_TRUE(longest.hasLastPosition);
  EXPECT_EQ(longest.lastPath.size(), 32767u);
  EXPECT_EQ(logcodec::summarise(line("to 2:00 C:\\x.mp3\r")).lastPath, L"C:\\x.mp3"s);
  // A damaged line does not undo the good one before it.
  const LogSummary kept =
      logcodec::summarise(line("pause 2:00 C:\\x.mp3") + line("PAUSE 3:00 C:\\y.mp3"));
  EXPECT_EQ(kept.lastPath, L"C:\\x.mp3"s);
  EXPECT_EQ(kept.lastPositionMs, 120000u);
}

TEST(LogCodec, ExitAndOffEndTheLogCleanly) {
  std::string content;
  for (int i = 0; i < 50; ++i) content += line("at " + std::to_string(i) + ":00 C:\\x.mp3");
  EXPECT_FALSE(logcodec::summarise(content).endedCleanly);
  content += line("exit");
  LogSummary s = logcodec::summarise(content);
  EXPECT_TRUE(s.endedCleanly);
  EXPECT_TRUE(s.hasLastPosition);  // the last place is still known
  EXPECT_EQ(s.lastPositionMs, 49u * 60000);
  content += line("play 49:00 C:\\x.mp3");
  EXPECT_FALSE(logcodec::summarise(content).endedCleanly);
  content += "2024-03-07 09:05:01 off trailing";
  EXPECT_TRUE(logcodec::summarise(content).endedCleanly);
  EXPECT_TRUE(logcodec::summarise("").endedCleanly);
  EXPECT_FALSE(logcodec::summarise("").hasJumpOrigin);
}

TEST(LogCodec, TheLastFromIsTheJumpOrigin) {
  const LogSummary s = logcodec::summarise(
      line("from 10:00 C:\\a.mp3") + line("to 20:00 C:\\a.mp3") + line("from 20:05 C:\\b.mp3") +
      line("to 0:00 C:\\c.mp3") + line("at 0:30 C:\\c.mp3") + line("exit"));
  ASSERT_TRUE(s.hasJumpOrigin);
  EXPECT_EQ(s.jumpOriginPath, L"C:\\b.mp3"s);
  EXPECT_EQ(s.jumpOriginMs, 1205000u);
  EXPECT_EQ(s.lastPath, L"C:\\c.mp3"s);
  EXPECT_EQ(s.lastPositionMs, 30000u);
}

TEST(LogCodec, TrimKeepsTheLastHalfMegabyteFromALineStart) {
  EXPECT_EQ(logcodec::trim("short\n"), "short\n");
  const std::string exact(logcodec::kTrimKeep, 'x');
  EXPECT_EQ(logcodec::trim(exact), exact);

  // 1.5 MiB of numbered lines: the result starts at a line start inside the last 512 KiB.
  std::string content;
  for (int i = 0; content.size() < 3 * logcodec::kTrimKeep; ++i) {
    content += line("at 0:" + std::string(i % 60 < 10 ? "0" : "") + std::to_string(i % 60) +
                    " C:\\n" + std::to_string(i) + ".mp3");
  }
  const std::string trimmed = logcodec::trim(content);
  ASSERT_FALSE(trimmed.empty());
  EXPECT_LE(trimmed.size(), logcodec::kTrimKeep);
  EXPECT_GT(trimmed.size(), logcodec::kTrimKeep - 100);
  EXPECT_EQ(content.compare(content.size() - trimmed.size(), trimmed.size(), trimmed), 0);
  EXPECT_EQ(content[content.size() - trimmed.size() - 1], '\n');
  EXPECT_EQ(trimmed.substr(0, 20), "2024-03-07 09:05:01 ");
  EXPECT_EQ(logcodec::summarise(trimmed).lastPath, logcodec::summarise(content).lastPath);

  // A cut that falls exactly on a line start keeps all of the last 512 KiB.
  std::string aligned = std::string(1000, 'a') + "\n" + std::string(logcodec::kTrimKeep, 'b');
  EXPECT_EQ(logcodec::trim(aligned).size(), logcodec::kTrimKeep);
  // No line start at all: nothing is kept.
  EXPECT_EQ(logcodec::trim(std::string(logcodec::kTrimKeep + 10, 'c')), "");
}

}  // namespace
