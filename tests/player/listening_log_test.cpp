// The listening log on real files: repairs at open, the size cap, what is read back.
#include "player/listening_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/text.h"
#include "tests/support/win_test_support.h"

namespace {

using testsupport::TempFolder;

std::string readAll(const std::wstring& path) {
  return testsupport::exists(path) ? testsupport::readFile(path) : "<missing>";
}

std::string line(const std::string& rest) { return "2023-11-02 21:14:00 " + rest + "\n"; }

// Lines of an old session, at least `bytes` long, ending with an "at" line for last.mp3.
std::string oldLog(size_t bytes) {
  std::string content;
  for (int i = 0; content.size() < bytes; ++i) {
    content += line("at 1:00 C:\\Books\\Old\\track " + std::to_string(i) + ".mp3");
  }
  return content + line("at 2:03:04 C:\\Books\\Old\\last.mp3");
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ListeningLog, LivesBesideTheSettings) {
  EXPECT_EQ(ListeningLog::pathBeside(L"C:\\Users\\x\\AppData\\Local\\Tarnwick\\settings.ini"),
            L"C:\\Users\\x\\AppData\\Local\\Tarnwick\\listening.log");
  EXPECT_EQ(ListeningLog::pathBeside(L"Z:/data/settings.ini"), L"Z:/data/listening.log");
  // No data folder: no log, rather than one in the current folder.
  EXPECT_EQ(ListeningLog::pathBeside(L""), L"");
  ListeningLog log;
  const LogSummary s = log.open(L"");
  EXPECT_FALSE(log.isOpen());
  EXPECT_TRUE(s.endedCleanly);
}

TEST(ListeningLog, OpenCreatesTheFolderAndAppendsLinesThatReadBack) {
  TempFolder data(L"twk_log_");
  const std::wstring path = data.path(L"Tarnwick\\listening.log");
  const std::wstring book = L"C:\\B\u00fccher\\Kapitel 2.mp3";
  {
    ListeningLog log;
    const LogSummary fresh = log.open(path);
    ASSERT_TRUE(log.isOpen());
    EXPECT_TRUE(fresh.endedCleanly);
    EXPECT_FALSE(fresh.hasLastPosition);
    log.append(0, book, 0);
    log.append(2, book, 30500);
    log.append(3, book, 61000);
    log.append(4, book, 3723000);
    log.append(5, L"C:\\bad\nname.mp3", 1000);  // never written
    log.append(2, L"", 1000);                   // never written
    // Another program can read the log while it is open.
    const std::string seen = readAll(path);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), '\n'), 4);
    EXPECT_EQ(log.size(), static_cast<int64_t>(seen.size()));
  }
  ListeningLog log;
  const LogSummary s = log.open(path);
  EXPECT_FALSE(s.endedCleanly);
  ASSERT_TRUE(s.hasLastPosition);
  EXPECT_EQ(s.lastPath, book);
  EXPECT_EQ(s.lastPositionMs, 3723000u);
  ASSERT_TRUE(s.hasJumpOrigin);
  EXPECT_EQ(s.jumpOriginMs, 61000u);

  log.append(6, L"", 0);
  log.close();
  log.append(0, book, 0);  // a closed log writes nothing
  const std::string content = readAll(path);
  EXPECT_TRUE(endsWith(content, " exit\n")) << content;
  EXPECT_TRUE(content.find(" play 0:00 C:\\B\xc3\xbc"
                           "cher\\Kapitel 2.mp3\n") != std::string::npos);
  EXPECT_TRUE(content.find(" to 1:02:03 ") != std::string::npos);
  EXPECT_TRUE(ListeningLog().open(path).endedCleanly);
}

TEST(ListeningLog, OpenRepairsAMissingFinalLineFeed) {
  TempFolder data(L"twk_log_");
  const std::wstring path = data.path(L"listening.log");
  const std::string cut = line("at 5:00 C:\\a.mp3") + "2023-11-02 21:14:30 at 5:30 C:\\a.mp3";
  ASSERT_TRUE(testsupport::writeFile(path, cut));
  ListeningLog log;
  const LogSummary s = log.open(path);
  EXPECT_EQ(s.lastPositionMs, 330000u);
  EXPECT_EQ(readAll(path), cut + "\n");
  EXPECT_EQ(log.size(), static_cast<int64_t>(cut.size() + 1));
  log.append(1, L"C:\\a.mp3", 331000);
  log.close();
  const std::string content = readAll(path);
  EXPECT_EQ(content.substr(0, cut.size() + 1), cut + "\n");
  EXPECT_TRUE(endsWith(content.substr(cut.size() + 1), " pause 5:31 C:\\a.mp3\n")) << content;
  EXPECT_EQ(ListeningLog().open(path).lastPositionMs, 331000u);
}

TEST(ListeningLog, ALogOverOneMegabyteIsCutAtOpen) {
  TempFolder data(L"twk_log_");
  const std::wstring path = data.path(L"listening.log");
  const std::string big = oldLog(0x180000);  // 1.5 MiB
  ASSERT_TRUE(testsupport::writeFile(path, big));
  ListeningLog log;
  const LogSummary s = log.open(path);
  EXPECT_EQ(s.lastPath, L"C:\\Books\\Old\\last.mp3");
  EXPECT_EQ(s.lastPositionMs, 7384000u);
  const std::string kept = readAll(path);
  EXPECT_LE(kept.size(), 0x80000u);
  EXPECT_GT(kept.size(), 0x80000u - 200);
  EXPECT_TRUE(endsWith(big, kept));
  EXPECT_EQ(big[big.size() - kept.size() - 1], '\n');  // from a line start
  EXPECT_EQ(log.size(), static_cast<int64_t>(kept.size()));

  // A log of exactly 1 MiB stays as it is.
  log.close();
  std::string exact = oldLog(0);
  exact = std::string(0x100000 - exact.size() - 1, 'x') + "\n" + exact;
  ASSERT_TRUE(testsupport::writeFile(path, exact));
  log.open(path);
  EXPECT_EQ(readAll(path).size(), 0x100000u);

  // Of a log over 8 MiB only the end is read.
  log.close();
  ASSERT_TRUE(testsupport::writeFile(path, oldLog(0x900000)));
  EXPECT_EQ(log.open(path).lastPositionMs, 7384000u);
  EXPECT_LE(readAll(path).size(), 0x80000u);
}

TEST(ListeningLog, AppendingPastOneMegabyteTrims) {
  TempFolder data(L"twk_log_");
  const std::wstring path = data.path(L"listening.log");
  std::string nearlyFull = oldLog(0x100000 - 300);
  nearlyFull = nearlyFull.substr(0, nearlyFull.rfind('\n', nearlyFull.size() - 2) + 1);
  ASSERT_LE(nearlyFull.size(), 0x100000u - 100);
  ASSERT_TRUE(testsupport::writeFile(path, nearlyFull));

  ListeningLog log;
  log.open(path);
  const int64_t before = log.size();
  EXPECT_EQ(before, static_cast<int64_t>(nearlyFull.size()));
  int appended = 0;
  while (log.size() >= before && appended < 100) {
    log.append(2, L"C:\\Books\\New\\chapter.mp3", 60000 + 1000 * appended);
    ++appended;
  }
  ASSERT_LT(log.size(), before) << "the cap never trimmed";
  const std::string content = readAll(path);
  EXPECT_EQ(log.size(), static_cast<int64_t>(content.size()));
  EXPECT_LE(content.size(), 0x80000u + 100);
  EXPECT_EQ(content.substr(0, 20), "2023-11-02 21:14:00 ");
  const LogSummary s = log.open(path);
  EXPECT_EQ(s.lastPath, L"C:\\Books\\New\\chapter.mp3");
  EXPECT_EQ(s.lastPositionMs, 60000u + 1000 * (appended - 1));
  EXPECT_FALSE(testsupport::exists(path + L".new"));
}

}  // namespace
