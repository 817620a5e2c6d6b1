#include "ui/player_status.h"

#include <algorithm>

#include "player/playback_rules.h"
#include "player/player.h"
#include "ui/main_window.h"

namespace {

// The chapter the position lies in: the last one starting at or before it (the first when
// the position lies before every start).
size_t chapterAt(const std::vector<uint32_t>& starts, uint64_t positionMs) {
  const auto after = std::upper_bound(starts.begin(), starts.end(), positionMs,
                                      [](uint64_t ms, uint32_t start) { return ms < start; });
  return after == starts.begin() ? 0 : static_cast<size_t>(after - starts.begin() - 1);
}

}  // namespace

StatusInput statusInputOf(const PlayerView& player, const MainWindow& window) {
  StatusInput in;
  in.playState = player.playState;

  const TrackRecord& playing = player.playing;
  in.hasPlaying = playing.id != -1;
  if (in.hasPlaying) {
    in.title = playing.title;
    in.streamed = playing.streamed;
    in.totalFrames = playing.totalFrames;
    in.sampleRate = playing.sampleRate;
    in.positionFrames = player.positionFrames;
    if (!playing.chapters.empty() && playing.chapters.size() == playing.chapterStarts.size()) {
      in.hasChapters = true;
      in.chapterTitle = chapterName(
          playing.chapters,
          chapterAt(playing.chapterStarts, framesToMs(in.positionFrames, playing.sampleRate)));
    }
  }
  in.outputBuffering = player.outputBuffering;

  in.shuffle = player.shuffle;
  in.repeat = player.repeat;
  in.volume = player.volume;
  in.topmost = window.topmost;
  in.miniMode = window.miniMode;
  in.listHidden = window.listHidden;
  in.opacity = window.opacity;
  in.audiobook = player.audiobook;

  in.stationChosen = player.currentStation >= 0 &&
                     static_cast<size_t>(player.currentStation) < player.stations.size();
  if (in.stationChosen) {
    in.stationName = player.stations[static_cast<size_t>(player.currentStation)].name;
    in.radioStatus = player.radioStatus;
    in.bufferedFrames = player.radioBufferedFrames;
  }

  // A single file's scan is delivered at once; only a folder walk counts files.
  in.scanRunning =
      player.pendingScanId != 0 && (player.pendingScanId & Player::kFileScanIdBit) == 0;
  in.scanCount = player.scanProgress;
  in.feedLoading = player.pendingFeedId != 0;
  in.cdReadPending = player.cdRequestId != 0;

  in.notice = player.notice.text;
  in.noticeActive = player.noticeActive;
  in.statusMessage = player.statusMessage;

  in.listEmpty = !window.player || window.player->trackList().empty();
  in.sourceOpen = !player.sourceFolder.empty();
  in.openedPodcastOrCd = !player.feedUrl.empty() || player.cdDrive != 0;
  return in;
}

StatusView statusOf(const PlayerView& player, const MainWindow& window) {
  return composeStatus(statusInputOf(player, window));
}

std::wstring dragTimeOf(const PlayerView& player, double fraction) {
  const TrackRecord& playing = player.playing;
  const bool hasTrack = playing.id != -1 && player.playState != PlayState::Failed;
  return dragTimeText(hasTrack, fraction, playing.totalFrames, playing.sampleRate);
}
