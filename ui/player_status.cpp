#include "ui/player_status.h"

#include <algorithm>

#include "player/playback_rules.h"
#include "player/player.h"

namespace {

// The chapter the position lies in: the last one starting at or before it (the first when
// the position lies before every start).
size_t chapterAt(const std::vector<uint32_t>& starts, uint64_t positionMs) {
  const auto after = std::upper_bound(starts.begin(), starts.end(), positionMs,
                                      [](uint64_t ms, uint32_t start) { return ms < start; });
  return after == starts.begin() ? 0 : static_cast<size_t>(after - starts.begin() - 1);
}

}  // namespace

StatusInput statusInputOf(const Player& player) {
  StatusInput in;
  in.playState = static_cast<int>(player.playState);

  const NowPlaying& playing = player.playing;
  in.hasPlaying = playing.id != -1;
  if (in.hasPlaying) {
    in.title = playing.title;
    in.streamed = playing.streamed;
    in.totalFrames = playing.totalFrames;
    in.sampleRate = playing.sampleRate;
    in.positionFrames = player.currentPositionFrames();
    if (!playing.chapters.empty() && playing.chapters.size() == playing.chapterStarts.size()) {
      in.hasChapters = true;
      in.chapterTitle = chapterName(
          playing.chapters,
          chapterAt(playing.chapterStarts, framesToMs(in.positionFrames, playing.sampleRate)));
    }
  }
  in.outputBuffering = player.output.underrun();

  in.shuffle = player.shuffle;
  in.repeat = player.repeat;
  in.volume = player.volume;
  in.topmost = player.topmost;
  in.miniMode = player.miniMode;
  in.listHidden = player.listHidden;
  in.opacity = player.opacity;
  in.audiobook = player.audiobook;

  // Radio: the station's name, the stream's status and its buffer come with the radio work;
  // until then no station is ever chosen.
  in.stationChosen = false;

  // A single file's scan is delivered at once; only a folder walk counts files.
  in.scanRunning =
      player.pendingScanId != 0 && (player.pendingScanId & Player::kFileScanIdBit) == 0;
  in.scanCount = player.scanProgress;
  // Podcast feeds and CD reads are not sources yet: nothing is ever loading or pending.
  in.feedLoading = false;
  in.cdReadPending = false;

  in.notice = player.notice.text;
  in.noticeActive = !player.notice.text.empty() && GetTickCount64() < player.notice.untilMs;
  in.statusMessage = player.statusMessage;

  in.listEmpty = player.list.empty();
  in.sourceOpen = !player.sourceFolder.empty();
  in.openedPodcastOrCd = !player.feedUrl.empty() || player.cdDrive != 0;
  return in;
}

StatusView statusOf(const Player& player) { return composeStatus(statusInputOf(player)); }

std::wstring dragTimeOf(const Player& player, double fraction) {
  const NowPlaying& playing = player.playing;
  const bool hasTrack = playing.id != -1 && player.playState != PlayState::Failed;
  return dragTimeText(hasTrack, fraction, playing.totalFrames, playing.sampleRate);
}
