#include "engine/stream_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/loaded_track.h"
#include "engine/mp3_byte_seek.h"

namespace {
constexpr uint64_t kRingSeconds = 10;
constexpr uint64_t kMinRingFrames = 8192;
// The thread decodes in chunks of this size and sleeps while less than that is free.
constexpr uint64_t kChunkFrames = 4096;
constexpr uint32_t kFullRingWaitMs = 500;
// After a seek the reader is about to discard the ring; look again soon rather than in 500 ms,
// but only for a while, in case playback is paused.
constexpr uint32_t kSeekCatchUpWaitMs = 10;
constexpr int kSeekCatchUpPolls = 25;
}  // namespace

StreamDecoder* StreamDecoder::create(std::unique_ptr<source::ByteSource> source) noexcept {
  if (!source) return nullptr;
  StreamDecoder* decoder = new (std::nothrow) StreamDecoder();
  if (!decoder) return nullptr;
  decoder->source_ = std::move(source);
  decoder->view_.source = decoder->source_.get();
  decoder->view_.size = decoder->source_->size();
  return decoder;
}

StreamDecoder::~StreamDecoder() {
  if (thread_.running()) {
    stop_.store(true, std::memory_order_release);
    wake_.set();
    source_->cancel();
    thread_.cancelSynchronousIo();
    thread_.join();
  }
  if (decoderReady_) ma_decoder_uninit(&decoder_);
  reader_.reset();
}

void StreamDecoder::addRef() noexcept { refCount_.fetch_add(1, std::memory_order_relaxed); }

void StreamDecoder::release() noexcept {
  if (refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

StreamDecoder::OpenResult StreamDecoder::openMiniaudio(ma_encoding_format format) noexcept {
  if (decoderReady_ || thread_.running()) return OpenResult::NotPlayable;
  ma_result result = decoding::openOverView(view_, format, decoder_);
  if (result != MA_SUCCESS) {
    if (source_->mediumLost()) return OpenResult::MediumLost;
    return result == MA_OUT_OF_MEMORY ? OpenResult::OutOfMemory : OpenResult::NotPlayable;
  }
  decoderReady_ = true;
  sampleRate = decoder_.outputSampleRate;
  ma_uint64 length = 0;
  if (sampleRate == 0 || sampleRate > decoding::kMaxSampleRate ||
      ma_decoder_get_length_in_pcm_frames(&decoder_, &length) != MA_SUCCESS || length == 0 ||
      ma_decoder_seek_to_pcm_frame(&decoder_, 0) != MA_SUCCESS) {
    return source_->mediumLost() ? OpenResult::MediumLost : OpenResult::NotPlayable;
  }
  lengthFrames = length;
  return startThread();
}

StreamDecoder::OpenResult StreamDecoder::openMp3ByteSeek() noexcept {
  if (decoderReady_ || reader_ || thread_.running()) return OpenResult::NotPlayable;
  if (!findMp3StreamInfo(*source_, mp3Info_)) return OpenResult::NotPlayable;
  byteSeek_ = true;
  const ma_result result = openMp3AtOffset(view_, 0, decoder_);
  if (result != MA_SUCCESS) {
    return result == MA_OUT_OF_MEMORY ? OpenResult::OutOfMemory : OpenResult::NotPlayable;
  }
  decoderReady_ = true;
  sampleRate = decoder_.outputSampleRate;
  if (sampleRate == 0 || sampleRate > decoding::kMaxSampleRate) return OpenResult::NotPlayable;
  const uint64_t size = view_.size;
  const uint64_t audioBytes = size == source::kUnknownSize       ? source::kUnknownSize
                              : size > mp3Info_.firstFrameOffset ? size - mp3Info_.firstFrameOffset
                                                                 : 0;
  lengthFrames = mp3LengthInFrames(mp3Info_, audioBytes);
  lengthIsEstimate = true;
  return startThread();
}

StreamDecoder::OpenResult StreamDecoder::openReader(std::unique_ptr<FrameReader> reader,
                                                    uint32_t rate, uint64_t length,
                                                    bool seekable) noexcept {
  if (decoderReady_ || reader_ || thread_.running() || !reader) return OpenResult::NotPlayable;
  if (rate == 0 || rate > decoding::kMaxSampleRate || length == 0) return OpenResult::NotPlayable;
  reader_ = std::move(reader);
  sampleRate = rate;
  lengthFrames = length;
  readerSeekable_ = seekable;
  return startThread();
}

StreamDecoder::OpenResult StreamDecoder::startThread() noexcept {
  capacity_ = std::max<uint64_t>(uint64_t{sampleRate} * kRingSeconds, kMinRingFrames);
  ring_.reset(new (std::nothrow) float[capacity_ * 2]);
  if (!ring_ || !wake_.valid()) return OpenResult::OutOfMemory;
  if (!thread_.start([this] { threadMain(); })) return OpenResult::OutOfMemory;
  return OpenResult::Ok;
}

void StreamDecoder::requestSeek(uint64_t targetFrame) noexcept {
  seekTarget_.store(targetFrame, std::memory_order_relaxed);
  seekRequestCounter.fetch_add(1, std::memory_order_acq_rel);
  wake_.set();
}

void StreamDecoder::setRepeatOne(bool on) noexcept {
  if (repeatOne_.exchange(on, std::memory_order_acq_rel) != on) wake_.set();
}

bool StreamDecoder::readingIdle() const noexcept {
  if (seekRequestCounter.load(std::memory_order_acquire) !=
      servedCounter.load(std::memory_order_acquire)) {
    return false;
  }
  if (endMark.load(std::memory_order_acquire) != kNoMark) return true;
  uint64_t freeFrames = capacity_ + readCount.load(std::memory_order_acquire) -
                        writeCount.load(std::memory_order_acquire);
  return freeFrames < kChunkFrames;
}

StreamDecoder::SeekState StreamDecoder::serviceSeek(LoadedTrack& track) noexcept {
  int32_t request = seekRequestCounter.load(std::memory_order_acquire);
  if (request == track.lastSeekSeen) return SeekState::None;
  if (servedCounter.load(std::memory_order_acquire) != request) return SeekState::Waiting;
  uint64_t seekWrite = servedWriteCount.load(std::memory_order_relaxed);
  uint64_t target = servedTarget.load(std::memory_order_relaxed);
  uint64_t read = readCount.load(std::memory_order_relaxed);
  if (read < seekWrite) {
    // Everything decoded before the seek is dropped.
    read = seekWrite;
    readCount.store(read, std::memory_order_release);
  }
  track.positionFrames = target + (read - seekWrite);
  track.lastSeekSeen = request;
  return SeekState::Served;
}

uint64_t StreamDecoder::drain(LoadedTrack& track, float* out, uint64_t frames,
                              DrainResult& result) noexcept {
  const uint64_t written = writeCount.load(std::memory_order_acquire);
  const uint64_t end = endMark.load(std::memory_order_acquire);
  const uint64_t loop = loopMark.load(std::memory_order_acquire);
  const uint64_t read = readCount.load(std::memory_order_relaxed);
  const uint64_t limit = std::min(written, end);
  const uint64_t count = std::min(limit > read ? limit - read : 0, frames);

  uint64_t done = 0;
  while (done < count) {
    uint64_t slot = (read + done) % capacity_;
    uint64_t run = std::min(count - done, capacity_ - slot);
    std::memcpy(out + done * 2, ring_.get() + slot * 2,
                static_cast<size_t>(run) * 2 * sizeof(float));
    done += run;
  }
  readCount.store(read + count, std::memory_order_release);

  if (count > 0) {
    // The loop mark is the write count of a track restart: from that frame on the position
    // counts from 0 again.
    if (loop != kNoMark && loop >= read && loop < read + count) {
      track.positionFrames = read + count - loop;
    } else {
      track.positionFrames += count;
    }
    if (lengthFrames != 0 && track.positionFrames > lengthFrames) {
      track.positionFrames = lengthIsEstimate ? lengthFrames : track.positionFrames % lengthFrames;
    }
  }

  if (count == frames) {
    result = DrainResult::Full;
  } else if (end != kNoMark && read + count >= end) {
    result = DrainResult::Ended;
  } else {
    result = DrainResult::Underrun;
  }
  return count;
}

void StreamDecoder::threadMain() noexcept {
  try {
    run();
  } catch (...) {
    // Only the loop-mark list allocates; without memory the data simply ends here.
    endMark.store(writeCount.load(std::memory_order_relaxed), std::memory_order_release);
  }
}

bool StreamDecoder::seekDecoder(uint64_t frame) noexcept {
  if (reader_) return reader_->seek(frame);
  if (byteSeek_) {
    // A new decoder from the estimated offset: it finds the next frame boundary itself.
    uint64_t offset = 0;
    if (!mp3SeekOffset(mp3Info_, view_.size, lengthFrames, frame, offset)) return false;
    if (decoderReady_) ma_decoder_uninit(&decoder_);
    decoderReady_ = openMp3AtOffset(view_, offset, decoder_) == MA_SUCCESS;
    return decoderReady_;
  }
  return decoderReady_ && decoding::seekToFrame(decoder_, frame) == MA_SUCCESS;
}

uint64_t StreamDecoder::decodeInto(float* out, uint64_t frames) noexcept {
  if (reader_) return std::min(reader_->read(out, frames), frames);
  if (!decoderReady_) return 0;
  ma_uint64 got = 0;
  // A short count with MA_AT_END or an error both end the data; the count is what matters.
  ma_decoder_read_pcm_frames(&decoder_, out, frames, &got);
  return std::min<uint64_t>(got, frames);
}

void StreamDecoder::markLoop(uint64_t mark) {
  // Marks the reader has passed are never needed again; dropping them keeps the list bounded
  // when a very short track loops many times.
  const uint64_t read = readCount.load(std::memory_order_acquire);
  while (!pendingLoopMarks_.empty() && pendingLoopMarks_.front() < read) {
    pendingLoopMarks_.pop_front();
  }
  pendingLoopMarks_.push_back(mark);
  loopMark.store(mark, std::memory_order_release);
}

void StreamDecoder::run() {
  // Set by a repeat-one restart until a frame arrives: a track that yields nothing after a
  // restart ends instead of restarting forever without progress.
  bool restartedEmpty = false;
  int catchUpPolls = 0;
  while (!stop_.load(std::memory_order_acquire)) {
    const int32_t request = seekRequestCounter.load(std::memory_order_acquire);
    if (request != servedCounter.load(std::memory_order_relaxed)) {
      pendingLoopMarks_.clear();
      const uint64_t target = std::min(seekTarget_.load(std::memory_order_relaxed), lengthFrames);
      const bool ok = seekDecoder(target);
      const uint64_t written = writeCount.load(std::memory_order_relaxed);
      endMark.store(ok ? kNoMark : written, std::memory_order_release);
      servedWriteCount.store(written, std::memory_order_relaxed);
      servedTarget.store(target, std::memory_order_relaxed);
      servedCounter.store(request, std::memory_order_release);
      restartedEmpty = false;
      catchUpPolls = 0;
      continue;
    }

    const bool repeat = repeatOne_.load(std::memory_order_acquire);
    uint64_t end = endMark.load(std::memory_order_relaxed);
    const uint64_t written = writeCount.load(std::memory_order_relaxed);
    if (!repeat) {
      if (!pendingLoopMarks_.empty()) {
        // Repeat-one was switched off: the data ends where the next repetition starts.
        const uint64_t read = readCount.load(std::memory_order_acquire);
        for (uint64_t mark : pendingLoopMarks_) {
          if (mark >= read) {
            end = mark;
            endMark.store(end, std::memory_order_release);
            break;
          }
        }
        pendingLoopMarks_.clear();
      }
      if (end != kNoMark) {
        wake_.wait(base::WakeEvent::kForever);
        continue;
      }
    } else if (end != kNoMark) {
      if (end != written) {
        // Ended at a loop mark: what follows it is already the next repetition.
        markLoop(end);
        endMark.store(kNoMark, std::memory_order_release);
      } else if (!restartedEmpty && seekDecoder(0)) {
        markLoop(end);
        endMark.store(kNoMark, std::memory_order_release);
        restartedEmpty = true;
      } else {
        wake_.wait(base::WakeEvent::kForever);
        continue;
      }
    }

    const uint64_t read = readCount.load(std::memory_order_acquire);
    if (capacity_ + read - written < kChunkFrames) {
      const bool readerBehindSeek = read < servedWriteCount.load(std::memory_order_relaxed);
      if (readerBehindSeek && catchUpPolls < kSeekCatchUpPolls) {
        ++catchUpPolls;
        wake_.wait(kSeekCatchUpWaitMs);
      } else {
        wake_.wait(kFullRingWaitMs);
      }
      continue;
    }

    const uint64_t slot = written % capacity_;
    const uint64_t want = std::min(kChunkFrames, capacity_ - slot);
    const uint64_t got = decodeInto(ring_.get() + slot * 2, want);
    const uint64_t now = written + got;
    writeCount.store(now, std::memory_order_release);
    if (got > 0) restartedEmpty = false;
    if (got < want) {
      if (repeat && !restartedEmpty && seekDecoder(0)) {
        markLoop(now);
        restartedEmpty = true;
      } else {
        endMark.store(now, std::memory_order_release);
      }
    }
  }
}
