// The Player driven for real: a hidden window and its message loop, the loader and scanner
// threads, the audio output on Wine's default device, and folders of short WAV files that
// each test writes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/settings_file.h"
#include "base/text.h"
#include "player/player.h"
#include "tests/support/player_host.h"
#include "tests/support/wav_writer.h"

namespace {

using testsupport::PlayerHost;
using testsupport::TempFolder;
using testwav::tone;

constexpr uint32_t kRate = 44100;
// Tracks that must still be playing when the test acts are long; a low rate keeps them small
// (Wine's output may also run faster than real time).
constexpr uint32_t kLongRate = 8000;

bool playingIndex(Player& p, int64_t index) {
  return p.view().playState == PlayState::Playing && p.view().load.id == -1 &&
         p.view().playing.id != -1 && p.view().playing.index == index;
}

bool listInstalled(Player& p, size_t size) {
  return p.view().pendingScanId == 0 && p.trackList().size() == size;
}

std::string garbage() { return std::string(4096, 'x'); }

// A folder of three tracks of the given lengths, for the tests of the gapless switch.
struct ThreeTracks {
  TempFolder music;
  std::wstring a, b, c;
  PlayerHost host;

  ThreeTracks(double first, double second, double third)
      : a(music.write(L"1.wav", tone(first))),
        b(music.write(L"2.wav", tone(second))),
        c(music.write(L"3.wav", tone(third))) {}

  // Opens the folder and waits for the first track to play with the second prepared.
  bool playWithSecondPrepared() {
    if (!host.ok()) return false;
    Player& p = host.player();
    p.openPath(music.root(), false, true);
    return host.waitFor([&] { return playingIndex(p, 0) && p.view().prepared.index == 1; },
                        "the first track playing and the second prepared");
  }
};

TEST(PlayerOpen, AFolderPlaysItsFirstTrackInTrackOrder) {
  TempFolder music;
  music.write(L"10 c.wav", tone(1.0));
  music.write(L"2 b.wav", tone(1.0));
  music.write(L"1 a.wav", tone(1.0));
  music.write(L"notes.txt", "not audio");
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Playing; }, "playing"));
  ASSERT_FALSE(host.played.empty());
  EXPECT_EQ(host.played.front(), music.path(L"1 a.wav"));
  ASSERT_EQ(p.trackList().size(), 3u);
  EXPECT_EQ(p.trackList().path(2), music.path(L"10 c.wav"));
  EXPECT_NE(p.view().listScanId, 0u);
  EXPECT_EQ(p.view().listScanId & Player::kFileScanIdBit, 0u);
  EXPECT_EQ(p.view().sourceFolder, music.root());
}

TEST(PlayerOpen, WithShuffleTheFirstShuffledTrackPlays) {
  TempFolder music;
  for (int i = 0; i < 8; ++i) music.write(L"t" + text::toDecimal(int64_t(i)) + L".wav", tone(1.0));
  Settings settings;
  settings.shuffle = true;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Playing; }, "playing"));
  ASSERT_EQ(p.trackList().order.size(), 8u);  // built with no current track: every index
  ASSERT_FALSE(host.played.empty());
  EXPECT_EQ(host.played.front(), p.trackList().path(p.trackList().order[0]));
}

TEST(PlayerOpen, ASingleFilePlaysAsAOneTrackList) {
  TempFolder music;
  const std::wstring solo = music.write(L"solo.wav", tone(0.5));
  music.write(L"neighbour.wav", tone(0.5));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(solo, false, true);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "the file playing"));
  ASSERT_EQ(p.trackList().size(), 1u);
  EXPECT_EQ(p.trackList().path(0), solo);
  EXPECT_EQ(p.view().playing.path, solo);
  EXPECT_NE(p.view().listScanId & Player::kFileScanIdBit, 0u);

  // The end of the only track stops at its start.
  ASSERT_TRUE(
      host.waitFor([&] { return p.view().playState == PlayState::Stopped; }, "stopped at the end"));
  EXPECT_EQ(p.view().positionFrames, 0u);
  EXPECT_EQ(p.view().statusMessage, L"");
}

TEST(PlayerOpen, AScanResultThatArrivesAfterAnotherOpenIsDropped) {
  TempFolder first, second;
  first.write(L"first.wav", tone(1.0));
  const std::wstring wanted = second.write(L"second.wav", tone(1.0));
  const std::wstring lone = first.write(L"lone.wav", tone(1.0));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  // The first folder's result is waiting in the queue when the second folder is opened.
  p.openPath(first.root(), false, true);
  ASSERT_TRUE(host.waitForQueued(WM_APP_SCAN_DONE, "the first folder's result"));
  p.openPath(second.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Playing; }, "playing"));
  ASSERT_EQ(p.trackList().size(), 1u);
  EXPECT_EQ(p.trackList().path(0), wanted);
  EXPECT_EQ(host.played, std::vector<std::wstring>{wanted});
  EXPECT_EQ(ScanResult::live(), 0);

  // The same for a single file's own result.
  p.openPath(lone, false, true);
  p.openPath(second.root(), false, false);
  ASSERT_TRUE(host.waitFor([&] { return p.view().pendingScanId == 0; }, "the folder's list"));
  ASSERT_EQ(p.trackList().size(), 1u);
  EXPECT_EQ(p.trackList().path(0), wanted);
  EXPECT_EQ(ScanResult::live(), 0);
}

TEST(PlayerOpen, AFolderThatCannotBeListedFails) {
  TempFolder music;
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  p.openPath(music.path(L"missing"), false, true);
  ASSERT_TRUE(host.waitFor([&] { return p.view().pendingScanId == 0; }, "the scan result"));
  EXPECT_EQ(p.view().statusMessage, L"Can't open the folder");
  EXPECT_EQ(p.view().playState, PlayState::Failed);
  EXPECT_TRUE(p.trackList().empty());
}

TEST(PlayerOpen, ARestoreTargetLoadsPausedAtItsPosition) {
  TempFolder music;
  music.write(L"1.wav", tone(1.0));
  const std::wstring second = music.write(L"Second.wav", tone(20.0, kLongRate));
  Settings settings;
  settings.lastTrackPath = L"C:\\kept\\until the restore.wav";
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  // The last session's track, named in another letter case.
  p.openPath(music.root(), false, false);
  p.restoreSession(L"", L"", music.path(L"SECOND.WAV"), 3000);
  EXPECT_TRUE(p.save());
  EXPECT_EQ(loadSettings(host.settingsPath()).lastTrackPath, settings.lastTrackPath);
  ASSERT_TRUE(
      host.waitFor([&] { return p.view().playState == PlayState::Paused; }, "the restored track"));
  EXPECT_EQ(p.view().playing.path, second);
  EXPECT_EQ(p.view().playing.index, 1);
  EXPECT_EQ(p.trackList().current, 1);
  EXPECT_EQ(p.view().positionFrames, 3000u * kLongRate / 1000);
  EXPECT_FALSE(p.view().restorePending);
  const Settings saved = loadSettings(host.settingsPath());
  EXPECT_EQ(saved.lastTrackPath, second);
  EXPECT_EQ(saved.lastPositionMs, 3000u);

  // A restored folder that is gone is forgotten without a message.
  p.openPath(music.path(L"gone"), false, false);
  p.restoreSession(L"", L"", music.path(L"gone\\x.wav"), 0);
  ASSERT_TRUE(host.waitFor([&] { return p.view().pendingScanId == 0; }, "the failed scan"));
  EXPECT_EQ(p.view().sourceFolder, L"");
  EXPECT_EQ(p.view().statusMessage, L"");
  EXPECT_EQ(p.view().playState, PlayState::Paused);
}

TEST(PlayerPlayback, TheEndOfATrackSwitchesGaplesslyToThePreparedOne) {
  ThreeTracks t(2.0, 2.0, 1.0);
  ASSERT_TRUE(t.playWithSecondPrepared());
  PlayerHost& host = t.host;
  Player& p = host.player();
  const int64_t preparedId = p.view().prepared.id;
  const int32_t idsBefore = p.view().nextId;

  ASSERT_TRUE(
      host.waitFor([&] { return p.view().playing.index == 1; }, "the switch to the second"));
  EXPECT_EQ(p.view().playing.id, preparedId);  // the prepared record, not a new load
  EXPECT_EQ(p.trackList().current, 1);
  EXPECT_EQ(p.view().playState, PlayState::Playing);
  EXPECT_EQ(loadSettings(host.settingsPath()).lastTrackPath, t.b);
  // The switch asked for the third at once: one new request, and no play-now load.
  EXPECT_EQ(p.view().load.id, -1);
  EXPECT_EQ(p.view().nextId, idsBefore + 1);
  EXPECT_EQ(p.view().prepared.index == 2 || p.view().preload.index == 2, true);

  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Stopped; },
                           "the end of the list"));
  EXPECT_EQ(host.played, (std::vector<std::wstring>{t.a, t.b, t.c}));
  EXPECT_EQ(p.trackList().current, 2);
  EXPECT_EQ(p.view().positionFrames, 0u);
  EXPECT_EQ(p.view().statusMessage, L"");
}

TEST(PlayerPlayback, ASwitchMadeJustBeforeARescanResultIsTakenIn) {
  ThreeTracks t(1.5, 2.0, 0.5);
  ASSERT_TRUE(t.playWithSecondPrepared());
  PlayerHost& host = t.host;
  Player& p = host.player();
  const int64_t preparedId = p.view().prepared.id;
  const int32_t switches = p.view().outputSwitches;

  // From here no tick runs until the rescan's result has been taken in: the output moves on
  // to the prepared track, then the result arrives.
  p.rescan();
  ASSERT_TRUE(host.waitForQueued(WM_APP_SCAN_DONE, "the rescan's result"));
  const ULONGLONG deadline = GetTickCount64() + testsupport::kWaitMs;
  while (p.view().outputSwitches == switches && GetTickCount64() < deadline) Sleep(5);
  ASSERT_NE(p.view().outputSwitches, switches) << "the output never switched";
  ASSERT_EQ(p.view().playing.path, t.a);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, host.window(), WM_APP_SCAN_DONE, WM_APP_SCAN_DONE, PM_REMOVE));
  DispatchMessageW(&msg);

  EXPECT_EQ(p.view().playing.path, t.b);
  EXPECT_EQ(p.view().playing.id, preparedId);
  EXPECT_EQ(p.trackList().current, 1);
  EXPECT_EQ(p.view().playing.index, 1);
  EXPECT_EQ(loadSettings(host.settingsPath()).lastTrackPath, t.b);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Stopped; },
                           "the end of the list"));
  // The second track played once, from the record prepared for it.
  EXPECT_EQ(host.played, (std::vector<std::wstring>{t.a, t.b, t.c}));
  EXPECT_EQ(p.view().outputSwitches, switches + 2);
}

TEST(PlayerPlayback, RepeatOneLoopsWithoutReloadingWhileNextMovesOn) {
  TempFolder music;
  music.write(L"1.wav", tone(0.5));
  music.write(L"2.wav", tone(0.5));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  p.cycleRepeat();
  p.cycleRepeat();
  ASSERT_EQ(p.view().repeat, RepeatMode::One);
  ASSERT_TRUE(p.view().loopFlag);

  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "the first track playing"));
  const int32_t idsBefore = p.view().nextId;
  const int32_t switchesBefore = p.view().outputSwitches;
  uint64_t furthest = 0;
  ASSERT_TRUE(host.waitFor(
      [&] {
        const uint64_t at = p.view().positionFrames;
        furthest = std::max(furthest, at);
        return furthest > kRate / 4 && at < furthest / 2;
      },
      "the track to start over"));
  EXPECT_EQ(p.view().nextId, idsBefore);  // nothing was loaded or prepared
  EXPECT_EQ(p.view().outputSwitches, switchesBefore);
  EXPECT_EQ(p.view().prepared.id, -1);
  EXPECT_EQ(p.view().playing.index, 0);
  EXPECT_EQ(p.view().playState, PlayState::Playing);

  p.next();
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 1); }, "Next on to the second"));
  p.next();  // wraps in repeat one
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "Next round to the first"));

  // Repeat off again: the following track is prepared.
  p.cycleRepeat();
  EXPECT_FALSE(p.view().loopFlag);
  EXPECT_EQ(p.view().preload.index == 1 || p.view().prepared.index == 1, true);
}

TEST(PlayerPlayback, PreviousGoesBackEarlyInATrackAndRestartsLater) {
  TempFolder music;
  music.write(L"1.wav", tone(0.5));
  const std::wstring longer = music.write(L"2.wav", tone(20.0, kLongRate));
  music.write(L"3.wav", tone(0.5));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(music.root(), false, false);
  ASSERT_TRUE(host.waitFor([&] { return listInstalled(p, 3); }, "the list"));
  EXPECT_EQ(p.view().playState, PlayState::Idle);
  p.playRow(1);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 1); }, "the long track playing"));
  p.pause();
  ASSERT_EQ(p.view().playState, PlayState::Paused);

  p.seekTo(4500);
  EXPECT_EQ(p.view().positionFrames, 4500u * kLongRate / 1000);
  p.previous();  // 4.5 s in: restart
  EXPECT_EQ(p.view().playing.path, longer);
  EXPECT_EQ(p.view().positionFrames, 0u);
  EXPECT_EQ(p.view().playState, PlayState::Paused);
  EXPECT_EQ(p.view().load.id, -1);

  p.seekTo(3000);
  p.previous();  // 3 s in: back to the first track
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "the first track playing"));
}

TEST(PlayerPlayback, PreviousInShuffleWalksTheHistory) {
  TempFolder music;
  for (int i = 0; i < 6; ++i)
    music.write(L"t" + text::toDecimal(int64_t(i)) + L".wav", tone(20.0, kLongRate));
  Settings settings;
  settings.shuffle = true;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(music.root(), false, true);
  std::vector<int64_t> visited;
  for (int step = 0; step < 4; ++step) {
    if (step > 0) p.next();
    ASSERT_TRUE(host.waitFor(
        [&] {
          return p.view().playState == PlayState::Playing && p.view().load.id == -1 &&
                 p.view().playing.index == p.trackList().current;
        },
        "the next shuffled track playing"));
    p.pause();  // keeps the position well inside the first 3 s
    visited.push_back(p.view().playing.index);
  }
  for (int step = 2; step >= 0; --step) {
    p.previous();
    ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, visited[step]); }, "the track before"));
    p.pause();
  }
  EXPECT_TRUE(p.trackList().history.empty());
}

TEST(PlayerFailures, AFolderOfUnplayableFilesSkipsFourAndFailsOnTheFifth) {
  TempFolder music;
  for (int i = 1; i <= 6; ++i) {
    music.write(text::toDecimal(int64_t(i)) + std::wstring(L".mp3"),
                i == 5 ? std::string() : garbage());
  }
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Failed; }, "the failure"));
  EXPECT_EQ(p.view().statusMessage, L"The file is empty");  // the fifth file's own error
  EXPECT_EQ(p.trackList().current, 4);
  EXPECT_EQ(p.view().playing.title, L"5");
  EXPECT_EQ(p.view().unplayableCount, 5);
  EXPECT_EQ(p.view().nextId, 6);  // five play-now requests, no more
  EXPECT_EQ(p.view().load.id, -1);

  // Play tries the list's current track afresh.
  p.playPause();
  EXPECT_EQ(p.view().playState, PlayState::Loading);
  EXPECT_EQ(p.view().load.index, 4);
  ASSERT_TRUE(host.waitFor(
      [&] { return p.view().playState == PlayState::Failed && p.view().load.id == -1; },
      "the next failure"));
}

TEST(PlayerFailures, APreparedTrackThatFailsIsSkippedAtTheEnd) {
  TempFolder music;
  music.write(L"1.wav", tone(0.5));
  music.write(L"2.mp3", garbage());
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Stopped; }, "the stop"));
  EXPECT_EQ(p.view().statusMessage, L"Stopped after unplayable tracks");
  EXPECT_EQ(p.trackList().current, 1);
  EXPECT_EQ(p.view().unplayableCount, 1);
}

TEST(PlayerFailures, FivePreparedFailuresInARowEndInStopped) {
  TempFolder music;
  music.write(L"1 good.wav", tone(10.0, kLongRate));
  for (int i = 2; i <= 6; ++i)
    music.write(text::toDecimal(int64_t(i)) + std::wstring(L" bad.mp3"), garbage());
  music.write(L"7 good.wav", tone(0.5));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor(
      [&] {
        return playingIndex(p, 0) && p.view().preload.id == -1 && p.view().unplayableCount == 1;
      },
      "the first track playing and the prepared one failed"));
  p.pause();
  // Each removal prepares the track that now follows, which fails in turn.
  for (int removed = 1; removed <= 4; ++removed) {
    p.removeRow(1);
    ASSERT_TRUE(host.waitFor(
        [&] { return p.view().preload.id == -1 && p.view().unplayableCount == removed + 1; },
        "the next prepared track failing"));
  }
  ASSERT_EQ(p.trackList().size(), 3u);
  p.seekTo(9800);
  p.play();
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Stopped; }, "the stop"));
  EXPECT_EQ(p.view().statusMessage, L"Stopped after unplayable tracks");
  EXPECT_EQ(p.trackList().current, 1);
  EXPECT_EQ(p.view().playing.index, 0);
  EXPECT_EQ(p.view().positionFrames, 0u);
}

TEST(PlayerList, RemovingThePlayingRowContinuesOrLeavesThePlayerIdle) {
  TempFolder music;
  music.write(L"1.wav", tone(20.0, kLongRate));
  const std::wstring second = music.write(L"2.wav", tone(20.0, kLongRate));
  music.write(L"3.wav", tone(1.0));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "the first track playing"));
  p.removeRow(0);  // playing: goes on with what Next would have chosen
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "the next track playing"));
  EXPECT_EQ(p.view().playing.path, second);
  EXPECT_EQ(p.trackList().size(), 2u);

  p.pause();
  p.removeRow(0);  // paused: nothing plays afterwards
  EXPECT_EQ(p.view().playState, PlayState::Idle);
  EXPECT_EQ(p.view().playing.id, -1);
  EXPECT_EQ(p.view().load.id, -1);
  EXPECT_EQ(p.view().prepared.id, -1);
  EXPECT_EQ(p.trackList().size(), 1u);
  EXPECT_EQ(loadSettings(host.settingsPath()).lastTrackPath, L"");
}

TEST(PlayerList, InAudiobookModeRemovingThePlayingRowAsksFirst) {
  TempFolder book;
  book.write(L"1.wav", tone(20.0, kLongRate));
  book.write(L"2.wav", tone(1.0));
  Settings settings;
  settings.audiobook = true;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(book.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "the first track playing"));
  p.pause();
  host.answer = false;
  p.removeRow(0);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].rfind(L"Remove 1 from the list?\n\nNow at 0:0", 0), 0u)
      << text::wideToUtf8(host.questions[0]);
  EXPECT_EQ(p.trackList().size(), 2u);
  EXPECT_EQ(p.view().playState, PlayState::Paused);

  host.answer = true;
  p.removeRow(1);  // not the playing row: no question
  EXPECT_EQ(host.questions.size(), 1u);
  p.removeRow(0);
  EXPECT_EQ(host.questions.size(), 2u);
  EXPECT_TRUE(p.trackList().empty());
  EXPECT_EQ(p.view().playState, PlayState::Idle);
}

TEST(PlayerList, LateTitlesLandOnTheRowsThatAreLeft) {
  TempFolder music;
  for (int i = 0; i < 6; ++i) {
    music.write(L"t" + text::toDecimal(int64_t(i)) + L".wav",
                tone(0.3, kRate, "Title " + std::to_string(i)));
  }
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  p.openPath(music.root(), false, false);
  // Stops right after the list is installed, before any title batch is handled.
  ASSERT_TRUE(host.waitFor([&] { return listInstalled(p, 6); }, "the list"));
  for (size_t i = 0; i < 6; ++i) EXPECT_TRUE(p.trackList().title(i).empty());
  p.removeRow(1);
  p.removeRow(2);  // the file t3
  ASSERT_EQ(p.view().removedScanIndices, (std::vector<uint64_t>{1, 3}));

  ASSERT_TRUE(host.waitFor([&] { return p.trackList().title(3) == L"Title 5"; }, "the titles"));
  EXPECT_EQ(p.trackList().displayName(0), L"Title 0");
  EXPECT_EQ(p.trackList().displayName(1), L"Title 2");
  EXPECT_EQ(p.trackList().displayName(2), L"Title 4");

  // A batch naming a removed row, and one for another scan.
  auto batch = std::make_unique<ScanTitleBatch>();
  batch->requestId = p.view().listScanId;
  batch->entries = {{1, L"Removed"}, {3, L"Removed too"}, {4, L"Four"}, {9, L"Beyond"}};
  ASSERT_TRUE(postRecord(host.window(), WM_APP_TITLES, batch));
  auto stale = std::make_unique<ScanTitleBatch>();
  stale->requestId = p.view().listScanId + 1;
  stale->entries = {{0, L"Stale"}};
  ASSERT_TRUE(postRecord(host.window(), WM_APP_TITLES, stale));
  ASSERT_TRUE(host.waitFor([&] { return ScanTitleBatch::live() == 0; }, "the batches handled"));
  EXPECT_EQ(p.trackList().displayName(0), L"Title 0");
  EXPECT_EQ(p.trackList().displayName(1), L"Title 2");
  EXPECT_EQ(p.trackList().displayName(2), L"Four");
  EXPECT_EQ(p.trackList().displayName(3), L"Title 5");
}

TEST(PlayerControls, TheWheelChangesTheVolumeInWholeNotches) {
  Settings settings;
  settings.volume = 90;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  EXPECT_FLOAT_EQ(p.view().outputGain, 0.729f);

  for (int i = 0; i < 3; ++i) p.onWheel(120);
  EXPECT_EQ(p.view().volume, 100);
  EXPECT_FLOAT_EQ(p.view().gain, 1.0f);

  p.setVolume(50);
  p.onWheel(60);
  EXPECT_EQ(p.view().volume, 50);
  p.onWheel(60);
  EXPECT_EQ(p.view().volume, 55);
  EXPECT_FLOAT_EQ(p.view().gain, 0.55f * 0.55f * 0.55f);
  EXPECT_FLOAT_EQ(p.view().outputGain, p.view().gain);
  p.onWheel(-240);
  EXPECT_EQ(p.view().volume, 45);

  p.save();
  EXPECT_EQ(loadSettings(host.settingsPath()).volume, 45);
}

TEST(PlayerControls, MediaKeysAndButtonsReachThePlayer) {
  TempFolder music;
  music.write(L"1.wav", tone(20.0, kLongRate));
  music.write(L"2.wav", tone(20.0, kLongRate));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  const auto key = [&](int command) {
    return SendMessageW(host.window(), WM_APPCOMMAND, reinterpret_cast<WPARAM>(host.window()),
                        MAKELPARAM(0, command));
  };

  p.openPath(music.root(), false, false);
  ASSERT_TRUE(host.waitFor([&] { return listInstalled(p, 2); }, "the list"));
  EXPECT_EQ(key(APPCOMMAND_MEDIA_PLAY), TRUE);  // Idle: starts the list
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "playing"));
  EXPECT_EQ(key(APPCOMMAND_MEDIA_PAUSE), TRUE);
  EXPECT_EQ(p.view().playState, PlayState::Paused);
  EXPECT_EQ(key(APPCOMMAND_MEDIA_PAUSE), TRUE);  // only pauses
  EXPECT_EQ(p.view().playState, PlayState::Paused);
  EXPECT_EQ(key(APPCOMMAND_MEDIA_PLAY_PAUSE), TRUE);
  EXPECT_EQ(p.view().playState, PlayState::Playing);
  EXPECT_EQ(key(APPCOMMAND_MEDIA_NEXTTRACK), TRUE);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 1); }, "the next track"));

  SendMessageW(host.window(), WM_APP_MEDIA_BUTTON, 1, 0);
  EXPECT_EQ(p.view().playState, PlayState::Paused);
  SendMessageW(host.window(), WM_APP_MEDIA_BUTTON, 0, 0);
  EXPECT_EQ(p.view().playState, PlayState::Playing);

  // While the system media controls are active they deliver the keys themselves.
  p.setMediaControlsActive(true);
  EXPECT_EQ(key(APPCOMMAND_MEDIA_PLAY_PAUSE), FALSE);
  EXPECT_EQ(p.view().playState, PlayState::Playing);
  p.setMediaControlsActive(false);

  // In audiobook mode Next and Previous keys and buttons are taken but do nothing.
  p.setAudiobookMode(true);
  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "the folder playing as a book"));
  EXPECT_EQ(key(APPCOMMAND_MEDIA_NEXTTRACK), TRUE);
  EXPECT_EQ(key(APPCOMMAND_MEDIA_PREVIOUSTRACK), TRUE);
  SendMessageW(host.window(), WM_APP_MEDIA_BUTTON, 2, 0);
  SendMessageW(host.window(), WM_APP_MEDIA_BUTTON, 3, 0);
  EXPECT_EQ(p.view().load.id, -1);
  EXPECT_EQ(p.view().playing.index, 0);
  EXPECT_TRUE(host.questions.empty());
}

// What the radio and feed threads will post: until their handlers come, the window frees
// these records unread, and a shutdown frees those still queued.
struct FutureRecord : PostedRecord, LiveRecordCount<FutureRecord> {};

TEST(PlayerMessages, RecordsOfMessagesWithoutAHandlerYetAreFreed) {
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  const UINT messages[] = {WM_APP_RADIO, WM_APP_FEED_DONE};
  for (UINT message : messages) {
    auto record = std::make_unique<FutureRecord>();
    ASSERT_TRUE(postRecord(host.window(), message, record));
  }
  EXPECT_EQ(FutureRecord::live(), 2);
  ASSERT_TRUE(host.waitFor([] { return FutureRecord::live() == 0; }, "the records freed"));

  for (UINT message : messages) {
    auto record = std::make_unique<FutureRecord>();
    ASSERT_TRUE(postRecord(host.window(), message, record));
  }
  host.destroy();
  EXPECT_EQ(FutureRecord::live(), 0);
}

TEST(PlayerShutdown, WorkInFlightLeavesNoThreadAndNoRecord) {
  TempFolder music, more;
  for (int i = 0; i < 6; ++i)
    music.write(L"t" + text::toDecimal(int64_t(i)) + L".wav", tone(10.0, kLongRate));
  for (int i = 0; i < 300; ++i)
    more.write(L"m" + text::toDecimal(int64_t(i)) + L".wav", tone(0.05));
  StartOptions streaming;
  streaming.forceStreaming = true;  // every loaded track has a decoding thread of its own

  // A first player warms up what Wine starts once per process for audio.
  {
    PlayerHost warm(Settings(), streaming);
    ASSERT_TRUE(warm.ok());
    warm.player().openPath(music.root(), false, true);
    ASSERT_TRUE(
        warm.waitFor([&] { return warm.player().view().prepared.id != -1; }, "warm-up playing"));
  }
  const size_t baseline = testsupport::threadCount();

  {
    PlayerHost host(Settings(), streaming);
    ASSERT_TRUE(host.ok());
    Player& p = host.player();
    p.openPath(music.root(), false, true);
    ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0) && p.view().prepared.id != -1; },
                             "playing with the next prepared"));
    EXPECT_GT(testsupport::threadCount(), baseline);
    // A preload, a play-now load and a scan, none of them answered yet.
    p.setShuffle(false);  // cancels the preload and asks for it again
    p.playIndex(3, std::wstring(p.trackList().path(3)), false, 0);
    p.openPath(more.root(), false, true);
    host.destroy();
  }
  EXPECT_EQ(ScanResult::live(), 0);
  EXPECT_EQ(ScanTitleBatch::live(), 0);
  EXPECT_EQ(LoadResult::live(), 0);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_APP_LOAD_DONE, WM_APP_CD_DONE, PM_NOREMOVE));
  // A record left behind would keep its track's decoding thread alive.
  EXPECT_TRUE(testsupport::pumpUntil([&] { return testsupport::threadCount() <= baseline; }, 10000))
      << "threads now " << testsupport::threadCount() << ", before " << baseline;
}

}  // namespace
