// Resume positions: the place remembered for a long track or a book's file, and the podcast
// episodes heard to their end.
#include <algorithm>

#include "base/text.h"
#include "engine/load_path.h"
#include "player/player.h"

namespace {

constexpr uint64_t kHeardWithinMs = 30000;  // the last stretch of a track that counts as heard
constexpr uint64_t kLongTrackMs = 1200000;  // library tracks this long remember their place
constexpr uint64_t kMinRememberedMs = 999;
constexpr uint64_t kMinStoredMs = 1000;

// Windows paths ignore case: one file has one entry however its path is spelled.
bool samePath(std::wstring_view a, std::wstring_view b) {
  return text::equalsOrdinalIgnoreCase(a, b);
}

}  // namespace

void Player::rememberPosition() {
  if (playing.id == -1 || currentStation != -1 || playing.path.empty() ||
      isCdTrackPath(playing.path) || playing.sampleRate == 0) {
    return;
  }
  const uint64_t durationMs = framesToMs(playing.totalFrames, playing.sampleRate);
  const bool outputPlaysIt = output.trackId() == playing.id;
  uint64_t frames = positionFrames;
  if (playState == PlayState::Playing && outputPlaysIt) frames = output.position();
  const uint64_t atMs = framesToMs(frames, playing.sampleRate);
  if ((playState == PlayState::Playing || playState == PlayState::Paused) && outputPlaysIt &&
      durationMs > kHeardWithinMs && atMs + kHeardWithinMs >= durationMs) {
    markHeard(playing.path);
  }
  if (durationMs < kLongTrackMs && !audiobook) return;
  const uint64_t p = playState == PlayState::Stopped ? 0 : atMs;
  positions.erase(
      std::remove_if(positions.begin(), positions.end(),
                     [&](const Settings::Position& e) { return samePath(e.path, playing.path); }),
      positions.end());
  if (p > kMinRememberedMs && p + kHeardWithinMs < durationMs) {
    positions.insert(positions.begin(), Settings::Position{playing.path, p});
    if (positions.size() > Settings::kMaxPositions) positions.resize(Settings::kMaxPositions);
  }
}

void Player::markHeard(const std::wstring& path) {
  if (!isHttpUrl(path)) return;
  if (std::find(heard.begin(), heard.end(), path) != heard.end()) return;
  heard.insert(heard.begin(), path);
  if (heard.size() > Settings::kMaxHeard) heard.resize(Settings::kMaxHeard);
  // An open feed's rows show the mark.
  if (!episodes.empty()) listChanged(-1, false);
}

uint64_t Player::positionFor(const std::wstring& path) const {
  if (isCdTrackPath(path)) return 0;
  for (const Settings::Position& entry : positions) {
    if (samePath(entry.path, path)) return entry.ms;
  }
  return 0;
}

void Player::storePosition(const std::wstring& path, uint64_t ms) {
  const auto same = std::find_if(positions.begin(), positions.end(),
                                 [&](const auto& entry) { return samePath(entry.path, path); });
  if (same != positions.end()) positions.erase(same);
  if (ms < kMinStoredMs || path.empty()) return;
  positions.insert(positions.begin(), Settings::Position{path, ms});
  if (positions.size() > Settings::kMaxPositions) positions.resize(Settings::kMaxPositions);
}
