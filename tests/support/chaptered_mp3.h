// A hand-built MP3 book with chapters: silent frames after an ID3v2.3 tag holding a title and
// CHAP frames under a top-level CTOC. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/bytes.h"

namespace testsupport {

struct ChapterSpec {
  uint32_t startMs;
  std::string title;  // empty: no TIT2
};

// MPEG-1 Layer III, 32 kHz mono, 32 kbit/s: 144-byte frames of 1152 samples, titled "Book".
inline testbytes::Bytes chapteredMp3(double seconds, const std::vector<ChapterSpec>& chapters) {
  using namespace testbytes;
  Bytes frames = id3Frame("TIT2", Bytes{0} + bytes("Book"));
  Bytes toc = bytes("toc") + Bytes{0, 3, uint8_t(chapters.size())};
  for (size_t i = 0; i < chapters.size(); ++i) {
    const Bytes id = bytes("ch" + std::to_string(i)) + Bytes{0};
    toc += id;
    Bytes body = id + be32(chapters[i].startMs) + be32(chapters[i].startMs + 1000) +
                 be32(0xFFFFFFFF) + be32(0xFFFFFFFF);
    if (!chapters[i].title.empty()) body += id3Frame("TIT2", Bytes{0} + bytes(chapters[i].title));
    frames += id3Frame("CHAP", body);
  }
  frames += id3Frame("CTOC", toc);
  Bytes tag = id3Tag(frames);

  Bytes frame = {0xFF, 0xFB, 0x18, 0xC0};
  frame.resize(144, 0);  // side info and main data all zero: silence
  const size_t count = static_cast<size_t>(seconds * 32000 / 1152) + 1;
  for (size_t i = 0; i < count; ++i) tag += frame;
  return tag;
}

}  // namespace testsupport
