#include "engine/mf/open_stream_decoder.h"

#include <memory>
#include <new>

#include "engine/mf/media_reader.h"

namespace mf {
namespace {

class MediaFrameReader : public FrameReader {
 public:
  explicit MediaFrameReader(std::unique_ptr<MediaReader> reader) : reader_(std::move(reader)) {}
  uint64_t read(float* out, uint64_t frames) noexcept override {
    return reader_->read(out, frames);
  }
  bool seek(uint64_t frame) noexcept override { return reader_->seek(frame); }

 private:
  std::unique_ptr<MediaReader> reader_;
};

}  // namespace

StreamDecoder::OpenResult openStreamDecoder(StreamDecoder& decoder) noexcept {
  using Result = StreamDecoder::OpenResult;
  std::unique_ptr<MediaReader> reader;
  switch (MediaReader::open(decoder.byteSource(), reader)) {
    case OpenOutcome::Ok:
      break;
    case OpenOutcome::NeedsFeaturePack:
      return Result::NeedsFeaturePack;
    case OpenOutcome::Protected:
      return Result::Protected;
    case OpenOutcome::OutOfMemory:
      return Result::OutOfMemory;
    case OpenOutcome::NotPlayable:
      return Result::NotPlayable;
  }
  const uint32_t rate = reader->sampleRate();
  const uint64_t length = reader->lengthFrames();
  const bool seekable = reader->seekable();
  std::unique_ptr<FrameReader> frames(new (std::nothrow) MediaFrameReader(std::move(reader)));
  if (!frames) return Result::OutOfMemory;
  return decoder.openReader(std::move(frames), rate, length, seekable);
}

}  // namespace mf
