// Chapters of the playing track: Next and Previous within them, the menu's jumps and their
// names.
#include <algorithm>

#include "base/text.h"
#include "player/player.h"

bool Player::chaptersUsable() const {
  return playing.id != -1 && playing.chapters.size() >= 2 && currentStation == -1 &&
         playing.seekable && playing.totalFrames != 0 && playing.sampleRate != 0 &&
         (playState == PlayState::Playing || playState == PlayState::Paused ||
          playState == PlayState::Stopped);
}

bool Player::nextChapter() {
  if (!chaptersUsable()) return false;
  const uint64_t p = positionMs();
  const auto after =
      std::upper_bound(playing.chapterStarts.begin(), playing.chapterStarts.end(), p);
  if (after == playing.chapterStarts.end()) return false;
  seekToChapter(static_cast<size_t>(after - playing.chapterStarts.begin()));
  return true;
}

bool Player::previousChapter() {
  if (!chaptersUsable()) return false;
  const uint64_t p = positionMs();
  const std::vector<uint32_t>& starts = playing.chapterStarts;
  // The last chapter that starts at or before p (the first one before any start).
  size_t i =
      static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), p) - starts.begin());
  i = i == 0 ? 0 : i - 1;
  size_t chapter = i;
  if (starts[i] + kRestartWithinMs >= p) {
    // Just past a chapter start: go to the one before it, if there is one.
    if (i == 0 || p < starts[i]) return false;
    chapter = i - 1;
  }
  seekToChapter(chapter);
  return true;
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
