// Whole-file decoding through an mf::MediaReader, for tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/mf/media_reader.h"
#include "engine/source/byte_source.h"

namespace testsupport {

// The chunk the decoding thread asks for.
constexpr uint64_t kDecodeChunkFrames = 4096;

struct DecodedAudio {
  mf::OpenOutcome outcome = mf::OpenOutcome::NotPlayable;
  uint32_t rate = 0;
  uint32_t channels = 0;  // decoded by Media Foundation, before the stereo rule
  uint64_t length = 0;
  bool seekable = false;
  std::vector<float> frames;  // stereo pairs

  uint64_t frameCount() const { return frames.size() / 2; }
  float left(uint64_t frame) const { return frames[frame * 2]; }
  float right(uint64_t frame) const { return frames[frame * 2 + 1]; }
};

// Opens a reader over the source and reads in chunks until it delivers nothing, or until
// maxFrames have come.
DecodedAudio decodeAll(source::ByteSource& source, uint64_t maxFrames = ~0ull);

// The same over a file; NotPlayable when the file cannot be opened.
DecodedAudio decodeFile(const std::wstring& path);

}  // namespace testsupport
