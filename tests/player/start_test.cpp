// The deferred start and the opening of given paths, on a real Player with its workers.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "base/settings_file.h"
#include "base/text.h"
#include "player/listening_log.h"
#include "player/log_codec.h"
#include "player/player.h"
#include "tests/support/player_host.h"
#include "tests/support/wav_writer.h"

namespace {

using testsupport::PlayerHost;
using testsupport::TempFolder;
using testwav::tone;

constexpr uint32_t kLowRate = 8000;  // long tracks stay small

using testsupport::pausedOn;
using testsupport::playsNow;

TEST(PlayerStart, LastSessionRestoresTheTrackPausedAtItsPosition) {
  TempFolder music;
  music.write(L"1 first.wav", tone(4.0, kLowRate));
  const std::wstring second = music.write(L"2 second.wav", tone(4.0, kLowRate));
  music.write(L"3 third.wav", tone(4.0, kLowRate));
  Settings settings;
  settings.folder = music.root();
  settings.includeSubfolders = false;
  settings.lastTrackPath = second;
  settings.lastPositionMs = 1500;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.onStart();
  EXPECT_TRUE(p.view().restorePending);
  ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, second); }, "the restored track, paused"));
  EXPECT_EQ(p.positionMs(), 1500u);
  EXPECT_EQ(p.trackList().size(), 3u);
  EXPECT_EQ(p.trackList().current, 1);
  EXPECT_EQ(host.played, std::vector<std::wstring>{second});  // nothing else was taken up
  EXPECT_FALSE(p.view().restorePending);
  EXPECT_TRUE(p.view().notice.text.empty());
}

TEST(PlayerStart, AudiobookRestoreTakesTheListeningLogsLaterPosition) {
  TempFolder book;
  const std::wstring part = book.write(L"part 1.wav", tone(10.0, kLowRate));
  book.write(L"part 2.wav", tone(2.0, kLowRate));
  Settings settings;
  settings.audiobook = true;
  settings.bookPath = book.root();
  settings.bookIncludeSubfolders = false;
  settings.bookTrack = part;
  settings.bookPositionMs = 1000;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  // The last run ended without "exit" at 0:07 of the same track (its path in another case).
  std::wstring logged = part;
  for (wchar_t& c : logged) c = text::toUpperOrdinal(c);
  const std::string log = logcodec::formatLine(LogTime{2024, 5, 6, 7, 8, 9}, 0, logged, 2000) +
                          logcodec::formatLine(LogTime{2024, 5, 6, 7, 8, 14}, 2, logged, 7000);
  ASSERT_TRUE(testsupport::writeFile(ListeningLog::pathBeside(host.settingsPath()), log));

  p.onStart();
  EXPECT_TRUE(p.view().notice.text.empty());  // not before the place is taken
  ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, part); }, "the book's track, paused"));
  EXPECT_EQ(p.positionMs(), 7000u);
  EXPECT_EQ(p.view().notice.text, L"Restored to 0:07 from the listening log");
  EXPECT_GT(p.view().notice.untilMs, GetTickCount64());
}

// The log corrects only after a crash, and only to a place within the track; otherwise the
// saved place is taken up without a word.
TEST(PlayerStart, AudiobookLogAfterACleanExitOrPastTheEndLeavesTheSavedPosition) {
  const struct {
    const char* what;
    std::vector<std::pair<int, uint64_t>> log;  // events of the last run
    uint64_t savedMs;
  } cases[] = {
      {"played to the end, then closed", {{0, 0}, {5, 10000}, {6, 0}}, 0},
      {"stopped near the end, then closed", {{0, 0}, {5, 9000}, {6, 0}}, 0},
      {"a crash with a place past the end", {{0, 2000}, {2, 40000}}, 5000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder book;
    const std::wstring part = book.write(L"part 1.wav", tone(10.0, kLowRate));
    Settings settings;
    settings.audiobook = true;
    settings.bookPath = book.root();
    settings.bookTrack = part;
    settings.bookPositionMs = c.savedMs;
    PlayerHost host(settings);
    ASSERT_TRUE(host.ok());
    Player& p = host.player();
    std::string log;
    int second = 0;
    for (const auto& [event, ms] : c.log) {
      log += logcodec::formatLine(LogTime{2024, 5, 6, 7, 8, second++}, event,
                                  event == 6 ? std::wstring() : part, ms);
    }
    ASSERT_TRUE(testsupport::writeFile(ListeningLog::pathBeside(host.settingsPath()), log));

    p.onStart();
    ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, part); }, "the book's track, paused"));
    EXPECT_EQ(p.positionMs(), c.savedMs);
    EXPECT_TRUE(p.view().notice.text.empty()) << text::wideToUtf8(p.view().notice.text);
    SendMessageW(host.window(), WM_CLOSE, 0, 0);  // saves, as closing the window does
    EXPECT_EQ(loadSettings(host.settingsPath()).bookPositionMs, c.savedMs);
  }
}

TEST(PlayerStart, AudiobookLogWithinTwoSecondsLeavesTheSavedPosition) {
  TempFolder book;
  const std::wstring part = book.write(L"part 1.wav", tone(10.0, kLowRate));
  Settings settings;
  settings.audiobook = true;
  settings.bookPath = book.root();
  settings.bookTrack = part;
  settings.bookPositionMs = 5000;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  ASSERT_TRUE(
      testsupport::writeFile(ListeningLog::pathBeside(host.settingsPath()),
                             logcodec::formatLine(LogTime{2024, 5, 6, 7, 8, 9}, 2, part, 7000)));

  p.onStart();
  EXPECT_TRUE(p.view().notice.text.empty());
  ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, part); }, "the book's track, paused"));
  EXPECT_EQ(p.positionMs(), 5000u);
}

TEST(PlayerStart, CommandLinePathsWinOverTheLastSession) {
  TempFolder last;
  const std::wstring old = last.write(L"old.wav", tone(2.0, kLowRate));
  TempFolder given;
  given.write(L"a.wav", tone(2.0, kLowRate));
  const std::wstring wanted = given.write(L"b.wav", tone(2.0, kLowRate));
  Settings settings;
  settings.folder = last.root();
  settings.lastTrackPath = old;
  StartOptions options;
  options.paths = {wanted};
  PlayerHost host(settings, options);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.onStart();
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, wanted); }, "the given file playing"));
  EXPECT_EQ(p.view().sourceFolder, given.root());
  EXPECT_EQ(p.trackList().size(), 2u);
  EXPECT_EQ(host.played, std::vector<std::wstring>{wanted});
}

TEST(PlayerOpenPaths, MissingPathSkippedThenTheFilesFolderOpensWithThatFile) {
  TempFolder music;
  music.write(L"1.wav", tone(2.0, kLowRate));
  const std::wstring chosen = music.write(L"2.wav", tone(2.0, kLowRate));
  music.write(L"3.wav", tone(2.0, kLowRate));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  ASSERT_TRUE(p.openPaths({music.path(L"missing.wav"), chosen}));
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, chosen); }, "the chosen file playing"));
  EXPECT_EQ(p.view().sourceFolder, music.root());
  EXPECT_EQ(p.trackList().size(), 3u);
  EXPECT_EQ(p.trackList().current, 1);
  EXPECT_EQ(host.played, std::vector<std::wstring>{chosen});
}

TEST(PlayerOpenPaths, OnlyTheFirstUsablePathOpens) {
  TempFolder first;
  const std::wstring notes = first.write(L"notes.txt", "not audio");
  first.write(L"x.wav", tone(2.0, kLowRate));
  TempFolder second;
  second.write(L"y.wav", tone(2.0, kLowRate));
  second.write(L"z.wav", tone(2.0, kLowRate));
  TempFolder third;
  third.write(L"w.wav", tone(2.0, kLowRate));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  // Text files are skipped; the second folder is the first usable path.
  ASSERT_TRUE(p.openPaths({notes, second.root(), third.root()}));
  ASSERT_TRUE(host.waitFor(
      [&] { return p.view().playState == PlayState::Playing && p.view().load.id == -1; },
      "the folder playing"));
  EXPECT_EQ(p.view().sourceFolder, second.root());
  EXPECT_EQ(p.trackList().size(), 2u);
  EXPECT_EQ(p.view().playing.path, second.path(L"y.wav"));

  // Nothing usable: nothing changes.
  EXPECT_FALSE(p.openPaths({notes, third.path(L"gone"), L""}));
  EXPECT_EQ(p.view().sourceFolder, second.root());
}

TEST(PlayerOpenPaths, InAudiobookModeAFileIsTheBook) {
  TempFolder books;
  const std::wstring file = books.write(L"novel.wav", tone(2.0, kLowRate));
  books.write(L"other.wav", tone(2.0, kLowRate));
  Settings settings;
  settings.audiobook = true;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  ASSERT_TRUE(p.openPaths({file}));
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, file); }, "the book playing"));
  EXPECT_EQ(p.view().sourceFolder, file);
  EXPECT_EQ(p.trackList().size(), 1u);
}

}  // namespace
