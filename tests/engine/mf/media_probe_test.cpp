// What Media Foundation decoding reads from the container itself, and its frame arithmetic.
#include "engine/mf/media_probe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/mf/frame_math.h"
#include "engine/source/memory_source.h"
#include "tests/engine/container_test_util.h"

namespace {

using namespace testbytes;

Bytes mfFixture(const char* name) {
  return readFile(std::string(TWK_SOURCE_DIR "/tests/data/mf/") + name);
}

mf::Probe probe(Bytes bytes) {
  source::MemorySource source(std::move(bytes));
  return mf::probeContainer(source);
}

TEST(MediaProbe, AsfHeaderDecidesBetweenMp4PlainAndProtectedWma) {
  EXPECT_EQ(mf::Probe::Mp4, probe(mfFixture("stereo.m4a")));
  EXPECT_EQ(mf::Probe::Wma, probe(mfFixture("stereo.wma")));
  EXPECT_EQ(mf::Probe::Protected, probe(mfFixture("protected.wma")));
  EXPECT_EQ(mf::Probe::Protected, probe(mfFixture("protected_in_extension.wma")));
  // An MP4 cut short before its moov (the moov of stereo.m4a is last) can never play; one
  // whose moov comes first and whose sample data is cut short can, in part.
  Bytes m4a = mfFixture("stereo.m4a");
  EXPECT_EQ(mf::Probe::NoMovie, probe(Bytes(m4a.begin(), m4a.end() - 100)));
  EXPECT_EQ(mf::Probe::Mp4, probe(mfFixture("truncated_mdat.m4a")));
  EXPECT_EQ(mf::Probe::Mp4, probe(str("not an mp4 at all, maybe an mp3")));
  // Too short to be an ASF header: handed to Media Foundation as MP4.
  Bytes wma = mfFixture("stereo.wma");
  EXPECT_EQ(mf::Probe::Mp4, probe(Bytes(wma.begin(), wma.begin() + 29)));
  // A header claiming 2^62 bytes: the first MiB (here, all there is) is parsed.
  Bytes huge = wma;
  std::memcpy(huge.data() + 16, le64(1ull << 62).data(), 8);
  EXPECT_EQ(mf::Probe::Wma, probe(huge));
  Bytes hugeProtected = mfFixture("protected.wma");
  std::memcpy(hugeProtected.data() + 16, le64(1ull << 62).data(), 8);
  EXPECT_EQ(mf::Probe::Protected, probe(hugeProtected));
}

TEST(MediaProbe, Mp4LengthIsCorrectedOnlyWithinTenMilliseconds) {
  // The sound track of chapters.m4b: timescale 32000, read from its mdhd.
  source::MemorySource book(mfFixture("chapters.m4b"));
  uint64_t exact = 0;
  ASSERT_TRUE(mf::mp4ExactFrames(book, 32000, exact));
  EXPECT_NEAR(4.0 * 32000, double(exact), 3000);
  EXPECT_EQ(exact, mf::correctMp4Length(book, 32000, exact + 320));
  EXPECT_EQ(exact, mf::correctMp4Length(book, 32000, exact - 320));
  EXPECT_EQ(exact + 321, mf::correctMp4Length(book, 32000, exact + 321));
  EXPECT_EQ(0u, mf::correctMp4Length(book, 32000, 0));
  // Another output rate scales the count, rounded to nearest.
  uint64_t doubled = 0;
  ASSERT_TRUE(mf::mp4ExactFrames(book, 64000, doubled));
  EXPECT_EQ(exact * 2, doubled);

  source::MemorySource wma(mfFixture("stereo.wma"));
  EXPECT_EQ(12345u, mf::correctMp4Length(wma, 44100, 12345));
}

TEST(FrameMath, ConversionsRoundAndNeverOverflow) {
  EXPECT_EQ(44100u, mf::framesFromHns(10'000'000, 44100));
  EXPECT_EQ(1u, mf::framesFromHns(114, 44100));  // 0.50274 frames rounds up
  EXPECT_EQ(0u, mf::framesFromHns(113, 44100));
  const uint64_t most = std::numeric_limits<uint64_t>::max();
  EXPECT_EQ((most / 10'000'000) * 384000 + (384000 * (most % 10'000'000) + 5'000'000) / 10'000'000,
            mf::framesFromHns(most, 384000));
  EXPECT_EQ(10'000'000, mf::hnsFromFrames(48000, 48000));
  EXPECT_EQ(10'000'000 + 208, mf::hnsFromFrames(48001, 48000));
  EXPECT_EQ(std::numeric_limits<int64_t>::max(), mf::hnsFromFrames(most, 1));
}

TEST(FrameMath, SamplesBecomeStereoPairsAfterTheSkip) {
  const float six[] = {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 25, 26};
  std::vector<float> out;
  uint64_t skip = 1;
  EXPECT_EQ(2u, mf::appendStereo(reinterpret_cast<const uint8_t*>(six), 3, 6, skip, out));
  EXPECT_EQ(0u, skip);
  EXPECT_EQ((std::vector<float>{11, 12, 21, 22}), out);

  const float mono[] = {7, 8, 9};
  skip = 5;
  EXPECT_EQ(0u, mf::appendStereo(reinterpret_cast<const uint8_t*>(mono), 3, 1, skip, out));
  EXPECT_EQ(2u, skip);
  out.clear();
  EXPECT_EQ(1u, mf::appendStereo(reinterpret_cast<const uint8_t*>(mono), 3, 1, skip, out));
  EXPECT_EQ((std::vector<float>{9, 9}), out);
}

}  // namespace
