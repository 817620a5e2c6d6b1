#include "engine/audio_output.h"

#include <cstring>
#include <initializer_list>

#include "engine/radio_ring.h"
#include "engine/stream_decoder.h"

namespace {

// miniaudio 0.11's filter resets clear the first channel's state only: the other channels
// would carry a tail of the audio before a seek or a track change into the next one.
void clearFilterState(ma_lpf& lpf) noexcept {
  for (ma_uint32 i = 0; i < lpf.lpf1Count; ++i) {
    for (ma_uint32 c = 0; c < lpf.channels; ++c) lpf.pLPF1[i].pR1[c] = {};
  }
  for (ma_uint32 i = 0; i < lpf.lpf2Count; ++i) {
    for (ma_uint32 c = 0; c < lpf.channels; ++c) {
      lpf.pLPF2[i].bq.pR1[c] = {};
      lpf.pLPF2[i].bq.pR2[c] = {};
    }
  }
}

bool isMemoryDecoded(const LoadedTrack& track) {
  return track.memoryImage != nullptr && track.memoryDecoderReady;
}

}  // namespace

AudioOutput::AudioOutput() noexcept {
  std::memset(&device_, 0, sizeof(device_));
  std::memset(&resampler_, 0, sizeof(resampler_));
}

AudioOutput::~AudioOutput() { closeDevice(); }

bool AudioOutput::openDevice() noexcept {
  if (deviceReady_) return true;
  ma_device_config config = ma_device_config_init(ma_device_type_playback);
  config.dataCallback = &AudioOutput::dataCallback;
  config.pUserData = this;
  config.playback.format = ma_format_f32;
  config.playback.channels = 2;
  config.sampleRate = 0;  // the device's own rate
  config.periodSizeInMilliseconds = kPeriodMs;
  config.noPreSilencedOutputBuffer = MA_TRUE;  // the callback writes every sample
  if (ma_device_init(nullptr, &config, &device_) != MA_SUCCESS) return false;
  if (!setOutputRate(device_.sampleRate)) {
    ma_device_uninit(&device_);
    return false;
  }
  deviceReady_ = true;
  return true;
}

bool AudioOutput::setOutputRate(uint32_t rate) noexcept {
  if (resamplerReady_) {
    ma_linear_resampler_uninit(&resampler_, nullptr);
    resamplerReady_ = false;
  }
  ma_linear_resampler_config config = ma_linear_resampler_config_init(ma_format_f32, 2, rate, rate);
  config.lpfOrder = kLpfOrder;
  if (rate == 0 || ma_linear_resampler_init(&config, nullptr, &resampler_) != MA_SUCCESS) {
    outputRate_ = 0;
    return false;
  }
  resamplerReady_ = true;
  resamplerInRate_ = rate;
  inRead_ = 0;
  inCount_ = 0;
  outputRate_ = rate;
  return true;
}

bool AudioOutput::ensureStarted() noexcept {
  if (deviceReady_) {
    if (ma_device_start(&device_) == MA_SUCCESS) return true;
    if (ma_device_get_state(&device_) == ma_device_state_started) return true;
    ma_device_uninit(&device_);
    deviceReady_ = false;
  }
  // The callback is not running here, so its tracks and position simply carry over to the
  // new device.
  if (!openDevice()) return false;
  return ma_device_start(&device_) == MA_SUCCESS;
}

void AudioOutput::pause() noexcept {
  if (deviceReady_) ma_device_stop(&device_);
  // A drop the callback did not get to before the device stopped.
  if (deviceStopped() && dropRadio_.exchange(false, std::memory_order_acq_rel) && !retireRadio()) {
    dropRadio_.store(true, std::memory_order_release);
  }
}

bool AudioOutput::deviceStopped() const noexcept {
  return !deviceReady_ || ma_device_get_state(&device_) == ma_device_state_stopped;
}

void AudioOutput::closeDevice() noexcept {
  if (deviceReady_) {
    ma_device_uninit(&device_);
    deviceReady_ = false;
  }
  if (resamplerReady_) {
    ma_linear_resampler_uninit(&resampler_, nullptr);
    resamplerReady_ = false;
  }
  outputRate_ = 0;
  inRead_ = 0;
  inCount_ = 0;

  // No callback runs from here on, so its private state is ours.
  drainRetired();
  for (uint32_t i = 0; i < overflowCount_; ++i) destroyLoadedTrack(overflow_[i]);
  overflowCount_ = 0;
  destroyLoadedTrack(current_);
  current_ = nullptr;
  destroyLoadedTrack(pendingCurrent_.exchange(nullptr, std::memory_order_acq_rel));
  destroyLoadedTrack(pendingNext_.exchange(nullptr, std::memory_order_acq_rel));
  ended_ = false;
  radioRebuffering_ = false;
  position_ = 0;
  publishedTrackId_.store(-1, std::memory_order_release);
  finished_.store(true, std::memory_order_release);
}

void AudioOutput::handOver(LoadedTrackPtr track) noexcept {
  destroyLoadedTrack(pendingCurrent_.exchange(track.release(), std::memory_order_acq_rel));
}

void AudioOutput::handOverNext(LoadedTrackPtr track) noexcept {
  destroyLoadedTrack(pendingNext_.exchange(track.release(), std::memory_order_acq_rel));
}

void AudioOutput::dropRadio() noexcept {
  // Only this thread fills the slots: a track still there after the check is ours to take.
  for (std::atomic<LoadedTrack*>* slot : {&pendingCurrent_, &pendingNext_}) {
    LoadedTrack* track = slot->load(std::memory_order_acquire);
    if (track && track->radioRing && slot->compare_exchange_strong(track, nullptr)) {
      destroyLoadedTrack(track);
    }
  }
  if (deviceStopped() && retireRadio()) {
    drainRetired();
    return;
  }
  dropRadio_.store(true, std::memory_order_release);
}

void AudioOutput::seek(int64_t frame) noexcept {
  pendingSeek_.store(frame < 0 ? -1 : frame, std::memory_order_release);
}

void AudioOutput::drainRetired() noexcept {
  uint32_t consumer = retiredConsumer_.load(std::memory_order_relaxed);
  while (consumer != retiredProducer_.load(std::memory_order_acquire)) {
    LoadedTrack* track = retired_[consumer % kRetiredSlots];
    retiredConsumer_.store(++consumer, std::memory_order_release);
    if (!track) break;
    destroyLoadedTrack(track);
  }
}

void AudioOutput::setGain(int volume) noexcept {
  if (volume < 0) volume = 0;
  if (volume > 100) volume = 100;
  const double v = volume / 100.0;
  gain_.store(static_cast<float>(v * v * v), std::memory_order_relaxed);
}

void AudioOutput::setRepeatOne(bool on) noexcept {
  repeatOne_.store(on, std::memory_order_relaxed);
}

void AudioOutput::dataCallback(ma_device* device, void* output, const void*, ma_uint32 frames) {
  static_cast<AudioOutput*>(device->pUserData)->render(static_cast<float*>(output), frames);
}

void AudioOutput::retire(LoadedTrack* track) noexcept {
  if (!track) return;
  const uint32_t producer = retiredProducer_.load(std::memory_order_relaxed);
  const uint32_t consumer = retiredConsumer_.load(std::memory_order_acquire);
  if (overflowCount_ == 0 && producer - consumer < kRetiredSlots) {
    retired_[producer % kRetiredSlots] = track;
    retiredProducer_.store(producer + 1, std::memory_order_release);
  } else {
    // Callers only switch tracks while the overflow list has room, so nothing is dropped.
    overflow_[overflowCount_++] = track;
  }
}

void AudioOutput::moveOverflowToRing() noexcept {
  if (overflowCount_ == 0) return;
  uint32_t producer = retiredProducer_.load(std::memory_order_relaxed);
  const uint32_t consumer = retiredConsumer_.load(std::memory_order_acquire);
  uint32_t moved = 0;
  while (moved < overflowCount_ && producer - consumer < kRetiredSlots) {
    retired_[producer % kRetiredSlots] = overflow_[moved++];
    ++producer;
  }
  retiredProducer_.store(producer, std::memory_order_release);
  for (uint32_t i = moved; i < overflowCount_; ++i) overflow_[i - moved] = overflow_[i];
  overflowCount_ -= moved;
}

void AudioOutput::resetResampler() noexcept {
  inRead_ = 0;
  inCount_ = 0;
  if (resamplerReady_) {
    ma_linear_resampler_reset(&resampler_);
    clearFilterState(resampler_.lpf);
  }
}

void AudioOutput::takeCurrent(LoadedTrack* track) noexcept {
  retire(current_);
  current_ = track;
  ended_ = false;
  radioRebuffering_ = false;
  position_ = 0;
  // Never pair the new id with the old track's position.
  publishedPosition_.store(0, std::memory_order_release);
  publishedTrackId_.store(track->trackId, std::memory_order_release);
  trackChangeCounter_.fetch_add(1, std::memory_order_acq_rel);
}

// Callback side, or the user-interface thread while no callback runs. False when the retired
// tracks have no room yet.
bool AudioOutput::retireRadio() noexcept {
  if (!current_ || !current_->radioRing) return true;
  if (overflowCount_ >= kOverflowSlots) return false;
  retire(current_);
  current_ = nullptr;
  ended_ = false;
  radioRebuffering_ = false;
  position_ = 0;
  inRead_ = 0;
  inCount_ = 0;
  publishedPosition_.store(0, std::memory_order_release);
  publishedTrackId_.store(-1, std::memory_order_release);
  finished_.store(true, std::memory_order_release);
  underrun_.store(false, std::memory_order_release);
  return true;
}

void AudioOutput::render(float* out, uint32_t frames) noexcept {
  moveOverflowToRing();

  // Before a pending track is taken: that one came after the drop.
  if (dropRadio_.exchange(false, std::memory_order_acq_rel) && !retireRadio()) {
    dropRadio_.store(true, std::memory_order_release);
  }

  if (overflowCount_ < kOverflowSlots) {
    if (LoadedTrack* track = pendingCurrent_.exchange(nullptr, std::memory_order_acq_rel)) {
      takeCurrent(track);
      resetResampler();
    }
  }

  // A stream seek is served by the decoding thread; until then the ring still holds audio
  // from before the seek, which must not be heard.
  bool streamSeekPending = false;
  if (current_ && current_->streamDecoder) {
    switch (current_->streamDecoder->serviceSeek(*current_)) {
      case StreamDecoder::SeekState::None:
        break;
      case StreamDecoder::SeekState::Waiting:
        streamSeekPending = true;
        break;
      case StreamDecoder::SeekState::Served:
        position_ = current_->positionFrames;
        ended_ = false;
        resetResampler();
        break;
    }
  }

  // While a new track waits in the pending slot the seek belongs to it: the player stores
  // the start position right after handing the track over.
  if (pendingCurrent_.load(std::memory_order_acquire) == nullptr) {
    const int64_t target = pendingSeek_.exchange(-1, std::memory_order_acq_rel);
    if (target >= 0 && current_ && isMemoryDecoded(*current_)) {
      uint64_t frame = static_cast<uint64_t>(target);
      if (current_->lengthFrames != 0 && frame > current_->lengthFrames) {
        frame = current_->lengthFrames;
      }
      if (decoding::seekToFrame(current_->memoryDecoder, frame) == MA_SUCCESS) {
        position_ = frame;
        ended_ = false;
        resetResampler();
      }
    }
  }

  streamUnderrun_ = false;
  const uint32_t produced = streamSeekPending ? 0 : fill(out, frames);

  const bool radio = current_ && current_->radioRing;
  underrun_.store((radio && produced < frames) || streamUnderrun_, std::memory_order_release);

  if (produced < frames) {
    std::memset(out + size_t(produced) * 2, 0, size_t(frames - produced) * 2 * sizeof(float));
  }

  const float gain = gain_.load(std::memory_order_relaxed);
  if (gain != 1.0f) {
    const size_t samples = size_t(frames) * 2;
    for (size_t i = 0; i < samples; ++i) out[i] *= gain;
  }

  publishedPosition_.store(position_, std::memory_order_release);
  finished_.store(!current_ || (ended_ && inCount_ == 0), std::memory_order_release);
}

uint32_t AudioOutput::fill(float* out, uint32_t frames) noexcept {
  uint32_t produced = 0;
  while (produced < frames && current_) {
    const uint32_t rateUsed = current_->sampleRate;
    bool progressed;
    if (inCount_ > 0 || (outputRate_ != 0 && rateUsed != outputRate_ && resamplerReady_)) {
      // Frames already in the input buffer belong to the rate they were read at, so the
      // rate changes only once the buffer is empty.
      if (inCount_ == 0 && rateUsed != resamplerInRate_ &&
          ma_linear_resampler_set_rate(&resampler_, rateUsed, outputRate_) == MA_SUCCESS) {
        resamplerInRate_ = rateUsed;
      }
      if (inCount_ == 0) {
        ma_uint64 needed = 0;
        ma_linear_resampler_get_required_input_frame_count(&resampler_, frames - produced, &needed);
        if (needed < 1) needed = 1;
        if (needed > kInputFrames) needed = kInputFrames;
        inRead_ = 0;
        inCount_ = readFrames(inBuffer_, static_cast<uint32_t>(needed));
      }
      ma_uint64 consumed = inCount_;
      ma_uint64 made = frames - produced;
      ma_linear_resampler_process_pcm_frames(&resampler_, inBuffer_ + size_t(inRead_) * 2,
                                             &consumed, out + size_t(produced) * 2, &made);
      inRead_ += static_cast<uint32_t>(consumed);
      inCount_ -= static_cast<uint32_t>(consumed);
      produced += static_cast<uint32_t>(made);
      progressed = consumed > 0 || made > 0;
    } else {
      const uint32_t got = readFrames(out + size_t(produced) * 2, frames - produced);
      produced += got;
      progressed = got > 0;
    }
    if (!progressed) {
      if (ended_ || !current_) break;
      // Nothing came at this rate; go round again only when the track changed to one with
      // another rate, so that the resampler is set up for it.
      if (current_->sampleRate == rateUsed) break;
    }
  }
  return produced;
}

uint32_t AudioOutput::readFrames(float* out, uint32_t frames) noexcept {
  uint32_t delivered = 0;
  if (current_ && current_->radioRing) {
    RadioRing& ring = *current_->radioRing;
    // Once dry, wait for a second (or half the ring) so that a slow station does not
    // stutter period by period.
    if (radioRebuffering_ && ring.buffered() < ring.rebufferTarget()) return 0;
    radioRebuffering_ = false;
    delivered = ring.read(out, frames);
    position_ += delivered;
    if (delivered < frames) radioRebuffering_ = true;
    return delivered;
  }
  const bool repeatOne = repeatOne_.load(std::memory_order_relaxed);
  while (delivered < frames && current_) {
    if (ended_) {
      if (repeatOne) {
        // A stream-decoded track loops inside its decoding thread.
        if (isMemoryDecoded(*current_)) {
          if (ma_decoder_seek_to_pcm_frame(&current_->memoryDecoder, 0) != MA_SUCCESS) break;
          position_ = 0;
        }
        ended_ = false;
      } else {
        if (overflowCount_ > kOverflowSlots - 1) break;
        LoadedTrack* next = pendingNext_.exchange(nullptr, std::memory_order_acq_rel);
        if (!next) break;
        const uint32_t previousRate = current_->sampleRate;
        takeCurrent(next);
        // The caller has to set the resampler up for the new rate first.
        if (next->sampleRate != previousRate) break;
        if (next->radioRing) break;
      }
    }

    LoadedTrack& track = *current_;
    float* at = out + size_t(delivered) * 2;
    const uint32_t wanted = frames - delivered;
    if (track.streamDecoder) {
      StreamDecoder::DrainResult result = StreamDecoder::DrainResult::Full;
      const uint64_t got = track.streamDecoder->drain(track, at, wanted, result);
      delivered += static_cast<uint32_t>(got);
      position_ = track.positionFrames;
      if (got < wanted) {
        if (result != StreamDecoder::DrainResult::Ended) {
          streamUnderrun_ = true;
          break;
        }
        if (repeatOne) break;  // the decoding thread is restarting the track
        ended_ = true;
      }
    } else if (isMemoryDecoded(track)) {
      ma_uint64 got = 0;
      ma_decoder_read_pcm_frames(&track.memoryDecoder, at, wanted, &got);
      delivered += static_cast<uint32_t>(got);
      position_ += got;
      if (got < wanted) {
        ended_ = true;
        // An empty track must not loop forever.
        if (got == 0 && repeatOne && position_ == 0) break;
      }
    } else {
      ended_ = true;  // nothing to read from
    }
  }
  return delivered;
}
