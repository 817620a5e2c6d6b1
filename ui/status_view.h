// Everything the window says in words about the player's state, composed in one place.
#pragma once

#include <cstdint>
#include <string>

#include "base/track_list.h"
#include "player/play_state.h"

struct StatusView {
  std::wstring title;    // the title line
  std::wstring suffix;   // the tail of the title drawn in italics
  std::wstring caption;  // the window caption
  std::wstring time;     // the time label
  double fraction = 0;   // position in the track, 0..1
  bool seekEnabled = false;
  bool playing = false;
  bool shuffle = false;
  RepeatMode repeat = RepeatMode::Off;
  int volume = 100;
  bool topmost = true;
  bool miniMode = false;
  bool listHidden = false;
  int opacity = 100;
  bool audiobook = false;
};

// What the status line reads from the player, as plain values (the shell fills it in).
struct StatusInput {
  PlayState playState = PlayState::Idle;

  // The playing record.
  bool hasPlaying = false;
  std::wstring title;
  bool streamed = false;
  uint64_t totalFrames = 0;
  uint32_t sampleRate = 0;
  uint64_t positionFrames = 0;
  bool hasChapters = false;
  std::wstring chapterTitle;  // the chapter the position lies in
  bool outputBuffering = false;

  bool shuffle = false;
  RepeatMode repeat = RepeatMode::Off;
  int volume = 100;
  bool topmost = true;
  bool miniMode = false;
  bool listHidden = false;
  int opacity = 100;
  bool audiobook = false;

  // Radio.
  bool stationChosen = false;
  std::wstring stationName;
  std::wstring radioStatus;
  uint64_t bufferedFrames = 0;

  // Work in progress.
  bool scanRunning = false;
  uint64_t scanCount = 0;
  bool feedLoading = false;
  bool cdReadPending = false;

  std::wstring notice;
  bool noticeActive = false;  // its deadline has not passed
  std::wstring statusMessage;

  bool listEmpty = true;
  bool sourceOpen = false;         // a book (audiobook mode) or a folder (library mode) is open
  bool openedPodcastOrCd = false;  // what was opened is a podcast feed or a CD
};

namespace status {

inline constexpr wchar_t kProgramName[] = L"Tarnwick";

}  // namespace status

StatusView composeStatus(const StatusInput& input);

// "M:SS" below an hour, "H:MM:SS" from an hour on; "0:00" for an unknown rate.
std::wstring timeText(uint64_t frames, uint32_t rate);

// The time label while the seek bar is dragged: the time at the fraction of the track and the
// track's length; empty when no track is current.
std::wstring dragTimeText(bool hasTrack, double fraction, uint64_t totalFrames, uint32_t rate);

// Digits grouped in threes from the right with ",": 1,234,567.
std::wstring groupDigits(uint64_t value);
