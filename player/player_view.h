// The player as the window sees it: plain values taken at one moment, so that reading them
// never changes the player. The status line, the buttons, the seek bar, the context menu and
// the tests read the player through this and the read-only track list, nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/settings.h"
#include "base/track_list.h"
#include "player/now_playing.h"
#include "player/play_state.h"

// A load request on its way to the track loader.
struct PendingLoad {
  int32_t id = -1;  // -1: none pending
  int64_t index = -1;
  std::wstring path;
  bool startPaused = false;
  uint64_t startPositionMs = 0;
  // startPositionMs came from the listening log; savedPositionMs stands if the track is shorter.
  bool positionFromLog = false;
  uint64_t savedPositionMs = 0;
};

// The next track being prepared to follow the playing one.
struct PendingPreload {
  int32_t id = -1;  // -1: none pending
  int64_t index = -1;
  bool deferred = false;  // waits until the drive has finished reading the current CD track
};

struct Notice {
  std::wstring text;
  uint64_t untilMs = 0;  // tick count until which it is shown
};

// Where "Back to" returns in audiobook mode.
struct UndoRecord {
  std::wstring path;
  uint64_t positionMs = 0;  // whole seconds
  bool set = false;
};

struct PlayerView {
  PlayState playState = PlayState::Idle;
  TrackRecord playing;   // id -1: nothing loaded
  TrackRecord prepared;  // id -1: nothing prepared
  // The playing track's position: the output's while it plays it, else the player's own.
  uint64_t positionFrames = 0;

  // What the audio output reports.
  int64_t outputTrackId = -1;
  int32_t outputSwitches = 0;  // gapless switches so far
  float outputGain = 1.0f;
  bool outputBuffering = false;  // the output ran dry

  // Requests on their way.
  PendingLoad load;
  PendingPreload preload;
  uint32_t pendingScanId = 0;  // 0: no scan awaited
  uint64_t scanProgress = 0;   // files the awaited folder scan has found so far
  int32_t cdRequestId = 0;     // 0: no disc read awaited
  bool restorePending = false;
  int32_t nextId = 1;
  int unplayableCount = 0;

  // The user's choices.
  bool shuffle = false;
  RepeatMode repeat = RepeatMode::Off;
  int volume = 100;
  float gain = 1.0f;
  bool loopFlag = false;
  bool audiobook = false;

  // The source of the list.
  std::wstring sourceFolder;
  bool includeSubfolders = true;
  std::wstring feedUrl;       // the open podcast's feed
  int32_t pendingFeedId = 0;  // 0: no feed download awaited
  int64_t currentStation = -1;
  wchar_t cdDrive = 0;

  // Stations.
  std::vector<Settings::Station> stations;
  int32_t radioSession = 0;
  std::wstring radioStatus;  // "Connecting..." and what the stream reports
  std::wstring streamTitle;  // the title playback has reached
  size_t pendingStreamTitles = 0;
  uint64_t radioBufferedFrames = 0;  // in the playing stream's ring
  uint32_t listScanId = 0;
  std::vector<uint64_t> removedScanIndices;

  // Texts.
  std::wstring statusMessage;
  Notice notice;
  bool noticeActive = false;  // its time has not run out

  // Audiobook mode.
  UndoRecord undo;
  std::wstring backToLabel;  // empty when there is nothing to go back to
  std::wstring previousBookPath;
  bool listeningLogOpen = false;
  bool otherModeKept = false;  // the other mode's list is kept whole for the way back

  bool mediaControlsActive = false;  // the system media controls deliver the media keys
};
