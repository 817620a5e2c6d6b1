// Tags, chapters and the audio duration of arbitrary bytes read as an MP4 file.
#include <cstddef>
#include <cstdint>

#include "engine/mp4_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const BoxReader reader = memoryBoxReader(data, size);
  TagInfo info;
  readMp4Tags(reader, info);
  uint64_t duration = 0;
  uint32_t timescale = 0;
  readMp4AudioDuration(reader, duration, timescale);
  for (const Chapter& chapter : info.chapters) {
    if (chapter.title.size() > 512) __builtin_trap();
  }
  if (info.chapters.size() > 1000 || info.title.size() > 512 || info.artist.size() > 512)
    __builtin_trap();
  return 0;
}
