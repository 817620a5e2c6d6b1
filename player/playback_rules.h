// The arithmetic and texts of playback control that need no operating system: load error
// texts, display titles from tags, the chapters a track keeps, time conversions, the mouse
// wheel's volume steps and the bookkeeping of removed rows for late titles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/tag_info.h"

constexpr int kVolumeStep = 5;               // percent per wheel notch
constexpr int kWheelDelta = 120;             // one notch
constexpr int kMaxUnplayable = 5;            // consecutive failures before giving up
constexpr uint64_t kRestartWithinMs = 3000;  // Previous goes back only this early in a track

// The status text of a loader error code; code 7 carries its own text.
std::wstring loadErrorText(uint8_t code, std::wstring_view message);

// Frames <-> milliseconds at a rate; exact, without overflow; 0 for an unknown rate.
uint64_t framesToMs(uint64_t frames, uint32_t sampleRate);
uint64_t msToFrames(uint64_t ms, uint32_t sampleRate);

// The chapters a track shows: those that start before its duration (0 = unknown: no limit)
// and strictly after the previously kept one; none when fewer than two remain.
void keepChapters(const std::vector<Chapter>& from, uint64_t durationMs,
                  std::vector<Chapter>& chapters, std::vector<uint32_t>& starts);

// "Chapter N" (1-based) for a chapter without a title.
std::wstring chapterName(const std::vector<Chapter>& chapters, size_t index);

int clampVolume(int volume);
float gainForVolume(int volume);  // (volume / 100)^3

// Sums wheel deltas; every whole notch is one volume step, the remainder waits for more.
class WheelAccumulator {
 public:
  // The whole steps (signed) this delta completes.
  int add(int delta);
  int remainder() const { return remainder_; }

 private:
  int remainder_ = 0;
};

// An index after the row `removed` left the list: -1 for the removed row itself, one less
// above it.
int64_t indexAfterRemoval(int64_t index, int64_t removed);

// Records that the row now at `row` was removed: its scan index goes into the sorted list.
void recordRemovedScanIndex(std::vector<uint64_t>& removed, uint64_t row);

// The row that holds a scan index now, or -1 when that row was removed.
int64_t rowForScanIndex(const std::vector<uint64_t>& removed, uint64_t scanIndex);
