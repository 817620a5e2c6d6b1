// A decoder other than miniaudio's that a StreamDecoder's thread reads and seeks through
// (Media Foundation's source reader). Float stereo frames at the track's own rate.
#pragma once

#include <cstdint>

class FrameReader {
 public:
  virtual ~FrameReader() = default;
  // Up to `frames` stereo frames into `out`; fewer only at the end of the data.
  virtual uint64_t read(float* out, uint64_t frames) noexcept = 0;
  // The next read starts at `frame`; false when the position cannot be set.
  virtual bool seek(uint64_t frame) noexcept = 0;
};
