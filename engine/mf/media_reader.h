// An M4A/M4B or WMA track decoded by Media Foundation's source reader over a byte source, as
// interleaved float stereo at the file's own rate. Used by one thread at a time: the loader
// while opening, then the decoding thread.
#pragma once

#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/mf/file_stream.h"
#include "engine/source/byte_source.h"

namespace mf {

enum class OpenOutcome { Ok, NeedsFeaturePack, Protected, OutOfMemory, NotPlayable };

class MediaReader {
 public:
  // How far before a seek target the reader is placed, so that the decoder has run in by the
  // target (WMA needs far more than AAC).
  static constexpr uint32_t kWmaPreRoll = 16384;
  static constexpr uint32_t kDefaultPreRoll = 2048;

  // Ok with `reader` set, otherwise the reason. A protected WMA is refused before Media
  // Foundation is started. The source must outlive the reader.
  static OpenOutcome open(source::ByteSource& source,
                          std::unique_ptr<MediaReader>& reader) noexcept;

  ~MediaReader();
  MediaReader(const MediaReader&) = delete;
  MediaReader& operator=(const MediaReader&) = delete;

  // Up to `frames` stereo frames into `out`; fewer only at the end, which is exactly
  // lengthFrames() unless the data stops earlier (a damaged file, a failing read).
  uint64_t read(float* out, uint64_t frames) noexcept;

  // Places the reader so that the next read starts at `frame` (limited to the length). False
  // when the position cannot be set; true otherwise, also when no data follows (the reader is
  // then at its end).
  bool seek(uint64_t frame) noexcept;

  uint32_t sampleRate() const noexcept { return sampleRate_; }
  uint32_t channels() const noexcept { return channels_; }  // of the decoded data
  uint64_t lengthFrames() const noexcept { return lengthFrames_; }
  bool seekable() const noexcept { return seekable_; }
  uint32_t preRollFrames() const noexcept { return preRoll_; }

 private:
  MediaReader() = default;
  HRESULT start(source::ByteSource& source, const wchar_t* contentType, bool mp4) noexcept;
  // Fills sample_ with the next sample that yields frames; false at the end or on an error.
  bool readSample() noexcept;

  Microsoft::WRL::ComPtr<IMFSourceReader> reader_;
  uint32_t sampleRate_ = 0;
  uint32_t channels_ = 0;
  uint64_t lengthFrames_ = 0;
  uint64_t delivered_ = 0;
  bool seekable_ = true;
  uint32_t preRoll_ = kDefaultPreRoll;
  bool atEnd_ = false;
  bool firstAfterSeek_ = false;
  uint64_t seekTarget_ = 0;
  uint64_t skip_ = 0;
  uint64_t samplePosition_ = 0;  // frame of the first sample after the last seek
  // Timestamp (in frames) of the first sample the reader gave: frame 0 of the output. Under
  // Wine an MP4 with an edit list starts at 1024 frames while seeks count from 0.
  uint64_t origin_ = 0;
  bool originKnown_ = false;
  std::vector<float> sample_;  // stereo pairs
  uint64_t readIndex_ = 0;     // in frames
  HRESULT lastError_ = S_OK;   // of the last failing call, to tell memory from the rest
  // Kept to cut it off the source at release: Media Foundation may hold it a while longer.
  Microsoft::WRL::ComPtr<FileStream> stream_;
};

}  // namespace mf
