// M4A, M4B and WMA decoded by the real Media Foundation source reader (under Wine through
// GStreamer): tones, lengths, seeks, protected and damaged files, and mutated files.
#include "engine/mf/media_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/asf_parser.h"
#include "engine/mf/media_probe.h"
#include "engine/source/file_source.h"
#include "engine/source/memory_source.h"
#include "tests/support/bounded_run.h"
#include "tests/support/mf_decode.h"

namespace {

using mf::MediaReader;
using mf::OpenOutcome;
using testsupport::DecodedAudio;

// The fixtures' tones have ffmpeg's default amplitude.
constexpr double kAmplitude = 1.0 / 8;
constexpr uint32_t kBoundMs = 60000;

std::wstring fixture(const char* name) {
  std::string path = std::string(TWK_SOURCE_DIR "/tests/data/mf/") + name;
  return std::wstring(path.begin(), path.end());
}

std::vector<uint8_t> fixtureBytes(const char* name) {
  uint32_t error = 0;
  auto file = source::FileSource::open(fixture(name), error);
  std::vector<uint8_t> bytes(file ? file->size() : 0);
  uint64_t got = 0;
  if (file) file->readAt(0, bytes.data(), bytes.size(), got);
  bytes.resize(got);
  return bytes;
}

DecodedAudio decodeFixture(const char* name) {
  DecodedAudio decoded;
  testsupport::runWithin(name, kBoundMs, [&] { decoded = testsupport::decodeFile(fixture(name)); });
  return decoded;
}

// Frequency by upward zero crossings and RMS level of one channel over [from, to).
struct Tone {
  double hz = 0;
  double rms = 0;
};

Tone measure(const DecodedAudio& a, int channel, uint64_t from, uint64_t to) {
  Tone t;
  uint64_t crossings = 0, first = 0, last = 0;
  double sum = 0;
  for (uint64_t i = from; i < to; ++i) {
    const float s = a.frames[i * 2 + channel];
    sum += double(s) * s;
    if (i > from && a.frames[(i - 1) * 2 + channel] < 0 && s >= 0) {
      if (crossings++ == 0) first = i;
      last = i;
    }
  }
  if (crossings > 1) t.hz = double(crossings - 1) * a.rate / double(last - first);
  t.rms = std::sqrt(sum / double(to - from));
  return t;
}

struct Expected {
  const char* file;
  uint32_t rate;
  double seconds;
  double leftHz;
  double rightHz;
};

const Expected kFixtures[] = {
    {"stereo.m4a", 44100, 3, 440, 660},      {"mono.m4a", 22050, 3, 1000, 1000},
    {"chapters.m4b", 32000, 4, 550, 550},    {"stereo.wma", 44100, 3, 440, 660},
    {"six_channel.m4a", 48000, 2, 500, 750},  // channels 2 to 5 carry other tones
};

TEST(MediaReader, EachFixtureDecodesToItsTonesAtTheirLevelForItsWholeLength) {
  for (const Expected& e : kFixtures) {
    SCOPED_TRACE(e.file);
    const DecodedAudio a = decodeFixture(e.file);
    ASSERT_EQ(OpenOutcome::Ok, a.outcome);
    EXPECT_EQ(e.rate, a.rate);
    EXPECT_NEAR(e.seconds * e.rate, double(a.length), 0.05 * e.rate);
    // Never past the length; GStreamer's decoder under Wine ends up to one AAC frame early.
    EXPECT_LE(a.frameCount(), a.length);
    EXPECT_GE(a.frameCount() + 1024, a.length);
    EXPECT_TRUE(a.seekable);

    // Away from the edges, where the encoder fades in and out.
    const uint64_t from = a.rate / 4, to = a.frameCount() - a.rate / 4;
    const Tone left = measure(a, 0, from, to), right = measure(a, 1, from, to);
    EXPECT_NEAR(e.leftHz, left.hz, e.leftHz * 0.01);
    EXPECT_NEAR(e.rightHz, right.hz, e.rightHz * 0.01);
    EXPECT_NEAR(kAmplitude / std::sqrt(2.0), left.rms, 0.1 * kAmplitude);
    EXPECT_NEAR(kAmplitude / std::sqrt(2.0), right.rms, 0.1 * kAmplitude);
    if (e.leftHz == e.rightHz) {
      // Mono: one channel given to both, sample for sample.
      bool same = true;
      for (uint64_t i = 0; i < a.frameCount() && same; ++i) same = a.left(i) == a.right(i);
      EXPECT_TRUE(same);
    }
  }
}

TEST(MediaReader, LengthIsTheContainersExactCountWithinTenMillisecondsAndReadingEndsThere) {
  // exact_length.m4a: its mdhd says 132000 frames, 6.8 ms short of Media Foundation's 3 s.
  uint32_t error = 0;
  auto exactFile = source::FileSource::open(fixture("exact_length.m4a"), error);
  uint64_t exact = 0;
  ASSERT_TRUE(mf::mp4ExactFrames(*exactFile, 44100, exact));
  EXPECT_EQ(132000u, exact);
  const DecodedAudio corrected = decodeFixture("exact_length.m4a");
  EXPECT_EQ(exact, corrected.length);
  EXPECT_EQ(exact, corrected.frameCount());

  // stereo.m4a's mdhd counts the 1024 priming frames too (23 ms): Media Foundation's length.
  const DecodedAudio kept = decodeFixture("stereo.m4a");
  EXPECT_EQ(132300u, kept.length);
}

// Reads `frames` after a seek to `target` on a fresh reader over the file.
std::vector<float> readAfterSeek(const char* name, uint64_t target, uint64_t frames,
                                 uint64_t& delivered) {
  std::vector<float> out(frames * 2);
  delivered = 0;
  testsupport::runWithin(name, kBoundMs, [&] {
    uint32_t error = 0;
    auto file = source::FileSource::open(fixture(name), error);
    std::unique_ptr<MediaReader> reader;
    if (!file || MediaReader::open(*file, reader) != OpenOutcome::Ok) return;
    if (!reader->seek(target)) return;
    while (delivered < frames) {
      const uint64_t got = reader->read(out.data() + delivered * 2, frames - delivered);
      if (got == 0) break;
      delivered += got;
    }
  });
  out.resize(delivered * 2);
  return out;
}

// The largest difference between `got` and the reference from frame `from + lag` on, over the
// frames both have, ignoring the reference's first codec frame (a decoder starting cold and
// one flushed by a seek to 0 make different first frames).
float worstDifference(const std::vector<float>& got, const DecodedAudio& whole, uint64_t from,
                      int64_t lag) {
  constexpr uint64_t kColdStart = 2048;
  float worst = 0;
  for (uint64_t i = 0; i < got.size() / 2; ++i) {
    const int64_t at = int64_t(from + i) + lag;
    if (at < int64_t(kColdStart) || uint64_t(at) >= whole.frameCount()) continue;
    for (int c = 0; c < 2; ++c) {
      worst = std::max(worst, std::abs(got[i * 2 + c] - whole.frames[size_t(at) * 2 + c]));
    }
  }
  return worst;
}

TEST(MediaReader, SeekDeliversTheFrameAtTheTargetOfAWholeDecode) {
  constexpr uint64_t kCompared = 4096;
  // How far the first frame may be from the target: AAC timestamps round to a frame; ASF ones
  // are whole milliseconds.
  const struct {
    const char* name;
    int64_t lagTolerance;
  } files[] = {{"stereo.m4a", 1}, {"mono.m4a", 1}, {"chapters.m4b", 1}, {"stereo.wma", 45}};
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    const DecodedAudio whole = decodeFixture(file.name);
    ASSERT_EQ(OpenOutcome::Ok, whole.outcome);
    const uint64_t n = whole.frameCount(), rate = whole.rate;
    for (uint64_t target : {uint64_t{0}, uint64_t{1}, uint64_t{3000}, rate / 2 + 17, n / 2 + 1001,
                            n - 3000, whole.length - 100, whole.length, whole.length + 5000}) {
      SCOPED_TRACE(target);
      uint64_t delivered = 0;
      const std::vector<float> got = readAfterSeek(file.name, target, kCompared, delivered);
      const uint64_t from = std::min(target, whole.length);
      // The output still ends exactly at the length, and is whole while data lasts.
      EXPECT_LE(delivered, whole.length - from);
      if (from + kCompared + 64 <= n) {
        EXPECT_EQ(kCompared, delivered);
      }
      float best = worstDifference(got, whole, from, 0);
      int64_t bestLag = 0;
      for (int64_t lag = -file.lagTolerance; lag <= file.lagTolerance; ++lag) {
        const float worst = worstDifference(got, whole, from, lag);
        if (worst < best) best = worst, bestLag = lag;
      }
      EXPECT_LT(best, 0.01f) << "lag " << bestLag;
    }
  }
}

// Remembers the furthest byte anyone read.
class WatchedSource : public source::MemorySource {
 public:
  using MemorySource::MemorySource;
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override {
    const bool ok = MemorySource::readAt(offset, buffer, count, bytesRead);
    furthest = std::max(furthest, offset + bytesRead);
    return ok;
  }
  uint64_t furthest = 0;
};

TEST(MediaReader, ProtectedWmaIsRefusedFromItsHeaderAlone) {
  for (const char* name : {"protected.wma", "protected_in_extension.wma", "stereo.wma"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> bytes = fixtureBytes(name);
    const uint64_t headerEnd = asfHeaderSize(bytes.data(), bytes.size());
    WatchedSource source(bytes);
    std::unique_ptr<MediaReader> reader;
    OpenOutcome outcome = OpenOutcome::Ok;
    testsupport::runWithin(name, kBoundMs, [&] { outcome = MediaReader::open(source, reader); });
    if (std::string(name) == "stereo.wma") {
      // The same file unmarked: Media Foundation reads on into the data.
      EXPECT_EQ(OpenOutcome::Ok, outcome);
      EXPECT_GT(source.furthest, headerEnd);
    } else {
      EXPECT_EQ(OpenOutcome::Protected, outcome);
      EXPECT_EQ(nullptr, reader);
      EXPECT_LE(source.furthest, headerEnd);
    }
  }
}

TEST(MediaReader, DamagedFilesPlayWhatCanBeDecodedAndEnd) {
  const DecodedAudio full = decodeFixture("stereo.m4a");
  const struct {
    const char* name;
    double least, most;  // of the length, decoded
  } files[] = {{"truncated_mdat.m4a", 0.3, 0.8},
               {"garbage_after_moov.m4a", 0.99, 1.0},
               {"half.wma", 0.3, 0.7}};
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    const DecodedAudio a = decodeFixture(file.name);
    ASSERT_EQ(OpenOutcome::Ok, a.outcome);
    EXPECT_GE(double(a.frameCount()), file.least * double(a.length));
    EXPECT_LE(double(a.frameCount()), file.most * double(a.length));
    const Tone left = measure(a, 0, a.rate / 4, a.frameCount() - a.rate / 4);
    EXPECT_NEAR(440, left.hz, 4.4);
    if (std::string(file.name) == "garbage_after_moov.m4a") {
      EXPECT_EQ(full.frameCount(), a.frameCount());
    }

    // Past the end of the data: a seek there gives nothing, and the reader stays ended.
    testsupport::runWithin(file.name, kBoundMs, [&] {
      uint32_t error = 0;
      auto source = source::FileSource::open(fixture(file.name), error);
      std::unique_ptr<MediaReader> reader;
      ASSERT_EQ(OpenOutcome::Ok, MediaReader::open(*source, reader));
      std::vector<float> out(testsupport::kDecodeChunkFrames * 2);
      reader->seek(a.length * 9 / 10);
      uint64_t after = 0;
      while (uint64_t got = reader->read(out.data(), testsupport::kDecodeChunkFrames)) after += got;
      EXPECT_LE(after, a.length / 10);
      EXPECT_EQ(0u, reader->read(out.data(), 1));
      if (file.most < 1) {
        EXPECT_EQ(0u, after);
      }
    });
  }
}

}  // namespace
