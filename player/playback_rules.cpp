#include "player/playback_rules.h"

#include <algorithm>

#include "base/text.h"
#include "engine/load_error.h"

using namespace std::literals;

std::wstring loadErrorText(uint8_t code, std::wstring_view message) {
  switch (code) {
    case kLoadCantOpen:
      return std::wstring(L"Can't open the file"sv);
    case kLoadCantRead:
      return std::wstring(L"Can't read the file"sv);
    case kLoadEmpty:
      return std::wstring(L"The file is empty"sv);
    case kLoadNotPlayable:
      return std::wstring(L"Not a playable MP3, WAV, FLAC, M4A or WMA file"sv);
    case kLoadOutOfMemory:
      return std::wstring(L"Out of memory"sv);
    case kLoadNeedsFeaturePack:
      return std::wstring(L"M4A and WMA files need the Media Feature Pack"sv);
    case kLoadNetworkError:
      return std::wstring(message);
    case kLoadNoCd:
      return std::wstring(L"No audio CD in the drive"sv);
    case kLoadProtected:
      return std::wstring(L"Protected (DRM) file, can't play"sv);
    default:
      return std::wstring();
  }
}

uint64_t framesToMs(uint64_t frames, uint32_t sampleRate) {
  if (sampleRate == 0) return 0;
  return frames / sampleRate * 1000 + frames % sampleRate * 1000 / sampleRate;
}

// Rounds up, so that a position set in ms reads back as the same ms (for rates of 1000 Hz and
// more): a chapter jump that read back 1 ms early would find the same chapter again.
uint64_t msToFrames(uint64_t ms, uint32_t sampleRate) {
  return ms / 1000 * sampleRate + (ms % 1000 * sampleRate + 999) / 1000;
}

void keepChapters(const std::vector<Chapter>& from, uint64_t durationMs,
                  std::vector<Chapter>& chapters, std::vector<uint32_t>& starts) {
  chapters.clear();
  starts.clear();
  for (const Chapter& chapter : from) {
    if (durationMs != 0 && chapter.startMs >= durationMs) continue;
    if (!starts.empty() && chapter.startMs <= starts.back()) continue;
    chapters.push_back(chapter);
    starts.push_back(chapter.startMs);
  }
  if (chapters.size() < 2) {
    chapters.clear();
    starts.clear();
  }
}

std::wstring chapterName(const std::vector<Chapter>& chapters, size_t index) {
  if (index < chapters.size() && !chapters[index].title.empty()) return chapters[index].title;
  std::wstring name(L"Chapter "sv);
  name.append(text::toDecimal(static_cast<uint64_t>(index) + 1));
  return name;
}

int clampVolume(int volume) { return std::clamp(volume, 0, 100); }

float gainForVolume(int volume) {
  const double v = clampVolume(volume) / 100.0;
  return static_cast<float>(v * v * v);
}

int WheelAccumulator::add(int delta) {
  // Summed in 64 bits: a flood of large deltas must not overflow.
  const int64_t sum = static_cast<int64_t>(remainder_) + delta;
  const int64_t steps = sum / kWheelDelta;
  remainder_ = static_cast<int>(sum - steps * kWheelDelta);
  return static_cast<int>(std::clamp<int64_t>(steps, -1000000, 1000000));
}

int64_t indexAfterRemoval(int64_t index, int64_t removed) {
  if (index < 0 || removed < 0) return index;
  if (index == removed) return -1;
  return index > removed ? index - 1 : index;
}

void recordRemovedScanIndex(std::vector<uint64_t>& removed, uint64_t row) {
  // Earlier removals below or at the running value shift the row back to its scan index.
  uint64_t scanIndex = row;
  for (uint64_t earlier : removed) {
    if (earlier <= scanIndex) ++scanIndex;
  }
  removed.insert(std::lower_bound(removed.begin(), removed.end(), scanIndex), scanIndex);
}

int64_t rowForScanIndex(const std::vector<uint64_t>& removed, uint64_t scanIndex) {
  const auto below = std::lower_bound(removed.begin(), removed.end(), scanIndex);
  if (below != removed.end() && *below == scanIndex) return -1;
  return static_cast<int64_t>(scanIndex - static_cast<uint64_t>(below - removed.begin()));
}
