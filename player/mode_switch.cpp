// Switching between the library and audiobook mode: each mode keeps its source, its list and
// its place while the other one is live.
#include <utility>

#include "player/player.h"

void Player::setAudiobookMode(bool on) {
  if (on == audiobook) return;
  if (playState == PlayState::Playing) checkTrackSwitch();

  // What to come back to in the mode being left.
  ModeContext captured;
  if (currentStation >= 0 && static_cast<size_t>(currentStation) < stations.size()) {
    captured.stationUrl = stations[static_cast<size_t>(currentStation)].url;
  }
  if (restore.pending) {
    captured.trackPath = restore.path;
    captured.positionMs = restore.positionMs;
  } else if (load.id != -1 && load.index != -1) {
    captured.trackPath = load.path;
    captured.positionMs = load.startPositionMs;
  } else if (playing.id == -1 || currentStation != -1 || playing.index == -1) {
    if (list.current >= 0 && static_cast<size_t>(list.current) < list.size()) {
      captured.trackPath = std::wstring(list.path(static_cast<size_t>(list.current)));
    }
  } else {
    captured.trackPath = playing.path;
    captured.positionMs = playState == PlayState::Stopped ? 0 : positionMs();
  }
  captured.valid = pendingScanId == 0 && cdRequestId == 0 && pendingFeedId == 0;
  // The keys of the mode being left are written only while it is live: its latest place
  // goes to the settings now, or a crash in the other mode would lose it.
  save();

  // Leave the place: the log hears of it while the book is still the source.
  rememberPosition();
  if (audiobook && playState == PlayState::Paused) logEvent(LogEvent::Stop, positionMs());
  if (currentStation != -1) stopRadio();
  currentStation = -1;
  load = PendingLoad();
  cancelPreload();
  halt(PlayState::Idle);  // writes the stop event while playing
  if (audiobook) {
    logEvent(LogEvent::Off, 0);
    listeningLog.close();
  }
  clearPlaying();
  positionFrames = 0;
  statusMessage.clear();
  notice = Notice();
  pendingScanId = 0;
  forgetCdRead();
  stopFeed();
  restore = RestoreTarget();
  playWhenReady = false;
  unplayableCount = 0;

  // Exchange the live source with the saved one.
  captured.sourcePath = std::move(sourceFolder);
  captured.includeSubfolders = includeSubfolders;
  captured.shuffle = shuffle;
  captured.list = std::move(list);
  captured.listScanId = listScanId;
  captured.removedScanIndices = std::move(removedScanIndices);
  captured.feedUrl = std::move(feedUrl);
  captured.cd = std::move(cd);
  captured.episodes = std::move(episodes);
  captured.feedTitle = std::move(feedTitle);
  std::swap(captured, otherContext);
  ModeContext& back = captured;
  sourceFolder = std::move(back.sourcePath);
  includeSubfolders = back.includeSubfolders;
  shuffle = back.shuffle;
  list = std::move(back.list);
  listScanId = back.listScanId;
  removedScanIndices = std::move(back.removedScanIndices);
  feedUrl = std::move(back.feedUrl);
  cd = std::move(back.cd);
  episodes = std::move(back.episodes);
  feedTitle = std::move(back.feedTitle);
  stationUrl = back.stationUrl;

  // The mode's own rules.
  audiobook = on;
  if (audiobook) shuffle = false;
  list.repeat = repeat;
  if (list.shuffle != shuffle) {
    list.shuffle = shuffle;
    list.rebuildOrder();
  }
  if (audiobook) openListeningLog();

  // Bring back what the mode held.
  if (back.valid) {
    listChanged(list.current, false);
    int64_t station = -1;
    if (!audiobook && !back.stationUrl.empty()) {
      for (size_t i = 0; i < stations.size(); ++i) {
        if (stations[i].url == back.stationUrl && station == -1) station = static_cast<int64_t>(i);
      }
    }
    if (station != -1) {
      setCurrentStation(station);
    } else if (const int64_t index =
                   back.trackPath.empty() ? -1 : list.findIgnoringCase(back.trackPath);
               index != -1) {
      const int64_t old = list.current;
      list.current = index;
      list.rebuildOrder();
      repaintRows(old, index);
      listChanged(index, false);
      playIndex(index, std::wstring(list.path(static_cast<size_t>(index))), true, back.positionMs);
    }
  } else {
    list.clear();
    cd = CdSource();
    episodes.clear();
    feedTitle.clear();
    listScanId = 0;
    removedScanIndices.clear();
    listChanged(-1, false);
    restoreSession(back.stationUrl, back.feedUrl, back.trackPath, back.positionMs);
  }
  save();
  refresh();
}
