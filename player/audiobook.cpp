// Audiobook mode: the confirmation of actions that leave the listener's place, "Back to",
// chapters and seek-bar jumps, switching between the library and the book, and the
// listening log's events.
#include <algorithm>
#include <cmath>
#include <utility>

#include "base/text.h"
#include "engine/load_path.h"
#include "player/player.h"

namespace {

constexpr uint64_t kLogEveryMs = 30000;  // the periodic "at" event
constexpr uint64_t kMinStoredMs = 1000;

bool isPlaceEvent(LogEvent event) { return event != LogEvent::Exit && event != LogEvent::Off; }

}  // namespace

bool Player::localTrackLoaded() const {
  return playing.id != -1 && currentStation == -1 && !playing.path.empty() &&
         !isCdTrackPath(playing.path) && playing.sampleRate != 0;
}

void Player::logEvent(LogEvent event, uint64_t positionMs) {
  if (!isPlaceEvent(event)) {
    listeningLog.append(static_cast<int>(event), std::wstring(), 0);
    return;
  }
  if (!audiobook || !localTrackLoaded()) return;
  if (event == LogEvent::From) {
    // The place being left is what "Back to" returns to, also when the log cannot be written.
    undo.path = playing.path;
    undo.positionMs = positionMs / 1000 * 1000;
    undo.set = true;
  }
  if (!listeningLog.isOpen()) return;
  listeningLog.append(static_cast<int>(event), playing.path, positionMs);
  lastLogEventMs = GetTickCount64();
}

void Player::logPeriodicEvent() {
  if (!audiobook || playState != PlayState::Playing || !listeningLog.isOpen()) return;
  if (GetTickCount64() - lastLogEventMs < kLogEveryMs) return;
  logEvent(LogEvent::At, positionMs());
}

bool Player::confirm(const std::wstring& prompt) {
  const bool active = playState == PlayState::Playing || playState == PlayState::Paused;
  if (!audiobook || !localTrackLoaded() || !active) return true;
  const int64_t id = playing.id;
  const uint64_t at = positionMs();
  const std::wstring question =
      prompt + L"?\n\nNow at " + text::formatTime(at) + L" in " + playing.title + L".";
  bool yes;
  if (confirmPrompt) {
    yes = confirmPrompt(question);
  } else {
    yes = MessageBoxW(window, question.c_str(), L"Audiobook mode",
                      MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
  }
  // The question may have waited while the track changed: that answer no longer applies.
  if (!yes || playing.id != id) return false;
  logEvent(LogEvent::From, at);
  return true;
}

void Player::storePosition(const std::wstring& path, uint64_t ms) {
  const auto same = std::find_if(positions.begin(), positions.end(), [&](const auto& entry) {
    return text::equalsOrdinalIgnoreCase(entry.path, path);
  });
  if (same != positions.end()) positions.erase(same);
  if (ms < kMinStoredMs || path.empty()) return;
  positions.insert(positions.begin(), Settings::Position{path, ms});
  if (positions.size() > Settings::kMaxPositions) positions.resize(Settings::kMaxPositions);
}

std::wstring Player::backToLabel() const {
  if (!audiobook || !undo.set) return {};
  return L"Back to " + text::formatTime(undo.positionMs) + L" (" +
         std::wstring(fileNameOfPath(undo.path)) + L")";
}

void Player::backTo() {
  if (!audiobook || !undo.set) return;
  if (playState == PlayState::Playing) checkTrackSwitch();
  const UndoRecord record = undo;  // the "from" event below replaces it

  if (localTrackLoaded() && text::equalsOrdinalIgnoreCase(playing.path, record.path)) {
    const uint64_t durationMs = framesToMs(playing.totalFrames, playing.sampleRate);
    // A place past the end (a damaged log) is no place to go back to.
    if (canSeek() && record.positionMs < durationMs) {
      logEvent(LogEvent::From, positionMs());
      seekTo(record.positionMs);
      logEvent(LogEvent::To, record.positionMs);
    }
    refresh();
    return;
  }

  if (playState == PlayState::Playing || playState == PlayState::Paused) {
    logEvent(LogEvent::From, positionMs());
  }
  storePosition(record.path, record.positionMs);

  const int64_t index = list.findIgnoringCase(record.path);
  if (index != -1) {
    const int64_t old = list.current;
    list.jumpTo(index);
    repaintRows(old, index);
    listChanged(index, false);
    unplayableCount = 0;
    playIndex(index, std::wstring(list.path(static_cast<size_t>(index))), false, record.positionMs);
    return;
  }
  if (isHttpUrl(record.path)) {
    playIndex(-1, record.path, false, record.positionMs);
    return;
  }
  if (!previousBookPath.empty() &&
      (text::equalsOrdinalIgnoreCase(record.path, previousBookPath) ||
       (record.path.size() > previousBookPath.size() &&
        record.path[previousBookPath.size()] == L'\\' &&
        text::equalsOrdinalIgnoreCase(
            std::wstring_view(record.path).substr(0, previousBookPath.size()),
            previousBookPath)))) {
    const std::wstring book = previousBookPath;
    openPath(book, includeSubfolders, true);
    // The stored position is taken up when the track is played.
    restore.path = record.path;
    restore.positionMs = record.positionMs;
    return;
  }
  if (!openPaths({record.path})) {
    setNotice(L"Can't find " + std::wstring(fileNameOfPath(record.path)), kNoticeMs);
    refresh();
  }
}

std::wstring Player::chapterName(size_t index) const {
  return ::chapterName(playing.chapters, index);
}

void Player::seekToChapter(size_t index) {
  if (!chaptersUsable() || index >= playing.chapterStarts.size()) return;
  const uint32_t start = playing.chapterStarts[index];
  if (!confirm(L"Go to " + chapterName(index) + L" (" + text::formatTime(start) + L")")) return;
  // The question may have let the track change.
  if (!chaptersUsable() || index >= playing.chapterStarts.size()) return;
  seekTo(playing.chapterStarts[index]);
  logEvent(LogEvent::To, playing.chapterStarts[index]);
}

void Player::goToChapter(size_t index) {
  if (playState == PlayState::Playing) checkTrackSwitch();
  seekToChapter(index);
  refresh();
}

void Player::jumpToFraction(double fraction) {
  if (playState == PlayState::Playing) checkTrackSwitch();
  if (!canSeek()) return;
  const double x = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
  const uint64_t target = std::min(
      playing.totalFrames, static_cast<uint64_t>(static_cast<double>(playing.totalFrames) * x));
  const uint64_t targetMs = framesToMs(target, playing.sampleRate);
  const int64_t id = playing.id;
  if (audiobook && !confirm(L"Jump to " + text::formatTime(targetMs))) return;
  if (!canSeek() || playing.id != id) return;
  seekFrames(target);
  positionFrames = target;
  if (playState == PlayState::Stopped) playState = PlayState::Paused;
  logEvent(LogEvent::To, targetMs);
  refresh();
}

void Player::playRow(int64_t row) {
  if (row < 0 || static_cast<size_t>(row) >= list.size()) return;
  if (playState == PlayState::Playing) checkTrackSwitch();
  const size_t at = static_cast<size_t>(row);
  const std::wstring path(list.path(at));
  if (playing.id == -1 || playing.index != row) {
    std::wstring prompt = L"Play " + std::wstring(list.displayName(at));
    const uint64_t remembered = positionFor(path);
    if (remembered != 0) prompt += L" from " + text::formatTime(remembered);
    if (!confirm(prompt)) return;
    // The question waited: the row must still be the one the user chose.
    if (static_cast<size_t>(row) >= list.size() || list.path(at) != path) return;
  }
  const int64_t old = list.current;
  list.jumpTo(row);
  repaintRows(old, row);
  unplayableCount = 0;
  playCurrent();
}

LogSummary Player::openListeningLog() {
  LogSummary summary = listeningLog.open(ListeningLog::pathBeside(settingsPath));
  lastLogEventMs = GetTickCount64();
  if (summary.hasJumpOrigin) {
    undo.path = summary.jumpOriginPath;
    undo.positionMs = summary.jumpOriginMs / 1000 * 1000;
    undo.set = true;
  }
  // The log saw more than the settings when the last run did not end cleanly.
  if (!summary.endedCleanly && summary.hasLastPosition && !isCdTrackPath(summary.lastPath)) {
    storePosition(summary.lastPath, summary.lastPositionMs);
  }
  return summary;
}

void Player::setAudiobookMode(bool on) {
  if (on == audiobook) return;
  if (playState == PlayState::Playing) checkTrackSwitch();

  // 1. What to come back to in the mode being left.
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
  captured.valid = pendingScanId == 0;
  // The keys of the mode being left are written only while it is live: its latest place
  // goes to the settings now, or a crash in the other mode would lose it.
  save();

  // 2. Leave the place: the log hears of it while the book is still the source.
  rememberPosition();
  if (audiobook && playState == PlayState::Paused) logEvent(LogEvent::Stop, positionMs());
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
  restore = RestoreTarget();
  playWhenReady = false;
  unplayableCount = 0;

  // 3. Exchange the live source with the saved one.
  captured.sourcePath = std::move(sourceFolder);
  captured.includeSubfolders = includeSubfolders;
  captured.shuffle = shuffle;
  captured.list = std::move(list);
  captured.listScanId = listScanId;
  captured.removedScanIndices = std::move(removedScanIndices);
  captured.feedUrl = std::move(feedUrl);
  std::swap(captured, otherContext);
  ModeContext& back = captured;
  sourceFolder = std::move(back.sourcePath);
  includeSubfolders = back.includeSubfolders;
  shuffle = back.shuffle;
  list = std::move(back.list);
  listScanId = back.listScanId;
  removedScanIndices = std::move(back.removedScanIndices);
  feedUrl = std::move(back.feedUrl);
  stationUrl = back.stationUrl;

  // 4. The mode's own rules.
  audiobook = on;
  if (audiobook) shuffle = false;
  list.repeat = repeat;
  if (list.shuffle != shuffle) {
    list.shuffle = shuffle;
    list.rebuildOrder();
  }
  if (audiobook) openListeningLog();

  // 5./6. Bring back what the mode held.
  if (back.valid) {
    listChanged(list.current, false);
    int64_t station = -1;
    if (!audiobook && !back.stationUrl.empty()) {
      for (size_t i = 0; i < stations.size(); ++i) {
        if (stations[i].url == back.stationUrl) station = static_cast<int64_t>(i);
      }
    }
    if (station != -1) {
      currentStation = station;
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
    listScanId = 0;
    removedScanIndices.clear();
    listChanged(-1, false);
    restoreSession(back.stationUrl, back.feedUrl, back.trackPath, back.positionMs);
  }
  save();
  refresh();
}
