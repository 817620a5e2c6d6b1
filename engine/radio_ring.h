// The ring an internet-radio stream plays from: twenty minutes of 16-bit stereo frames at the
// stream's rate, written by the stream thread and read by the audio callback without locks.
// The memory is reserved whole and committed per 1 MiB chunk as audio arrives; chunks that
// have been played are decommitted again. Shared by the stream thread, the window and the
// audio output through a reference count; live() counts the rings not yet freed.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "base/live_record_count.h"

struct RadioRing : LiveRecordCount<RadioRing> {
  static constexpr uint32_t kSeconds = 1200;
  static constexpr uint32_t kFrameBytes = 4;  // left, right: signed 16-bit
  static constexpr uint64_t kChunkBytes = 1 << 20;
  static constexpr uint32_t kMaxSampleRate = 384000;

  // Twenty minutes plus the one frame that always stays free.
  static constexpr uint32_t capacityFor(uint32_t sampleRate) { return sampleRate * kSeconds + 1; }

  // A ring for `sampleRate` (1..384000) holding one reference, the creator's. Null when the
  // rate is out of range or the address space cannot be reserved.
  static RadioRing* create(uint32_t sampleRate) noexcept;

  void retain() noexcept;
  // Drops one reference; the last one frees the memory and the ring.
  void release() noexcept;

  // Stream thread: stores up to `count` interleaved frames, as many as are free; 0 also when
  // memory cannot be committed.
  uint32_t write(const int16_t* frames, uint32_t count) noexcept;
  // Audio callback: takes up to `count` frames as floats (sample / 32768), interleaved
  // stereo. Never blocks, allocates or touches the page tables.
  uint32_t read(float* out, uint32_t count) noexcept;

  uint32_t buffered() const noexcept;
  uint32_t capacity() const noexcept { return capacity_; }
  uint32_t sampleRate() const noexcept { return sampleRate_; }
  // Frames the audio output waits for after running dry before it plays again.
  uint32_t rebufferTarget() const noexcept {
    const uint32_t half = (capacity_ - 1) / 2;
    return sampleRate_ < half ? sampleRate_ : half;
  }

  // The writer's view of the reservation (stream thread, or tests).
  uint32_t chunkCount() const noexcept { return chunkCount_; }
  bool chunkCommitted(uint32_t chunk) const noexcept;
  uint32_t committedChunks() const noexcept;
  const uint8_t* memory() const noexcept { return memory_; }

 private:
  RadioRing() = default;
  ~RadioRing();
  RadioRing(const RadioRing&) = delete;
  RadioRing& operator=(const RadioRing&) = delete;

  uint64_t chunkEnd(uint32_t chunk) const noexcept;
  bool commitBytes(uint64_t offset, uint64_t bytes) noexcept;
  void decommitFree(uint32_t writeIndex, uint32_t readIndex) noexcept;

  std::atomic<int32_t> references_{1};
  uint8_t* memory_ = nullptr;
  uint64_t byteCapacity_ = 0;
  std::vector<uint32_t> committed_;  // one bit per chunk
  uint32_t chunkCount_ = 0;
  uint32_t capacity_ = 0;  // frames
  uint32_t sampleRate_ = 0;
  alignas(64) std::atomic<uint32_t> writeIndex_{0};
  alignas(64) std::atomic<uint32_t> readIndex_{0};
};
