#include "ui/status_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr uint32_t kRate = 44100;

// A track playing at the given second of a track of the given length.
StatusInput playingTrack(const std::wstring& title, uint64_t atSeconds, uint64_t ofSeconds) {
  StatusInput in;
  in.playState = PlayState::Playing;
  in.hasPlaying = true;
  in.title = title;
  in.sampleRate = kRate;
  in.positionFrames = atSeconds * kRate;
  in.totalFrames = ofSeconds * kRate;
  in.listEmpty = false;
  in.sourceOpen = true;
  return in;
}

StatusInput station(const std::wstring& name) {
  StatusInput in;
  in.stationChosen = true;
  in.stationName = name;
  in.sampleRate = kRate;
  return in;
}

TEST(TimeText, MinutesBelowAnHourThenHours) {
  EXPECT_EQ(timeText(0, kRate), L"0:00");
  EXPECT_EQ(timeText(kRate - 1, kRate), L"0:00");  // whole seconds only
  EXPECT_EQ(timeText(61ull * kRate, kRate), L"1:01");
  EXPECT_EQ(timeText(3599ull * kRate, kRate), L"59:59");
  EXPECT_EQ(timeText(3600ull * kRate, kRate), L"1:00:00");
  EXPECT_EQ(timeText((100ull * 3600 + 5 * 60 + 9) * kRate, kRate), L"100:05:09");
  EXPECT_EQ(timeText(12345, 0), L"0:00");
  // The largest counts neither overflow nor wrap.
  EXPECT_EQ(timeText(std::numeric_limits<uint64_t>::max(), 1), L"5124095576030431:00:15");
}

TEST(DragTimeText, FractionOfTheTrackAndItsLength) {
  const uint64_t total = 200ull * kRate;
  EXPECT_EQ(dragTimeText(true, 0.5, total, kRate), L"1:40 / 3:20");
  EXPECT_EQ(dragTimeText(true, 0, total, kRate), L"0:00 / 3:20");
  EXPECT_EQ(dragTimeText(true, 1, total, kRate), L"3:20 / 3:20");
  // Out of range and NaN stay within the track.
  EXPECT_EQ(dragTimeText(true, 1.7, total, kRate), L"3:20 / 3:20");
  EXPECT_EQ(dragTimeText(true, -3, total, kRate), L"0:00 / 3:20");
  EXPECT_EQ(dragTimeText(true, std::nan(""), total, kRate), L"0:00 / 3:20");
  EXPECT_EQ(dragTimeText(false, 0.5, total, kRate), L"");
}

TEST(GroupDigits, ThreesFromTheRight) {
  EXPECT_EQ(groupDigits(0), L"0");
  EXPECT_EQ(groupDigits(999), L"999");
  EXPECT_EQ(groupDigits(1000), L"1,000");
  EXPECT_EQ(groupDigits(123456), L"123,456");
  EXPECT_EQ(groupDigits(1234567), L"1,234,567");
  EXPECT_EQ(groupDigits(std::numeric_limits<uint64_t>::max()), L"18,446,744,073,709,551,615");
}

TEST(ComposeStatus, ScanCountIsGroupedAndTakesPrecedence) {
  StatusInput in = playingTrack(L"Song", 1, 10);
  in.scanRunning = true;
  in.scanCount = 1000;
  in.noticeActive = true;
  in.notice = L"A notice";
  EXPECT_EQ(composeStatus(in).title, L"Scanning... 1,000 files");
  in.scanCount = 999;
  EXPECT_EQ(composeStatus(in).title, L"Scanning... 999 files");
  // The track still plays underneath: its caption and time stay.
  const StatusView view = composeStatus(in);
  EXPECT_EQ(view.caption, L"Song - Tarnwick");
  EXPECT_EQ(view.time, L"0:01 / 0:10");
}

TEST(ComposeStatus, PlayingTrackTimeFractionAndCaption) {
  StatusInput in = playingTrack(L"Song", 3599, 3600);
  in.shuffle = true;
  in.repeat = RepeatMode::One;
  in.volume = 35;
  in.topmost = false;
  in.opacity = 70;
  const StatusView view = composeStatus(in);
  EXPECT_EQ(view.title, L"Song");
  EXPECT_EQ(view.suffix, L"");
  EXPECT_EQ(view.caption, L"Song - Tarnwick");
  EXPECT_EQ(view.time, L"59:59 / 1:00:00");
  EXPECT_NEAR(view.fraction, 3599.0 / 3600.0, 1e-12);
  EXPECT_TRUE(view.seekEnabled);
  EXPECT_TRUE(view.playing);
  EXPECT_TRUE(view.shuffle);
  EXPECT_EQ(view.repeat, RepeatMode::One);
  EXPECT_EQ(view.volume, 35);
  EXPECT_FALSE(view.topmost);
  EXPECT_EQ(view.opacity, 70);

  // Paused: not playing, still seekable.
  in.playState = PlayState::Paused;
  EXPECT_FALSE(composeStatus(in).playing);
  EXPECT_TRUE(composeStatus(in).seekEnabled);

  // An unknown length gives fraction 0; a position past an inexact length stays at 1.
  in.totalFrames = 0;
  EXPECT_EQ(composeStatus(in).fraction, 0);
  EXPECT_EQ(composeStatus(in).time, L"59:59 / 0:00");
  in.totalFrames = 10;
  EXPECT_EQ(composeStatus(in).fraction, 1);
}

TEST(ComposeStatus, FailedTrackShowsTitleAndError) {
  StatusInput in = playingTrack(L"X", 0, 10);
  in.playState = PlayState::Failed;
  in.statusMessage = L"Can't read the file";
  StatusView view = composeStatus(in);
  EXPECT_EQ(view.title, L"X: Can't read the file");
  EXPECT_EQ(view.caption, L"Tarnwick");
  EXPECT_FALSE(view.seekEnabled);
  EXPECT_EQ(view.time, L"");

  in.title.clear();
  EXPECT_EQ(composeStatus(in).title, L"Can't read the file");
  in.hasPlaying = false;
  in.statusMessage = L"Can't open the folder";
  EXPECT_EQ(composeStatus(in).title, L"Can't open the folder");
}

TEST(ComposeStatus, NoticeOnlyBeforeItsDeadline) {
  StatusInput in = playingTrack(L"Song", 0, 10);
  in.notice = L"Restored to 1:02 from the listening log";
  in.noticeActive = true;
  EXPECT_EQ(composeStatus(in).title, L"Restored to 1:02 from the listening log");
  in.noticeActive = false;  // still stored, but expired
  EXPECT_EQ(composeStatus(in).title, L"Song");
  // A notice goes before a failure's text.
  in.noticeActive = true;
  in.playState = PlayState::Failed;
  in.statusMessage = L"Can't read the file";
  EXPECT_EQ(composeStatus(in).title, L"Restored to 1:02 from the listening log");
}

TEST(ComposeStatus, FeedAndCdWaitUnlessATrackPlays) {
  StatusInput in;
  in.feedLoading = true;
  EXPECT_EQ(composeStatus(in).title, L"Loading podcast...");
  in.feedLoading = false;
  in.cdReadPending = true;
  EXPECT_EQ(composeStatus(in).title, L"Reading the CD...");

  in = playingTrack(L"Song", 0, 10);
  in.feedLoading = true;
  in.cdReadPending = true;
  EXPECT_EQ(composeStatus(in).title, L"Song");
  in.playState = PlayState::Paused;  // paused: the wait is what is shown
  EXPECT_EQ(composeStatus(in).title, L"Loading podcast...");
}

TEST(ComposeStatus, LoadingWithoutAndWithARecord) {
  StatusInput in;
  in.playState = PlayState::Loading;
  in.listEmpty = false;
  EXPECT_EQ(composeStatus(in).title, L"Loading...");
  EXPECT_FALSE(composeStatus(in).seekEnabled);
  in = playingTrack(L"Old", 4, 10);
  in.playState = PlayState::Loading;  // the next one loads while the old record stays
  EXPECT_EQ(composeStatus(in).title, L"Old");
}

TEST(ComposeStatus, BookPrefixChapterSuffixAndBuffering) {
  StatusInput in = playingTrack(L"Book", 30, 600);
  in.audiobook = true;
  in.hasChapters = true;
  in.chapterTitle = L"Chapter 2";
  StatusView view = composeStatus(in);
  EXPECT_EQ(view.title, L"(book) Book - Chapter 2");
  EXPECT_EQ(view.suffix, L" - Chapter 2");
  EXPECT_TRUE(view.audiobook);
  EXPECT_EQ(view.caption, L"Book - Tarnwick");  // the caption has neither

  in.streamed = true;
  in.outputBuffering = true;
  EXPECT_EQ(composeStatus(in).title, L"(book) Book - Chapter 2  (buffering)");
  // Only a streamed track that plays says it buffers.
  in.playState = PlayState::Paused;
  EXPECT_EQ(composeStatus(in).title, L"(book) Book - Chapter 2");
  in.playState = PlayState::Playing;
  in.streamed = false;
  EXPECT_EQ(composeStatus(in).title, L"(book) Book - Chapter 2");
}

TEST(ComposeStatus, EmptyListTexts) {
  StatusInput in;
  EXPECT_EQ(composeStatus(in).title, L"Open a folder to start");
  EXPECT_EQ(composeStatus(in).caption, L"Tarnwick");
  in.sourceOpen = true;
  EXPECT_EQ(composeStatus(in).title, L"No MP3, WAV, FLAC, M4A or WMA files in this folder");
  in.openedPodcastOrCd = true;
  EXPECT_EQ(composeStatus(in).title, L"Open a folder to start");

  in = StatusInput();
  in.audiobook = true;
  EXPECT_EQ(composeStatus(in).title, L"Open a book: a folder, or drop a file");
  in.sourceOpen = true;
  EXPECT_EQ(composeStatus(in).title, L"No MP3, WAV, FLAC, M4A or WMA files in this folder");

  in.listEmpty = false;
  EXPECT_EQ(composeStatus(in).title, L"Double-click a track to play");
}

TEST(ComposeStatus, RadioBufferingStatusAndTime) {
  StatusInput in = station(L"Jazz FM");
  EXPECT_EQ(composeStatus(in).title, L"Jazz FM");
  EXPECT_EQ(composeStatus(in).caption, L"Jazz FM - Tarnwick");
  EXPECT_EQ(composeStatus(in).time, L"");

  // Playing with no status while the output buffers.
  in.playState = PlayState::Playing;
  in.hasPlaying = true;
  in.title = L"Artist - Song";
  in.outputBuffering = true;
  in.positionFrames = 65ull * kRate;
  StatusView view = composeStatus(in);
  EXPECT_EQ(view.title, L"Jazz FM: Buffering...");
  EXPECT_EQ(view.caption, L"Artist - Song - Tarnwick");
  EXPECT_EQ(view.time, L"1:05");
  EXPECT_FALSE(view.seekEnabled);

  in.outputBuffering = false;
  EXPECT_EQ(composeStatus(in).title, L"Artist - Song");
  in.radioStatus = L"Connecting...";
  EXPECT_EQ(composeStatus(in).title, L"Jazz FM: Connecting...");

  // The buffer is shown from five seconds on.
  in.bufferedFrames = 5ull * kRate - 1;
  EXPECT_EQ(composeStatus(in).time, L"1:05");
  in.bufferedFrames = 5ull * kRate;
  EXPECT_EQ(composeStatus(in).time, L"1:05 / -0:05");

  // A failed station is not the radio case any more.
  in.playState = PlayState::Failed;
  in.statusMessage = L"Station unavailable";
  in.hasPlaying = false;
  EXPECT_EQ(composeStatus(in).title, L"Station unavailable");
  EXPECT_EQ(composeStatus(in).caption, L"Tarnwick");
}

}  // namespace
