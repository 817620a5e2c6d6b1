// The system media controls' rules against a recording stand-in for the platform: what is
// pushed when, and what each kind of source shows.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "smtc/controls.h"
#include "smtc/media_state.h"
#include "tests/support/recording_media_platform.h"

namespace {

using smtc::MediaState;
using smtc::SourceKind;
using smtc::Status;
using testsupport::MediaCallLog;
using testsupport::recordingPlatform;
using Calls = std::vector<std::wstring>;

MediaState fileState(Status status, const std::wstring& title, const std::wstring& artist) {
  MediaState s;
  s.status = status;
  s.shown = true;
  s.mediaTitle = title;
  s.artist = artist;
  return s;
}

TEST(MediaControls, PushOnlyWhatChangedFromStartToShutDown) {
  auto log = std::make_shared<MediaCallLog>();
  smtc::Controls controls;
  controls.update(fileState(Status::Playing, L"Song", L"Band"));  // not started: nothing
  ASSERT_TRUE(controls.start(recordingPlatform(log)));
  EXPECT_EQ(log->take(), (Calls{L"enable controls on", L"enable play on", L"enable pause on",
                                L"enable next on", L"enable previous on", L"status 0", L"listen"}));
  EXPECT_TRUE(controls.start(recordingPlatform(log)));  // already active: untouched
  EXPECT_TRUE(log->take().empty());

  MediaState s = fileState(Status::Changing, L"Song", L"Band");
  controls.update(s);
  EXPECT_EQ(log->take(), (Calls{L"music Song / Band", L"status 1"}));
  controls.update(s);
  controls.update(s);
  EXPECT_TRUE(log->take().empty());

  s.status = Status::Playing;
  controls.update(s);
  EXPECT_EQ(log->take(), (Calls{L"status 3"}));

  // A chapter boundary changes the title alone.
  s.hasChapters = true;
  s.chapterTitle = L"Chapter One";
  controls.update(s);
  EXPECT_EQ(log->take(), (Calls{L"music Chapter One / Band"}));
  s.chapterTitle = L"Chapter Two";
  controls.update(s);
  controls.update(s);
  EXPECT_EQ(log->take(), (Calls{L"music Chapter Two / Band"}));

  // A failed display push leaves display and status as they were and is tried again.
  s = fileState(Status::Paused, L"Other", L"");
  log->failing = L"music";
  controls.update(s);
  EXPECT_EQ(log->take(), (Calls{L"music Other / "}));
  EXPECT_EQ(log->title, L"Chapter Two");
  EXPECT_EQ(log->status, Status::Playing);
  log->failing.clear();
  controls.update(s);
  EXPECT_EQ(log->take(), (Calls{L"music Other / ", L"status 4"}));

  // Nothing to show (no record, or failed): cleared once.
  s.shown = false;
  s.status = Status::Stopped;
  controls.update(s);
  controls.update(s);
  EXPECT_EQ(log->take(), (Calls{L"clear", L"status 2"}));

  controls.setPreviousNextAvailable(false);
  EXPECT_EQ(log->take(), (Calls{L"enable next off", L"enable previous off"}));
  EXPECT_FALSE(log->nextEnabled);
  EXPECT_FALSE(log->previousEnabled);

  controls.shutdown();
  EXPECT_EQ(log->take(), (Calls{L"stop listening", L"status 0", L"clear"}));
  EXPECT_FALSE(controls.active());
  controls.update(fileState(Status::Playing, L"Song", L"Band"));
  controls.setPreviousNextAvailable(true);
  controls.shutdown();
  EXPECT_TRUE(log->take().empty());
}

TEST(MediaControls, AFailedStartLeavesThemInactive) {
  for (const wchar_t* failing : {L"enable pause", L"status", L"listen"}) {
    auto log = std::make_shared<MediaCallLog>();
    log->failing = failing;
    smtc::Controls controls;
    EXPECT_FALSE(controls.start(recordingPlatform(log))) << failing;
    EXPECT_FALSE(controls.active());
    log->take();
    controls.update(fileState(Status::Playing, L"Song", L"Band"));
    controls.shutdown();
    EXPECT_TRUE(log->take().empty()) << failing;
  }
  smtc::Controls none;
  EXPECT_FALSE(none.start(nullptr));
}

TEST(MediaControls, EachKindOfSourceShowsItsOwnTexts) {
  using smtc::displayFor;
  using D = smtc::Display;

  MediaState file = fileState(Status::Playing, L"Tag Title", L"Tag Artist");
  EXPECT_EQ(displayFor(file), (D{L"Tag Title", L"Tag Artist"}));
  file.shown = false;
  EXPECT_EQ(displayFor(file), D{});

  // A station's record has no tags: the stream names the song beside the station.
  MediaState station = fileState(Status::Playing, L"", L"");
  station.source = SourceKind::Station;
  station.stationName = L"Radio One";
  EXPECT_EQ(displayFor(station), (D{L"Radio One", L""}));
  station.streamTitle = L"Band - Song";
  EXPECT_EQ(displayFor(station), (D{L"Band - Song", L"Radio One"}));

  MediaState episode = fileState(Status::Playing, L"ep12.mp3", L"");
  episode.source = SourceKind::Episode;
  episode.feedTitle = L"The Show";
  EXPECT_EQ(displayFor(episode), (D{L"ep12.mp3", L"The Show"}));
  episode.episodeText = L"Episode 12 (3 Mar 2024, 41 min)";
  EXPECT_EQ(displayFor(episode), (D{L"Episode 12 (3 Mar 2024, 41 min)", L"The Show"}));
  episode.artist = L"Host Name";  // a tag artist in the episode's file wins
  EXPECT_EQ(displayFor(episode).artist, L"Host Name");

  MediaState cd = fileState(Status::Paused, L"Track 3", L"");
  cd.source = SourceKind::CdTrack;
  EXPECT_EQ(displayFor(cd), (D{L"Track 3", L""}));
  cd.cdTitle = L"Third Song";
  cd.cdPerformer = L"The Performers";
  EXPECT_EQ(displayFor(cd), (D{L"Third Song", L"The Performers"}));

  // Chapters name the title whatever the source.
  cd.hasChapters = true;
  cd.chapterTitle = L"Chapter 2";
  EXPECT_EQ(displayFor(cd), (D{L"Chapter 2", L"The Performers"}));
}

}  // namespace
