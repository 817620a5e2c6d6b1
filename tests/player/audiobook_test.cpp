// Audiobook mode driven for real: remembered positions, the confirmation and "Back to",
// chapters, switching modes and the listening log, with a real Player in a hidden window
// and books of WAV and hand-built MP3 files written by each test.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/settings_file.h"
#include "base/text.h"
#include "player/player.h"
#include "tests/support/bytes.h"
#include "tests/support/chaptered_mp3.h"
#include "tests/support/player_host.h"
#include "tests/support/wav_writer.h"

namespace {

using testsupport::PlayerHost;
using testsupport::TempFolder;
using namespace testbytes;

constexpr uint32_t kSlowRate = 1000;  // long tracks stay small: silent mono at 1 kHz

std::string silentWav(double seconds) { return testwav::silence(seconds, kSlowRate); }

using testsupport::chapteredMp3;
using testsupport::ChapterSpec;

// The log's lines without their date and time: "play 0:00 C:\...".
std::vector<std::string> logEntries(const PlayerHost& host) {
  const std::string content =
      testsupport::readFile(ListeningLog::pathBeside(const_cast<PlayerHost&>(host).settingsPath()));
  std::vector<std::string> entries;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    if (end - start > 20) entries.push_back(content.substr(start + 20, end - start - 20));
    start = end + 1;
  }
  return entries;
}

std::vector<std::string> words(const std::vector<std::string>& entries) {
  std::vector<std::string> out;
  for (const std::string& e : entries) out.push_back(e.substr(0, e.find(' ')));
  return out;
}

std::string entry(const std::string& word, uint64_t ms, const std::wstring& path) {
  return word + " " + text::wideToUtf8(text::formatTime(ms)) + " " + text::wideToUtf8(path);
}

Settings bookSettings() {
  Settings s;
  s.audiobook = true;
  return s;
}

using testsupport::pausedOn;
using testsupport::playsNow;

uint64_t savedPosition(const PlayerHost& host, const std::wstring& path) {
  for (const auto& e : loadSettings(const_cast<PlayerHost&>(host).settingsPath()).positions) {
    if (e.path == path) return e.ms;
  }
  return 0;
}

TEST(ResumePositions, LongLibraryFilesAndEveryBookFileRememberTheirPlace) {
  TempFolder music;
  const std::wstring short19 = music.write(L"19 minutes.wav", silentWav(19 * 60));
  const std::wstring long20 = music.write(L"20 minutes.wav", silentWav(20 * 60));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  ASSERT_TRUE(host.loadPaused(music.root(), short19, 600000));
  ASSERT_TRUE(p.save());
  EXPECT_EQ(savedPosition(host, short19), 0u);

  p.playIndex(1, long20, true, 600000);
  ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, long20); }, "the 20-minute file"));
  ASSERT_TRUE(p.save());
  EXPECT_EQ(savedPosition(host, long20), 600000u);
  EXPECT_EQ(p.positionFor(long20), 600000u);

  // Left in its last 30 seconds: finished, forgotten.
  p.seekTo(20 * 60000 - 25000);
  ASSERT_TRUE(p.save());
  EXPECT_EQ(savedPosition(host, long20), 0u);
  EXPECT_TRUE(p.rememberedPositions().empty());
}

TEST(ResumePositions, ABookFileLeftInItsFirstSecondLosesItsEntry) {
  TempFolder book;
  const std::wstring five = book.write(L"five.wav", silentWav(5 * 60));
  const std::wstring other = book.write(L"other.wav", silentWav(60));
  Settings settings = bookSettings();
  settings.positions = {{five, 120000}, {other, 5000}};
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  ASSERT_TRUE(host.loadPaused(book.root(), five, 800));
  ASSERT_TRUE(p.save());
  EXPECT_EQ(savedPosition(host, five), 0u);
  EXPECT_EQ(savedPosition(host, other), 5000u);

  // storePosition matches paths in any letter case and keeps at most 200 entries.
  for (int i = 0; i < 250; ++i) p.storePosition(L"C:\\x" + text::toDecimal(int64_t(i)), 1000);
  p.storePosition(L"C:\\X200", 0);
  EXPECT_EQ(p.rememberedPositions().size(), 199u);
  p.storePosition(L"c:\\x100", 7000);
  EXPECT_EQ(p.rememberedPositions().front().path, L"c:\\x100");
  EXPECT_EQ(std::count_if(
                p.rememberedPositions().begin(), p.rememberedPositions().end(),
                [](const auto& e) { return text::equalsOrdinalIgnoreCase(e.path, L"C:\\x100"); }),
            1);
}

TEST(ResumePositions, APathInAnotherLetterCaseIsOneEntryWithTheNewestPlace) {
  TempFolder books;
  const std::wstring stored = books.write(L"Books\\A.wav", silentWav(60));
  const std::wstring played = books.path(L"books\\a.WAV");
  Settings settings = bookSettings();
  settings.positions = {{stored, 5000}};
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  EXPECT_EQ(p.positionFor(played), 5000u);

  ASSERT_TRUE(host.loadPaused(played, played, 20000));
  ASSERT_TRUE(p.save());
  const std::vector<Settings::Position> saved = loadSettings(host.settingsPath()).positions;
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0], (Settings::Position{played, 20000}));
  EXPECT_EQ(p.positionFor(stored), 20000u);
}

TEST(Confirmation, NoKeepsThePlaceAndYesCanBeUndoneBothWays) {
  TempFolder book;
  const std::wstring a = book.write(L"a.wav", silentWav(120));
  const std::wstring b = book.write(L"b.wav", silentWav(120));
  PlayerHost host(bookSettings());
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  p.openListeningLog();
  ASSERT_TRUE(host.loadPaused(book.root(), a, 10500));

  host.answer = false;
  p.next();
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0], L"Go to b?\n\nNow at 0:10 in a.");
  EXPECT_EQ(p.view().playing.path, a);
  EXPECT_EQ(p.view().load.id, -1);
  EXPECT_EQ(p.positionMs(), 10500u);
  EXPECT_EQ(p.trackList().current, 0);
  EXPECT_FALSE(p.view().undo.set);
  EXPECT_EQ(p.backToLabel(), L"");

  host.answer = true;
  p.next();
  ASSERT_EQ(host.questions.size(), 2u);
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, b); }, "b playing"));
  EXPECT_EQ(p.backToLabel(), L"Back to 0:10 (a.wav)");
  EXPECT_EQ(p.view().undo.positionMs, 10000u);  // whole seconds

  // Leave b at a place of our own, then go back and forth.
  p.pause();
  p.seekTo(42700);
  p.backTo();
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, a); }, "back to a"));
  EXPECT_GE(p.positionMs(), 10000u);
  EXPECT_LT(p.positionMs(), 40000u);
  EXPECT_EQ(p.backToLabel(), L"Back to 0:42 (b.wav)");
  p.pause();
  const uint64_t leftA = p.positionMs();
  p.backTo();
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, b); }, "back to b"));
  EXPECT_GE(p.positionMs(), 42000u);
  EXPECT_EQ(p.view().undo.path, a);
  EXPECT_EQ(p.view().undo.positionMs, leftA / 1000 * 1000);
  EXPECT_EQ(host.questions.size(), 2u);  // "Back to" itself does not ask

  // Within one track "Back to" seeks and swaps the two places.
  p.pause();
  p.seekTo(5000);
  p.jumpToFraction(0.5);  // confirmed: the place left is 0:05
  const uint64_t here = p.positionMs();
  EXPECT_EQ(here, 60000u);
  p.backTo();
  EXPECT_EQ(p.positionMs(), 5000u);
  EXPECT_EQ(p.view().undo.positionMs, here);
  EXPECT_EQ(p.view().playing.path, b);
}

TEST(Confirmation, AYesAfterTheTrackChangedCountsAsNo) {
  TempFolder book;
  const std::wstring a = book.write(L"a.wav", silentWav(60));
  book.write(L"b.wav", silentWav(60));
  const std::wstring c = book.write(L"c.wav", silentWav(60));
  PlayerHost host(bookSettings());
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  p.openListeningLog();
  ASSERT_TRUE(host.loadPaused(book.root(), a, 3000));

  // c is on its way while the question about b waits for an answer.
  p.playIndex(2, c, true, 0);
  const int64_t askedAbout = p.view().playing.id;
  host.onQuestion = [&](const std::wstring&) {
    EXPECT_TRUE(host.waitFor(
        [&] { return p.view().playing.id != askedAbout && p.view().load.id == -1; }, "c loaded"));
    return true;
  };
  p.next();
  EXPECT_EQ(p.view().playing.path, c);
  EXPECT_EQ(p.view().load.id, -1);
  EXPECT_EQ(p.view().playState, PlayState::Paused);
  EXPECT_FALSE(p.view().undo.set);
  for (const std::string& w : words(logEntries(host))) EXPECT_NE(w, "from");
}

TEST(Confirmation, PlayingAnotherRowAsksWithItsRememberedPlace) {
  TempFolder book;
  const std::wstring a = book.write(L"a.wav", silentWav(60));
  const std::wstring b = book.write(L"b.wav", silentWav(60));
  Settings settings = bookSettings();
  settings.positions = {{b, 42000}};
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  ASSERT_TRUE(host.loadPaused(book.root(), a, 2000));

  p.playRow(0);  // the row that is loaded: no question
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, a); }, "a playing"));
  EXPECT_TRUE(host.questions.empty());
  p.pause();

  host.answer = false;
  p.playRow(1);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].substr(0, 25), L"Play b from 0:42?\n\nNow at");
  EXPECT_EQ(p.view().playing.path, a);
  EXPECT_EQ(p.view().load.id, -1);

  host.answer = true;
  p.playRow(1);
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, b); }, "b playing"));
  EXPECT_GE(p.positionMs(), 42000u);
  EXPECT_EQ(p.trackList().current, 1);
}

TEST(Confirmation, BackToReachesTheBookOpenBeforeOrSaysWhatItCannotFind) {
  TempFolder first, second;
  const std::wstring a1 = first.write(L"a1.wav", silentWav(60));
  first.write(L"a2.wav", silentWav(60));
  const std::wstring b1 = second.write(L"b1.wav", silentWav(60));
  PlayerHost host(bookSettings());
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  ASSERT_TRUE(host.loadPaused(first.root(), a1, 20500));

  // Opening another book asks first; the place left is where "Back to" leads.
  ASSERT_TRUE(p.confirm(L"Open " + second.root()));
  p.openPath(second.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, b1); }, "the second book"));
  EXPECT_EQ(p.view().previousBookPath, first.root());
  EXPECT_EQ(p.backToLabel(), L"Back to 0:20 (a1.wav)");

  p.pause();
  p.backTo();
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, a1); }, "back in the first book"));
  EXPECT_GE(p.positionMs(), 20000u);
  EXPECT_EQ(p.view().sourceFolder, first.root());
  EXPECT_EQ(p.view().previousBookPath, second.root());
  EXPECT_EQ(p.trackList().size(), 2u);

  // A place in a file that is gone, as a log left by an earlier run can name one.
  p.pause();
  ASSERT_TRUE(testsupport::writeFile(
      ListeningLog::pathBeside(host.settingsPath()),
      "2024-01-01 10:00:00 from 0:05 " + text::wideToUtf8(first.path(L"gone.wav")) + "\n"));
  p.openListeningLog();
  EXPECT_EQ(p.backToLabel(), L"Back to 0:05 (gone.wav)");
  p.backTo();
  EXPECT_EQ(p.view().notice.text, L"Can't find gone.wav");
  EXPECT_EQ(p.view().playing.path, a1);
}

class Chapters : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<ChapterSpec> three = {{0, "One"}, {10000, "Two"}, {20000, ""}};
    book_ = folder_.write(L"book.mp3", chapteredMp3(30, three));
    next_ = folder_.write(L"z next.wav", silentWav(60));
  }
  TempFolder folder_;
  std::wstring book_, next_;
};

TEST_F(Chapters, PreviousNextAndTheMenuMoveBetweenChapters) {
  PlayerHost host(bookSettings());
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  p.openListeningLog();
  ASSERT_TRUE(host.loadPaused(folder_.root(), book_, 12000));
  ASSERT_EQ(p.view().playing.chapterStarts, (std::vector<uint32_t>{0, 10000, 20000}));
  EXPECT_EQ(p.chapterName(0), L"One");
  EXPECT_EQ(p.chapterName(2), L"Chapter 3");

  // 2 s after a chapter start: the chapter before it.
  p.previous();
  EXPECT_EQ(p.positionMs(), 0u);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0], L"Go to One (0:00)?\n\nNow at 0:12 in Book.");
  // 4 s after: the start of the same chapter.
  p.seekTo(14000);
  p.previous();
  EXPECT_EQ(p.positionMs(), 10000u);
  EXPECT_EQ(host.questions.back().substr(0, 18), L"Go to Two (0:10)?\n");

  p.next();
  EXPECT_EQ(p.positionMs(), 20000u);
  EXPECT_EQ(p.view().playing.path, book_);
  p.goToChapter(1);
  EXPECT_EQ(p.positionMs(), 10000u);
  p.goToChapter(3);  // no such chapter
  EXPECT_EQ(p.positionMs(), 10000u);

  host.answer = false;
  p.next();
  EXPECT_EQ(p.positionMs(), 10000u);
  host.answer = true;

  // The log heard each jump: where it left and where it went.
  const std::vector<std::string> entries = logEntries(host);
  const std::vector<std::string> expected = {
      entry("from", 12000, book_), entry("to", 0, book_),       entry("from", 14000, book_),
      entry("to", 10000, book_),   entry("from", 10000, book_), entry("to", 20000, book_),
      entry("from", 20000, book_), entry("to", 10000, book_)};
  EXPECT_EQ(entries, expected);

  // Past the last chapter start, Next goes on to the next track.
  p.seekTo(25000);
  p.next();
  EXPECT_EQ(host.questions.back().substr(0, 14), L"Go to z next?\n");
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, next_); }, "the next track"));
  EXPECT_TRUE(p.view().playing.chapters.empty());
}

TEST_F(Chapters, OneChapterOrChaptersPastTheEndShowNone) {
  const std::wstring one = folder_.write(L"one.mp3", chapteredMp3(30, {{0, "Only"}}));
  const std::wstring late =
      folder_.write(L"late.mp3", chapteredMp3(30, {{0, "A"}, {40000, "B"}, {50000, "C"}}));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  ASSERT_TRUE(host.loadPaused(folder_.root(), one, 12000));
  EXPECT_TRUE(p.view().playing.chapters.empty());
  p.playIndex(p.trackList().find(late), late, true, 12000);
  ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, late); }, "late.mp3"));
  EXPECT_TRUE(p.view().playing.chapters.empty());
  // Without chapters Previous late in the track restarts it.
  p.previous();
  EXPECT_EQ(p.positionMs(), 0u);

  // The ffmpeg-made fixture: three chapters in its one second.
  const std::wstring fixture = L"" TWK_SOURCE_DIR "/tests/data/tags/id3v23_chapters.mp3";
  ASSERT_TRUE(host.loadPaused(fixture, fixture, 0));
  ASSERT_EQ(p.view().playing.chapterStarts, (std::vector<uint32_t>{0, 300, 650}));
  p.next();
  EXPECT_EQ(p.positionMs(), 300u);
}

TEST(ModeSwitch, EachModeComesBackWithItsListTrackAndPlace) {
  TempFolder music, book;
  music.write(L"l1.wav", silentWav(60));
  const std::wstring l2 = music.write(L"l2.wav", silentWav(60));
  const std::wstring b1 = book.write(L"b1.wav", silentWav(60));
  const std::wstring b2 = book.write(L"b2.wav", silentWav(60));
  Settings settings;
  settings.bookPath = book.root();
  settings.bookTrack = b2;
  settings.bookPositionMs = 7000;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  ASSERT_TRUE(host.loadPaused(music.root(), l2, 5000));
  p.seekTo(6000);

  // The book of the last session is opened from scratch.
  p.setAudiobookMode(true);
  EXPECT_TRUE(p.view().audiobook);
  EXPECT_TRUE(p.view().listeningLogOpen);
  ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, b2); }, "b2 restored"));
  EXPECT_EQ(p.positionMs(), 7000u);
  EXPECT_EQ(p.view().sourceFolder, book.root());
  // The library's latest place was saved at the switch.
  EXPECT_EQ(loadSettings(host.settingsPath()).lastPositionMs, 6000u);
  p.seekTo(8000);

  p.setAudiobookMode(false);
  EXPECT_FALSE(p.view().listeningLogOpen);
  ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, l2); }, "l2 back"));
  EXPECT_EQ(p.positionMs(), 6000u);
  ASSERT_EQ(p.trackList().size(), 2u);
  EXPECT_EQ(p.trackList().current, 1);
  EXPECT_EQ(p.view().sourceFolder, music.root());
  EXPECT_EQ(entry("stop", 8000, b2), logEntries(host).at(logEntries(host).size() - 2));
  EXPECT_EQ(logEntries(host).back(), "off");

  p.setAudiobookMode(true);
  ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, b2); }, "b2 back"));
  EXPECT_EQ(p.positionMs(), 8000u);
  EXPECT_EQ(p.trackList().path(0), b1);

  const Settings saved = loadSettings(host.settingsPath());
  EXPECT_TRUE(saved.audiobook);
  EXPECT_EQ(saved.folder, music.root());
  EXPECT_EQ(saved.lastTrackPath, l2);
  EXPECT_EQ(saved.lastPositionMs, 6000u);
  EXPECT_EQ(saved.bookPath, book.root());
}

TEST(ModeSwitch, AContextLeftWhileItsScanRanIsRestoredFromScratch) {
  TempFolder music, book;
  const std::wstring l1 = music.write(L"l1.wav", silentWav(60));
  const std::wstring b1 = book.write(L"b1.wav", silentWav(60));
  book.write(L"b2.wav", silentWav(60));
  PlayerHost host(bookSettings());
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  // The book's list is still on its way when the mode changes.
  p.openPath(book.root(), false, false);
  p.restoreSession(L"", L"", b1, 3000);
  ASSERT_TRUE(host.waitForQueued(WM_APP_SCAN_DONE, "the book's list"));
  p.setAudiobookMode(false);
  EXPECT_FALSE(p.view().otherModeKept);
  p.openPath(music.root(), false, false);
  ASSERT_TRUE(host.waitFor([&] { return p.view().pendingScanId == 0; }, "the library list"));
  ASSERT_EQ(p.trackList().size(), 1u);  // the book's late list did not land here
  EXPECT_EQ(p.trackList().path(0), l1);

  p.setAudiobookMode(true);
  ASSERT_TRUE(host.waitFor([&] { return pausedOn(p, b1); }, "b1 restored"));
  EXPECT_EQ(p.positionMs(), 3000u);
  EXPECT_EQ(p.trackList().size(), 2u);
}

TEST(ListeningLogEvents, PlayPauseJumpAndTheModeSwitchAreWritten) {
  TempFolder book;
  const std::wstring a = book.write(L"a.wav", silentWav(120));
  const std::wstring b = book.write(L"b.wav", silentWav(120));
  PlayerHost host(bookSettings());
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  p.openListeningLog();

  p.openPath(book.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, a); }, "a playing"));
  p.pause();
  const uint64_t pausedAt = p.positionMs();
  p.jumpToFraction(0.5);
  EXPECT_EQ(p.positionMs(), 60000u);
  p.play();
  // A new track while playing: the old one stops, the new one plays.
  p.playIndex(1, b, false, 0);
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, b); }, "b playing"));
  p.setAudiobookMode(false);

  const std::vector<std::string> entries = logEntries(host);
  ASSERT_EQ(words(entries), (std::vector<std::string>{"play", "pause", "from", "to", "play", "stop",
                                                      "play", "stop", "off"}));
  EXPECT_EQ(entries[0], entry("play", 0, a));
  EXPECT_EQ(entries[1], entry("pause", pausedAt, a));
  EXPECT_EQ(entries[2], entry("from", pausedAt, a));
  EXPECT_EQ(entries[3], entry("to", 60000, a));
  EXPECT_EQ(entries[4], entry("play", 60000, a));
  EXPECT_EQ(entries[6], entry("play", 0, b));
  EXPECT_EQ(entries[7].substr(0, 5), "stop ");
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].substr(0, 16), L"Jump to 1:00?\n\nN");

  // Library mode keeps no log.
  p.openPath(book.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, a); }, "a playing in the library"));
  p.pause();
  EXPECT_EQ(logEntries(host).size(), entries.size());
}

TEST(ListeningLogEvents, ThePeriodicAtLineAndTheExitLine) {
  TempFolder book;
  const std::wstring a = book.write(L"a.wav", silentWav(300));
  PlayerHost host(bookSettings());
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  p.openListeningLog();
  p.openPath(book.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return playsNow(p, a); }, "a playing"));
  const size_t before = logEntries(host).size();

  // Ticks within 30 s of the last event write nothing...
  const uint64_t start = p.positionMs();
  ASSERT_TRUE(host.waitFor([&] { return p.positionMs() >= start + 1000; }, "a second played"));
  EXPECT_EQ(logEntries(host).size(), before);
  // ...and the first tick 30 s after it writes the place...
  host.clockOffsetMs = 30000;
  ASSERT_TRUE(host.waitFor([&] { return logEntries(host).size() > before; }, "an at line"));
  const std::vector<std::string> entries = logEntries(host);
  EXPECT_EQ(entries.back().substr(0, 3), "at ");
  EXPECT_NE(entries.back().find(text::wideToUtf8(a)), std::string::npos);
  // ...which starts the next 30 s.
  const uint64_t atLine = p.positionMs();
  ASSERT_TRUE(host.waitFor([&] { return p.positionMs() >= atLine + 1000; }, "a second more"));
  EXPECT_EQ(logEntries(host).size(), entries.size());

  const std::wstring logPath = ListeningLog::pathBeside(host.settingsPath());
  host.destroy();
  const std::string content = testsupport::readFile(logPath);
  ASSERT_GT(content.size(), 30u);
  EXPECT_NE(content.find(" stop "), std::string::npos);
  EXPECT_EQ(content.substr(content.size() - 5), "exit\n");
}

TEST(ListeningLogEvents, OpeningTheLogRestoresTheJumpOriginAndAnUncleanEnd) {
  PlayerHost host(bookSettings());
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  const std::wstring logPath = ListeningLog::pathBeside(host.settingsPath());
  ASSERT_TRUE(testsupport::writeFile(logPath,
                                     "2024-01-01 10:00:00 from 12:34 C:\\Books\\a.mp3\n"
                                     "2024-01-01 10:00:00 to 0:00 C:\\Books\\b.mp3\n"
                                     "2024-01-01 10:00:30 at 0:30 C:\\Books\\b.mp3"));
  const LogSummary s = p.openListeningLog();
  EXPECT_FALSE(s.endedCleanly);
  EXPECT_EQ(p.backToLabel(), L"Back to 12:34 (a.mp3)");
  EXPECT_EQ(p.positionFor(L"C:\\Books\\b.mp3"), 30000u);

  // A clean end leaves the positions alone, and a CD track is never remembered.
  for (const char* log : {"2024-01-01 10:00:30 at 0:30 C:\\Books\\b.mp3\n"
                          "2024-01-01 10:00:31 exit\n",
                          "2024-01-01 10:00:30 at 0:30 D:\\Track01.cda\n"}) {
    PlayerHost fresh(bookSettings());
    ASSERT_TRUE(fresh.ok());
    ASSERT_TRUE(testsupport::writeFile(ListeningLog::pathBeside(fresh.settingsPath()), log));
    fresh.player().openListeningLog();
    EXPECT_TRUE(fresh.player().rememberedPositions().empty()) << log;
  }
}

}  // namespace
