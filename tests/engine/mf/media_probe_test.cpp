// What Media Foundation decoding reads from the container itself.
#include "engine/mf/media_probe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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
  EXPECT_EQ(mf::Probe::NoMovie, probe(Bytes(m4a.begin(), m4a.begin() + m4a.size() * 6 / 10)));
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

}  // namespace
