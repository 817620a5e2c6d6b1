#include "tests/support/mf_decode.h"

#include <algorithm>
#include <memory>

#include "engine/source/file_source.h"

namespace testsupport {

DecodedAudio decodeAll(source::ByteSource& source, uint64_t maxFrames) {
  DecodedAudio result;
  std::unique_ptr<mf::MediaReader> reader;
  result.outcome = mf::MediaReader::open(source, reader);
  if (!reader) return result;
  result.rate = reader->sampleRate();
  result.channels = reader->channels();
  result.length = reader->lengthFrames();
  result.seekable = reader->seekable();
  for (;;) {
    const uint64_t have = result.frameCount();
    const uint64_t want = std::min(kDecodeChunkFrames, maxFrames - have);
    if (want == 0) break;
    result.frames.resize(static_cast<size_t>(have + want) * 2);
    const uint64_t got = reader->read(result.frames.data() + have * 2, want);
    result.frames.resize(static_cast<size_t>(have + got) * 2);
    if (got == 0) break;
  }
  return result;
}

DecodedAudio decodeFile(const std::wstring& path) {
  uint32_t error = 0;
  std::unique_ptr<source::FileSource> file = source::FileSource::open(path, error);
  if (!file) return DecodedAudio{};
  return decodeAll(*file);
}

}  // namespace testsupport
