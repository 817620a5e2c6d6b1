// Finding an MP3's first frame and its rates from the start of a source, the length estimate
// and the byte offset of a seek in byte-seek mode.
#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "engine/mp3_byte_seek.h"
#include "engine/mp3_stream_info.h"
#include "engine/source/memory_source.h"

namespace {

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, stereo: 417 bytes per frame.
constexpr uint8_t kFrame128[4] = {0xFF, 0xFB, 0x90, 0x00};
constexpr uint32_t kFrame128Length = 417;

void putFrames(std::vector<uint8_t>& bytes, size_t at, int count) {
  for (int i = 0; i < count; ++i) {
    const size_t start = at + static_cast<size_t>(i) * kFrame128Length;
    if (bytes.size() < start + kFrame128Length) bytes.resize(start + kFrame128Length);
    std::copy(kFrame128, kFrame128 + 4, bytes.begin() + static_cast<long>(start));
  }
}

// size bytes of fill that begin with head.
std::vector<uint8_t> startingWith(std::initializer_list<uint8_t> head, size_t size,
                                  uint8_t fill = 0) {
  std::vector<uint8_t> bytes(size, fill);
  std::copy(head.begin(), head.end(), bytes.begin());
  return bytes;
}

bool find(std::vector<uint8_t> bytes, Mp3StreamInfo& info) {
  source::MemorySource src(std::move(bytes));
  return findMp3StreamInfo(src, info);
}

class FailingSource : public source::MemorySource {
 public:
  using MemorySource::MemorySource;
  bool readAt(uint64_t offset, uint8_t* b, uint64_t count, uint64_t& got) override {
    if (offset > 0) {
      got = 0;
      return false;
    }
    return MemorySource::readAt(offset, b, count, got);
  }
};

TEST(Mp3StreamInfo, Id3TagIsSkippedBySyncsafeSizeAndFooter) {
  // Size bytes 0,0,7,104 = 1000; flag 0x10 adds a 10-byte footer: the scan starts at 1020.
  // Tag content that looks like sync words must not matter.
  std::vector<uint8_t> bytes = startingWith({'I', 'D', '3', 4, 0, 0x10, 0, 0, 7, 104}, 1020, 0xFF);
  putFrames(bytes, 1020, 3);
  Mp3StreamInfo info;
  ASSERT_TRUE(find(bytes, info));
  EXPECT_EQ(info.firstFrameOffset, 1020u);
  EXPECT_EQ(info.sampleRate, 44100u);
  EXPECT_EQ(info.bitRate, 128000u);
  EXPECT_EQ(info.samplesPerFrame, 1152u);
  EXPECT_EQ(info.frameCount, 0u);

  // A size byte with its top bit set: not a tag header, the scan starts at 0.
  std::vector<uint8_t> odd = startingWith({'I', 'D', '3', 4, 0, 0, 0, 0, 0x87, 104}, 100);
  putFrames(odd, 100, 3);
  ASSERT_TRUE(find(odd, info));
  EXPECT_EQ(info.firstFrameOffset, 100u);

  // A tag that claims more than the source holds leaves nothing to scan.
  std::vector<uint8_t> cut = startingWith({'I', 'D', '3', 4, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F}, 10);
  putFrames(cut, 10, 3);
  EXPECT_FALSE(find(cut, info));
}

TEST(Mp3StreamInfo, FalseSyncNeedsAMatchingSuccessor) {
  std::vector<uint8_t> bytes(3000, 0);
  // A header at 3 whose successor (at 420) is no header...
  std::copy(kFrame128, kFrame128 + 4, bytes.begin() + 3);
  // ...one of MPEG-2 (80 kbit/s, 22050 Hz, 261 bytes) at 600 followed by an MPEG-1 frame...
  const uint8_t mpeg2[4] = {0xFF, 0xF3, 0x90, 0x00};
  std::copy(mpeg2, mpeg2 + 4, bytes.begin() + 600);
  // ...and the real stream from 861.
  putFrames(bytes, 861, 3);
  Mp3StreamInfo info;
  ASSERT_TRUE(find(bytes, info));
  EXPECT_EQ(info.firstFrameOffset, 861u);

  // A frame whose successor lies beyond the bytes read is taken without the check.
  std::vector<uint8_t> single(300, 0);
  std::copy(kFrame128, kFrame128 + 4, single.begin() + 7);
  ASSERT_TRUE(find(single, info));
  EXPECT_EQ(info.firstFrameOffset, 7u);
}

TEST(Mp3StreamInfo, XingFrameCountGivesTheExactLength) {
  std::vector<uint8_t> bytes;
  putFrames(bytes, 0, 2);
  // Stereo MPEG-1: 32 bytes of side information, the tag right after them.
  const uint8_t xing[12] = {'X', 'i', 'n', 'g', 0, 0, 0, 1, 0, 0, 0x03, 0xE8};
  std::copy(xing, xing + 12, bytes.begin() + 4 + 32);
  Mp3StreamInfo info;
  ASSERT_TRUE(find(bytes, info));
  EXPECT_EQ(info.frameCount, 1000u);
  EXPECT_EQ(mp3LengthInFrames(info, 123), 1152000u);
  EXPECT_EQ(mp3LengthInFrames(info, source::kUnknownSize), 1152000u);

  // Without the frame-count flag the count stays unknown.
  bytes[4 + 32 + 7] = 0;
  ASSERT_TRUE(find(bytes, info));
  EXPECT_EQ(info.frameCount, 0u);
}

TEST(Mp3StreamInfo, LengthEstimateAndSeekOffsets) {
  Mp3StreamInfo info;
  info.sampleRate = 44100;
  info.bitRate = 128000;
  info.samplesPerFrame = 1152;
  EXPECT_EQ(mp3LengthInFrames(info, 1000000), 2756250u);  // 62.5 s
  EXPECT_EQ(mp3LengthInFrames(info, source::kUnknownSize), 0u);
  // A lying length must neither overflow nor give a length whose milliseconds overflow.
  const uint64_t huge = mp3LengthInFrames(info, ~0ull - 1);
  EXPECT_GT(huge, 0u);
  EXPECT_LE(huge, ~0ull / 1000);
  info.bitRate = 0;
  EXPECT_EQ(mp3LengthInFrames(info, 1000000), 0u);

  info.firstFrameOffset = 1000;
  uint64_t offset = 1;
  ASSERT_TRUE(mp3SeekOffset(info, 101000, 2756250, 0, offset));
  EXPECT_EQ(offset, 0u);
  ASSERT_TRUE(mp3SeekOffset(info, 101000, 2756250, 2756250 / 2, offset));
  EXPECT_EQ(offset, 51000u);
  ASSERT_TRUE(mp3SeekOffset(info, 101000, 2756250, 9999999, offset));
  EXPECT_EQ(offset, 101000u);  // past the length: the end
  EXPECT_FALSE(mp3SeekOffset(info, source::kUnknownSize, 2756250, 10, offset));
  EXPECT_FALSE(mp3SeekOffset(info, 101000, 0, 10, offset));
  EXPECT_FALSE(mp3SeekOffset(info, 1000, 2756250, 10, offset));
  ASSERT_TRUE(mp3SeekOffset(info, ~0ull - 1, 1000, 1000, offset));
  EXPECT_EQ(offset, ~0ull - 1);
}

TEST(Mp3StreamInfo, FrameHeadersAndFailures) {
  Mp3FrameHeader h;
  const uint8_t mpeg25Mono[4] = {0xFF, 0xE3, 0x10, 0xC0};  // 8 kbit/s at 11025 Hz
  ASSERT_TRUE(parseMp3FrameHeader(mpeg25Mono, h));
  EXPECT_EQ(h.version, 25u);
  EXPECT_EQ(h.sampleRate, 11025u);
  EXPECT_EQ(h.samplesPerFrame, 576u);
  EXPECT_EQ(h.frameLength, 52u);
  EXPECT_TRUE(h.mono);
  const uint8_t reserved[4] = {0xFF, 0xEB, 0x90, 0x00};
  const uint8_t layer2[4] = {0xFF, 0xFD, 0x90, 0x00};
  const uint8_t freeFormat[4] = {0xFF, 0xFB, 0x00, 0x00};
  const uint8_t badIndex[4] = {0xFF, 0xFB, 0xF0, 0x00};
  const uint8_t badRate[4] = {0xFF, 0xFB, 0x9C, 0x00};
  for (const uint8_t* bad : {reserved, layer2, freeFormat, badIndex, badRate}) {
    EXPECT_FALSE(parseMp3FrameHeader(bad, h));
  }

  std::vector<uint8_t> bytes;
  putFrames(bytes, 0, 3);
  FailingSource failing(bytes);
  Mp3StreamInfo info;
  EXPECT_TRUE(findMp3StreamInfo(failing, info));  // the tag probe and the scan both read at 0
  std::vector<uint8_t> tagged = startingWith({'I', 'D', '3', 4, 0, 0, 0, 0, 0, 10}, 20);
  putFrames(tagged, 20, 3);
  FailingSource failingAfterTag(tagged);
  EXPECT_FALSE(findMp3StreamInfo(failingAfterTag, info));
  EXPECT_FALSE(find({}, info));
  EXPECT_FALSE(find(std::vector<uint8_t>(5000, 0), info));
}

std::vector<uint8_t> fixture(const char* name) {
  std::ifstream in(std::string(TWK_SOURCE_DIR "/tests/data/audio/") + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Frames decoded from the decoder's position to the end.
uint64_t framesToEnd(ma_decoder& decoder) {
  static float pcm[4096 * 2];
  uint64_t total = 0;
  for (;;) {
    ma_uint64 got = 0;
    ma_decoder_read_pcm_frames(&decoder, pcm, 4096, &got);
    total += got;
    if (got < 4096) return total;
  }
}

TEST(Mp3StreamInfo, EncodedFilesGiveTheirInfoFrameCount) {
  Mp3StreamInfo info;
  ASSERT_TRUE(find(fixture("sine44_stereo.mp3"), info));
  EXPECT_EQ(info.firstFrameOffset, 20u);  // after a 10-byte ID3v2 tag
  EXPECT_EQ(info.sampleRate, 44100u);
  EXPECT_EQ(info.bitRate, 64000u);
  EXPECT_EQ(info.frameCount, 78u);
  EXPECT_EQ(mp3LengthInFrames(info, 0), 78u * 1152);
  ASSERT_TRUE(find(fixture("sine48_mono.mp3"), info));
  EXPECT_EQ(info.sampleRate, 48000u);
  EXPECT_NE(info.frameCount, 0u);  // mono side information puts the tag elsewhere
}

// Twenty seconds of CBR frames without an Info frame: the length comes from the bit rate, and a
// seek by estimated byte offset lands within a second of its target.
TEST(Mp3StreamInfo, SeekByEstimateLandsNearTheTarget) {
  const std::vector<uint8_t> file = fixture("sine44_stereo.mp3");
  std::vector<uint8_t> audio;
  Mp3FrameHeader h;
  size_t at = 20;
  ASSERT_TRUE(parseMp3FrameHeader(file.data() + at, h));
  at += h.frameLength;  // the Info frame stays out
  const size_t first = at;
  while (at + 4 <= file.size() && parseMp3FrameHeader(file.data() + at, h)) at += h.frameLength;
  for (int i = 0; i < 10; ++i) audio.insert(audio.end(), file.begin() + first, file.begin() + at);

  source::MemorySource src(audio);
  Mp3StreamInfo info;
  ASSERT_TRUE(findMp3StreamInfo(src, info));
  EXPECT_EQ(info.frameCount, 0u);
  const uint64_t length = mp3LengthInFrames(info, audio.size() - info.firstFrameOffset);
  decoding::SourceView view;
  view.source = &src;
  view.size = src.size();
  ma_decoder decoder;
  ASSERT_EQ(openMp3AtOffset(view, 0, decoder), MA_SUCCESS);
  EXPECT_EQ(decoder.outputSampleRate, 44100u);
  const uint64_t total = framesToEnd(decoder);
  ma_decoder_uninit(&decoder);
  EXPECT_NEAR(static_cast<double>(length), static_cast<double>(total), 44100.0);

  for (uint64_t target : {length / 4, length / 2, length - 44100}) {
    uint64_t offset = 0;
    ASSERT_TRUE(mp3SeekOffset(info, src.size(), length, target, offset));
    ASSERT_EQ(openMp3AtOffset(view, offset, decoder), MA_SUCCESS);
    const uint64_t rest = framesToEnd(decoder);
    ma_decoder_uninit(&decoder);
    EXPECT_NEAR(static_cast<double>(total - target), static_cast<double>(rest), 44100.0) << target;
  }
}

}  // namespace
