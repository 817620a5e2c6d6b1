// Audiobook mode: the confirmation of actions that leave the listener's place, "Back to",
// seek-bar jumps and rows chosen in the list, and the listening log's events.
#include <algorithm>
#include <cmath>
#include <utility>

#include "base/path.h"
#include "base/text.h"
#include "engine/load_path.h"
#include "player/player.h"

namespace {

constexpr uint64_t kLogEveryMs = 30000;  // the periodic "at" event

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
  lastLogEventMs = now();
}

void Player::logPeriodicEvent() {
  if (!audiobook || playState != PlayState::Playing || !listeningLog.isOpen()) return;
  if (now() - lastLogEventMs < kLogEveryMs) return;
  logEvent(LogEvent::At, positionMs());
}

bool Player::confirm(const std::wstring& prompt) {
  const bool active = playState == PlayState::Playing || playState == PlayState::Paused;
  if (!audiobook || !localTrackLoaded() || !active) return true;
  const int64_t id = playing.id;
  const uint64_t at = positionMs();
  const std::wstring question =
      prompt + L"?\n\nNow at " + text::formatTime(at) + L" in " + playing.title + L".";
  // The window asks with its message box; without one nobody can say no.
  const bool yes = hooks.confirm ? hooks.confirm(question) : true;
  // The question may have waited while the track changed: that answer no longer applies.
  if (!yes || playing.id != id) return false;
  logEvent(LogEvent::From, at);
  return true;
}

std::wstring Player::backToLabel() const {
  if (!audiobook || !undo.set) return {};
  return L"Back to " + text::formatTime(undo.positionMs) + L" (" +
         std::wstring(paths::fileName(undo.path)) + L")";
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
    setNotice(L"Can't find " + std::wstring(paths::fileName(record.path)), kNoticeMs);
    refresh();
  }
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
  if (refuseUnplayable(row)) return;
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
  lastLogEventMs = now();
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
