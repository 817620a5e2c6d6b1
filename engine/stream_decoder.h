// A track decoded by a thread of its own from a byte source into a ring of float stereo
// frames that the audio callback drains without locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>

#include "base/thread.h"
#include "base/wake_event.h"
#include "engine/decoder_io.h"
#include "engine/frame_reader.h"
#include "engine/mp3_stream_info.h"
#include "engine/source/byte_source.h"
#include "miniaudio.h"

struct LoadedTrack;

// Reference counted: the loaded track holds one reference and the player may take a second
// one; whichever thread drops the last one destroys the decoder and joins its thread.
class StreamDecoder {
 public:
  enum class OpenResult { Ok, NotPlayable, OutOfMemory, NeedsFeaturePack, Protected, MediumLost };
  enum class DrainResult { Full, Underrun, Ended };

  // Takes the source (deleted again when this fails). Null when memory runs out.
  static StreamDecoder* create(std::unique_ptr<source::ByteSource> source) noexcept;

  // Opens miniaudio over the source with the given format (retrying with the unknown format)
  // and starts the decoding thread. On failure the caller releases the decoder.
  OpenResult openMiniaudio(ma_encoding_format format) noexcept;

  // MP3 over a network source: no seek table, seeks by byte offsets estimated from the first
  // frame; the length is an estimate. On failure the caller releases the decoder.
  OpenResult openMp3ByteSeek() noexcept;

  // Takes a reader already opened over this decoder's source (Media Foundation) with its rate
  // and length, and starts the decoding thread. `seekable` is the reader's own say.
  OpenResult openReader(std::unique_ptr<FrameReader> reader, uint32_t rate, uint64_t length,
                        bool seekable) noexcept;

  void addRef() noexcept;
  // The last release stops and joins the decoding thread; never on the audio callback.
  void release() noexcept;

  // User-interface thread.
  void requestSeek(uint64_t targetFrame) noexcept;
  void setRepeatOne(bool on) noexcept;
  // No seek waits and the thread has stopped reading: the data ended or the ring is full.
  bool readingIdle() const noexcept;

  enum class SeekState { None, Waiting, Served };
  // Audio callback, at the start of each period: Waiting while a seek request has not been
  // served (output silence); Served when the answer has just been taken: readCount moved up to
  // the write count recorded at the seek and track.positionFrames set to the served target.
  SeekState serviceSeek(LoadedTrack& track) noexcept;

  // Audio callback: copies up to `frames` stereo float frames into `out`, advancing readCount
  // and track.positionFrames (restarting at the loop mark, kept within the length).
  uint64_t drain(LoadedTrack& track, float* out, uint64_t frames, DrainResult& result) noexcept;

  source::ByteSource& byteSource() noexcept { return *source_; }
  // Seeking is offered when both the source and the decoder can seek.
  bool seekable() noexcept { return readerSeekable_ && source_->seekable(); }
  uint64_t ringCapacity() const noexcept { return capacity_; }

  // Seek request and answer. The callback reads the answer only after it has seen
  // servedCounter equal to seekRequestCounter.
  std::atomic<int32_t> seekRequestCounter{0};
  std::atomic<int32_t> servedCounter{0};
  std::atomic<uint64_t> servedWriteCount{0};
  std::atomic<uint64_t> servedTarget{0};

  // Frames ever written and read; the slot of frame n is n modulo the capacity. Frames are
  // stored before writeCount is published (release) and read after it is loaded (acquire).
  std::atomic<uint64_t> writeCount{0};
  std::atomic<uint64_t> readCount{0};
  std::atomic<uint64_t> endMark{kNoMark};   // write count at which the data ends
  std::atomic<uint64_t> loopMark{kNoMark};  // write count of the last repeat-one restart

  uint32_t sampleRate = 0;
  uint64_t lengthFrames = 0;
  bool lengthIsEstimate = false;

  static constexpr uint64_t kNoMark = ~0ull;

 private:
  StreamDecoder() = default;
  ~StreamDecoder();
  StreamDecoder(const StreamDecoder&) = delete;
  StreamDecoder& operator=(const StreamDecoder&) = delete;

  OpenResult startThread() noexcept;
  void threadMain() noexcept;
  void run();
  bool seekDecoder(uint64_t frame) noexcept;
  uint64_t decodeInto(float* out, uint64_t frames) noexcept;
  void markLoop(uint64_t mark);

  std::atomic<int32_t> refCount_{1};
  std::unique_ptr<source::ByteSource> source_;
  decoding::SourceView view_;
  ma_decoder decoder_;
  bool decoderReady_ = false;
  bool byteSeek_ = false;
  Mp3StreamInfo mp3Info_;
  // Declared after the source: it reads through it and goes first.
  std::unique_ptr<FrameReader> reader_;
  bool readerSeekable_ = true;

  std::unique_ptr<float[]> ring_;  // capacity_ frame pairs
  uint64_t capacity_ = 0;

  std::atomic<uint64_t> seekTarget_{0};
  std::atomic<bool> repeatOne_{false};
  std::atomic<bool> stop_{false};
  base::WakeEvent wake_;
  base::Thread thread_;
  // Loop marks the reader has not passed yet; the decoding thread alone touches it.
  std::deque<uint64_t> pendingLoopMarks_;
};
