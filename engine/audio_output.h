// The playback device and its data callback: pulls float stereo frames from the current
// track, resamples them to the device rate, applies the gain and moves on to the prepared
// next track without a gap. The user-interface thread talks to the callback only through
// atomic slots and published values; the callback never allocates, frees, locks or blocks.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/loaded_track.h"
#include "miniaudio.h"

class AudioOutput {
 public:
  static constexpr uint32_t kPeriodMs = 20;
  static constexpr uint32_t kLpfOrder = 8;
  static constexpr uint32_t kInputFrames = 1024;  // resampler input buffer
  static constexpr uint32_t kRetiredSlots = 8;
  static constexpr uint32_t kOverflowSlots = 4;

  AudioOutput() noexcept;
  ~AudioOutput();  // closeDevice
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // All of these run on the user-interface thread.

  // Default backend and device, float stereo at the device's own rate, 20 ms periods.
  bool openDevice() noexcept;
  // Starts the device; when that fails (or it is not open) re-creates it on the current
  // default output and starts that.
  bool ensureStarted() noexcept;
  // Uninitialises device and resampler and destroys every track the output holds.
  void closeDevice() noexcept;
  // Stops the device; the tracks stay.
  void pause() noexcept;

  bool deviceOpen() const noexcept { return deviceReady_; }
  // True when the device is not running: never opened, paused, or stopped by the system
  // (the output device went away).
  bool deviceStopped() const noexcept;
  // The device rate once the resampler is set up, else 0.
  uint32_t outputRate() const noexcept { return outputRate_; }

  // Sets up the resampler for a device running at `rate` (openDevice uses it with the
  // device's rate; tests use it to drive render() without a device). Only while the callback
  // is not running. False when the resampler cannot be created.
  bool setOutputRate(uint32_t rate) noexcept;

  // Puts a track into the pending current slot; a track that was still waiting there (the
  // callback never took it) is destroyed here. Null just empties the slot.
  void handOver(LoadedTrackPtr track) noexcept;
  // The same for the pending next slot (the track to continue with, gaplessly).
  void handOverNext(LoadedTrackPtr track) noexcept;

  // The radio stopped: the tracks that play a radio ring go, so that its memory is released
  // now rather than when another track replaces them. The pending ones are destroyed here;
  // the current one is retired by the callback, or here when the device is not running.
  void dropRadio() noexcept;

  // Seek of a memory-decoded track, in frames at the track's rate; a negative value clears
  // a seek that was not applied yet. Stream-decoded tracks seek through their StreamDecoder.
  void seek(int64_t frame) noexcept;
  // Destroys the tracks the callback has retired.
  void drainRetired() noexcept;
  // Volume 0..100; the gain is (volume / 100)^3.
  void setGain(int volume) noexcept;
  void setRepeatOne(bool on) noexcept;

  // Published by the callback.
  int32_t trackId() const noexcept { return publishedTrackId_.load(std::memory_order_acquire); }
  uint64_t position() const noexcept { return publishedPosition_.load(std::memory_order_acquire); }
  int32_t trackChangeCounter() const noexcept {
    return trackChangeCounter_.load(std::memory_order_acquire);
  }
  bool finished() const noexcept { return finished_.load(std::memory_order_acquire); }
  bool underrun() const noexcept { return underrun_.load(std::memory_order_acquire); }
  float gain() const noexcept { return gain_.load(std::memory_order_relaxed); }

  // The data callback: fills `frames` interleaved stereo float frames. Called by the
  // device thread; tests call it directly after setOutputRate.
  void render(float* out, uint32_t frames) noexcept;

 private:
  static void dataCallback(ma_device* device, void* output, const void* input, ma_uint32 frames);

  // Callback side.
  void takeCurrent(LoadedTrack* track) noexcept;
  bool retireRadio() noexcept;
  void retire(LoadedTrack* track) noexcept;
  void moveOverflowToRing() noexcept;
  void resetResampler() noexcept;
  uint32_t fill(float* out, uint32_t frames) noexcept;
  uint32_t readFrames(float* out, uint32_t frames) noexcept;

  ma_device device_;  // first, so the device's user data is this object
  bool deviceReady_ = false;
  uint32_t outputRate_ = 0;

  ma_linear_resampler resampler_;
  bool resamplerReady_ = false;
  uint32_t resamplerInRate_ = 0;
  float inBuffer_[kInputFrames * 2];
  uint32_t inRead_ = 0;
  uint32_t inCount_ = 0;

  std::atomic<LoadedTrack*> pendingCurrent_{nullptr};
  std::atomic<LoadedTrack*> pendingNext_{nullptr};
  std::atomic<int64_t> pendingSeek_{-1};
  std::atomic<bool> dropRadio_{false};

  std::atomic<float> gain_{1.0f};
  std::atomic<bool> repeatOne_{false};

  std::atomic<int32_t> publishedTrackId_{-1};
  std::atomic<uint64_t> publishedPosition_{0};
  std::atomic<int32_t> trackChangeCounter_{0};
  std::atomic<bool> finished_{true};
  std::atomic<bool> underrun_{false};

  // Single producer (callback), single consumer (user-interface thread); slot = index % 8.
  LoadedTrack* retired_[kRetiredSlots] = {};
  std::atomic<uint32_t> retiredProducer_{0};
  std::atomic<uint32_t> retiredConsumer_{0};

  // Callback-private.
  LoadedTrack* current_ = nullptr;
  uint64_t position_ = 0;
  bool ended_ = false;
  bool radioRebuffering_ = false;
  bool streamUnderrun_ = false;
  // Retired tracks waiting for room in the ring, oldest first.
  LoadedTrack* overflow_[kOverflowSlots] = {};
  uint32_t overflowCount_ = 0;
};
