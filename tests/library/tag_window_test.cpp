#include "library/tag_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "library/tags.h"
#include "tests/support/tag_layouts.h"

namespace {

using taglayouts::Bytes;

struct Walk {
  TagInfo info;
  size_t bytesRead;
  size_t reads;
};

Walk walk(TagReader& reader, size_t budget, size_t minWindow = kTagWindowBytes) {
  TagWindow window(reader, budget, minWindow);
  TagInfo info = parseTagWindow(window, nullptr, 0, 0);
  return {std::move(info), window.bytesRead(), window.reads()};
}

TEST(TagWindow, TitlesBehindArtAndAudioAreFoundInBothModesWithoutReadingTheBulk) {
  for (const taglayouts::Layout& layout : taglayouts::layouts()) {
    SCOPED_TRACE(text::wideToUtf8(layout.name));
    ASSERT_GT(layout.file.size(), taglayouts::kBulkBytes);
    MemoryTagReader reader(layout.file.data(), layout.file.size());
    for (size_t budget : {kTagHeaderOnlyBytes, kTagFullReadBytes}) {
      const Walk found = walk(reader, budget);
      EXPECT_EQ(found.info.title, layout.title);
      EXPECT_EQ(found.info.artist, taglayouts::kArtist);
      EXPECT_EQ(found.info.chapters.size(), layout.chapters);
      // The start, then the tags behind the art or audio: two small reads in either mode.
      EXPECT_EQ(found.reads, 2u);
      EXPECT_LE(found.bytesRead, 2 * kTagWindowBytes);

      // Windows of a few bytes read more often but find the same.
      const Walk small = walk(reader, budget, 5);
      EXPECT_EQ(small.info.title, found.info.title);
      EXPECT_EQ(small.info.chapters.size(), found.info.chapters.size());
    }
    const TagInfo image = parseTags(layout.file.data(), layout.file.size(), nullptr, 0, 0);
    EXPECT_EQ(image.title, layout.title);
    EXPECT_EQ(image.chapters.size(), layout.chapters);
  }
}

// A WAV of a million chunks made up on demand, `body` bytes each, then a LIST/INFO title.
class ManyChunks final : public TagReader {
 public:
  ManyChunks(uint64_t count, uint32_t body) : count_(count), body_(body) {
    list_ = Bytes{'L', 'I', 'S', 'T', 16, 0, 0, 0, 'I', 'N', 'F', 'O',
                  'I', 'N', 'A', 'M', 4,  0, 0, 0, 'L', 'a', 's', 't'};
  }
  uint64_t size() const override { return 12 + count_ * (8 + body_) + list_.size(); }
  size_t readAt(uint64_t offset, uint8_t* dest, size_t length) override {
    static const uint8_t head[12] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    const uint8_t chunk[8] = {'j',
                              'u',
                              'n',
                              'k',
                              uint8_t(body_),
                              uint8_t(body_ >> 8),
                              uint8_t(body_ >> 16),
                              uint8_t(body_ >> 24)};
    const uint64_t listAt = size() - list_.size();
    size_t n = 0;
    for (uint64_t at = offset; n < length && at < size(); ++at, ++n) {
      if (at < 12) {
        dest[n] = head[at];
      } else if (at >= listAt) {
        dest[n] = list_[at - listAt];
      } else {
        const uint64_t in = (at - 12) % (8 + body_);
        dest[n] = in < 8 ? chunk[in] : 0;
      }
    }
    return n;
  }

 private:
  uint64_t count_;
  uint32_t body_;
  Bytes list_;
};

TEST(TagWindow, AMillionChunksCostAFewReadsWithinTheBudget) {
  // Empty chunks: the full read's budget reaches the title behind them, the header-only
  // read's does not.
  ManyChunks tiny(1000000, 0);
  const Walk tinyFull = walk(tiny, kTagFullReadBytes);
  EXPECT_EQ(tinyFull.info.title, L"Last");
  EXPECT_LE(tinyFull.reads, 11u);
  const Walk tinyHeader = walk(tiny, kTagHeaderOnlyBytes);
  EXPECT_EQ(tinyHeader.info.title, L"");
  EXPECT_EQ(tinyHeader.bytesRead, kTagHeaderOnlyBytes);
  EXPECT_LE(tinyHeader.reads, 3u);

  // A megabyte behind every header: each read at least doubles the last, so the walk gives
  // up after a few reads instead of making a million.
  ManyChunks big(1000000, 1 << 20);
  for (size_t budget : {kTagHeaderOnlyBytes, kTagFullReadBytes}) {
    const Walk found = walk(big, budget);
    EXPECT_EQ(found.info.title, L"");
    EXPECT_LE(found.bytesRead, budget);
    EXPECT_LE(found.reads, budget == kTagFullReadBytes ? 11u : 3u);
  }
}

}  // namespace
