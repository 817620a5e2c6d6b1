// The audio output's data callback driven directly (sample-exact), and one run through the
// real default device with the played audio captured by ALSA.
#include "engine/audio_output.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

#include "base/thread.h"
#include "engine/memory_decoder.h"
#include "engine/radio_ring.h"
#include "engine/source/memory_source.h"
#include "engine/stream_decoder.h"
#include "tests/support/audio_capture.h"
#include "tests/support/files.h"
#include "tests/support/memory_track.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"

namespace {

// Test tracks carry their own frame index: left = index / 2^24 (exact in a float), right =
// a per-track tag.
constexpr float kIndexScale = 16777216.0f;

float indexSample(uint32_t index) { return static_cast<float>(index) / kIndexScale; }
int64_t sampleIndex(float sample) { return std::llround(double(sample) * kIndexScale); }

std::vector<uint8_t> countingWav(uint32_t rate, uint32_t frames, uint32_t firstIndex, float tag) {
  std::vector<float> s(size_t(frames) * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    s[size_t(i) * 2] = indexSample(firstIndex + i);
    s[size_t(i) * 2 + 1] = tag;
  }
  return testwav::floatWav(rate, s);
}

LoadedTrackPtr memoryTrack(int32_t id, const std::vector<uint8_t>& wav) {
  return testsupport::memoryTrack(id, wav, ma_encoding_format_wav);
}

LoadedTrackPtr streamTrack(int32_t id, std::unique_ptr<source::ByteSource> source) {
  StreamDecoder* decoder = StreamDecoder::create(std::move(source));
  if (!decoder) return nullptr;
  if (decoder->openMiniaudio(ma_encoding_format_wav) != StreamDecoder::OpenResult::Ok) {
    decoder->release();
    return nullptr;
  }
  LoadedTrackPtr track(createLoadedTrack(id));
  if (!track) {
    decoder->release();
    return nullptr;
  }
  track->streamDecoder = decoder;
  track->sampleRate = decoder->sampleRate;
  track->lengthFrames = decoder->lengthFrames;
  return track;
}

LoadedTrackPtr streamTrack(int32_t id, const std::vector<uint8_t>& wav) {
  return streamTrack(id, std::make_unique<source::MemorySource>(wav));
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The decoding thread has everything it will decode for now in the ring.
bool streamReady(const LoadedTrack& track) {
  return waitFor([&] { return track.streamDecoder->readingIdle(); });
}

// Renders periods of `chunk` frames until the output reports finished (or maxFrames).
std::vector<float> renderUntilFinished(AudioOutput& output, uint32_t chunk, size_t maxFrames) {
  std::vector<float> all;
  std::vector<float> period(size_t(chunk) * 2);
  while (all.size() / 2 < maxFrames) {
    output.render(period.data(), chunk);
    all.insert(all.end(), period.begin(), period.end());
    if (output.finished()) break;
  }
  return all;
}

// Expects frames [at, at + count) of `out` to be frames firstIndex.. of a counting track.
void expectCounting(const std::vector<float>& out, size_t at, uint32_t count, uint32_t firstIndex,
                    float tag, float gain = 1.0f) {
  ASSERT_GE(out.size() / 2, at + count);
  for (uint32_t i = 0; i < count; ++i) {
    const float left = out[(at + i) * 2], right = out[(at + i) * 2 + 1];
    if (left != indexSample(firstIndex + i) * gain || right != tag * gain) {
      FAIL() << "frame " << at + i << ": expected index " << firstIndex + i << " got "
             << sampleIndex(left / gain) << " (right " << right << ")";
    }
  }
}

// Frames of a counting track from firstIndex, possibly cut short by silence (the decoder had
// not caught up yet): returns how many came; anything else fails.
uint32_t countedThenSilent(const std::vector<float>& out, uint32_t firstIndex, float tag) {
  uint32_t n = 0;
  while (n < out.size() / 2 && out[size_t(n) * 2] == indexSample(firstIndex + n) &&
         out[size_t(n) * 2 + 1] == tag) {
    ++n;
  }
  for (size_t i = size_t(n) * 2; i < out.size(); ++i) {
    if (out[i] != 0.0f) {
      ADD_FAILURE() << "frame " << i / 2 << " after " << n << " frames from " << firstIndex
                    << " is neither the track nor silence: " << out[i];
      break;
    }
  }
  return n;
}

void expectSilence(const std::vector<float>& out, size_t fromFrame) {
  for (size_t i = fromFrame * 2; i < out.size(); ++i) {
    if (out[i] != 0.0f) FAIL() << "sample " << i << " is " << out[i];
  }
}

// Mean first difference of the left channel over frames [from, to): the slope of a ramp.
double meanSlope(const std::vector<float>& out, size_t from, size_t to) {
  return (double(out[(to - 1) * 2]) - double(out[from * 2])) / double(to - 1 - from);
}
// How far a resampled ramp strays from a straight line of the given input frames per output
// frame, in input frames. A dropped or repeated input frame shifts the line by a whole frame;
// float rounding in the filter stays well below that.
double rampStray(const std::vector<float>& out, size_t from, size_t to, double ratio) {
  double mean = 0;
  for (size_t i = from; i < to; ++i) mean += double(out[i * 2]) * kIndexScale - double(i) * ratio;
  mean /= double(to - from);
  double worst = 0;
  for (size_t i = from; i < to; ++i) {
    worst = std::max(worst, std::fabs(double(out[i * 2]) * kIndexScale - double(i) * ratio - mean));
  }
  return worst;
}

// A byte source whose live instances are counted, so a test can see that every track it
// handed over is destroyed exactly once, and on which thread.
struct Census {
  std::atomic<int> live{0};
  std::mutex lock;
  std::thread::id lastDestroyer;
};

class CountedSource : public source::MemorySource {
 public:
  CountedSource(std::vector<uint8_t> bytes, Census& census)
      : MemorySource(std::move(bytes)), census_(census) {
    census_.live.fetch_add(1);
  }
  ~CountedSource() override {
    std::lock_guard<std::mutex> hold(census_.lock);
    census_.lastDestroyer = std::this_thread::get_id();
    census_.live.fetch_sub(1);
  }

 private:
  Census& census_;
};

// A byte source whose reads block while its gate is closed, to hold a decoding thread in
// the middle of a read.
struct Gate {
  std::mutex lock;
  std::condition_variable changed;
  bool open = true;
  int blockedReaders = 0;

  void set(bool isOpen) {
    std::lock_guard<std::mutex> hold(lock);
    open = isOpen;
    changed.notify_all();
  }
  int blocked() {
    std::lock_guard<std::mutex> hold(lock);
    return blockedReaders;
  }
};

class GatedSource : public source::MemorySource {
 public:
  GatedSource(std::vector<uint8_t> bytes, std::shared_ptr<Gate> gate)
      : MemorySource(std::move(bytes)), gate_(std::move(gate)) {}
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override {
    {
      std::unique_lock<std::mutex> hold(gate_->lock);
      ++gate_->blockedReaders;
      gate_->changed.wait(hold, [&] { return gate_->open; });
      --gate_->blockedReaders;
    }
    return MemorySource::readAt(offset, buffer, count, bytesRead);
  }
  void cancel() override { gate_->set(true); }

 private:
  std::shared_ptr<Gate> gate_;
};

constexpr float kTagA = 0.25f;
constexpr float kTagB = 0.5f;

enum class Kind { Memory, Stream };

LoadedTrackPtr makeTrack(Kind kind, int32_t id, const std::vector<uint8_t>& wav) {
  LoadedTrackPtr track = kind == Kind::Memory ? memoryTrack(id, wav) : streamTrack(id, wav);
  if (track && kind == Kind::Stream && !streamReady(*track)) return nullptr;
  return track;
}

void checkGaplessSameRate(Kind first, Kind second) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  const uint32_t lengthA = 10007, lengthB = 7001;
  LoadedTrackPtr a = makeTrack(first, 1, countingWav(48000, lengthA, 0, kTagA));
  LoadedTrackPtr b = makeTrack(second, 2, countingWav(48000, lengthB, lengthA, kTagB));
  ASSERT_TRUE(a && b);
  output.handOver(std::move(a));
  output.handOverNext(std::move(b));

  std::vector<float> out = renderUntilFinished(output, 333, 100000);
  expectCounting(out, 0, lengthA, 0, kTagA);
  expectCounting(out, lengthA, lengthB, lengthA, kTagB);
  expectSilence(out, lengthA + lengthB);
  EXPECT_TRUE(output.finished());
  EXPECT_EQ(output.trackId(), 2);
  EXPECT_EQ(output.trackChangeCounter(), 2);
  EXPECT_EQ(output.position(), lengthB);
  EXPECT_FALSE(output.underrun());
}

TEST(AudioOutputGapless, SameRateSwitchInsertsAndDropsNothing) {
  checkGaplessSameRate(Kind::Memory, Kind::Memory);
  checkGaplessSameRate(Kind::Memory, Kind::Stream);
  checkGaplessSameRate(Kind::Stream, Kind::Memory);
  checkGaplessSameRate(Kind::Stream, Kind::Stream);
}

TEST(AudioOutputGapless, ResampledPairStaysContinuousAcrossTheSwitch) {
  // Two 44.1 kHz halves of one ramp at a 48 kHz output: the joined output must be the same
  // ramp without a step, a gap or a repeated stretch at the join.
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  const uint32_t lengthA = 20000, lengthB = 20000;
  output.handOver(memoryTrack(1, countingWav(44100, lengthA, 0, kTagA)));
  output.handOverNext(memoryTrack(2, countingWav(44100, lengthB, lengthA, kTagA)));

  std::vector<float> out = renderUntilFinished(output, 960, 200000);
  const double expectedFrames = (lengthA + lengthB) * 48000.0 / 44100.0;
  size_t produced = out.size() / 2;
  while (produced > 0 && out[(produced - 1) * 2] == 0.0f) --produced;
  EXPECT_NEAR(double(produced), expectedFrames, 16.0);

  const double slope = (44100.0 / 48000.0) / kIndexScale;
  const size_t from = 2000, to = size_t(expectedFrames) - 2000;
  EXPECT_NEAR(meanSlope(out, from, to), slope, slope * 1e-3);
  EXPECT_LT(rampStray(out, from, to, 44100.0 / 48000.0), 0.35);
  EXPECT_EQ(output.trackChangeCounter(), 2);
  EXPECT_EQ(output.trackId(), 2);
}

TEST(AudioOutputGapless, RateChangeBetweenTracksReratesTheResampler) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));

  // 44.1 kHz (resampled) then 48 kHz (passed through sample-exact, directly after).
  {
    const uint32_t lengthA = 22050, lengthB = 4801;
    output.handOver(memoryTrack(1, countingWav(44100, lengthA, 0, kTagA)));
    output.handOverNext(memoryTrack(2, countingWav(48000, lengthB, 0, kTagB)));
    std::vector<float> out = renderUntilFinished(output, 960, 200000);
    size_t startB = 0;
    for (size_t i = 0; i < out.size() / 2; ++i) {
      if (out[i * 2 + 1] == kTagB) {
        startB = i;
        break;
      }
    }
    EXPECT_NEAR(double(startB), lengthA * 48000.0 / 44100.0, 16.0);
    expectCounting(out, startB, lengthB, 0, kTagB);
    expectSilence(out, startB + lengthB);
    // No gap: the frame before B's first one still carries A's ramp.
    ASSERT_GT(startB, 0u);
    EXPECT_GT(out[(startB - 1) * 2], indexSample(lengthA - 100));
    const double slopeA = (44100.0 / 48000.0) / kIndexScale;
    EXPECT_NEAR(meanSlope(out, 1000, startB - 1000), slopeA, slopeA * 1e-3);
    EXPECT_EQ(output.trackChangeCounter(), 2);
  }

  // 48 kHz (direct) then 32 kHz and 44.1 kHz (each resampled at its own ratio).
  {
    const uint32_t lengthA = 4800, lengthB = 16000, lengthC = 22050;
    output.handOver(memoryTrack(3, countingWav(48000, lengthA, 0, kTagA)));
    output.handOverNext(memoryTrack(4, countingWav(32000, lengthB, 0, kTagB)));
    std::vector<float> out;
    std::vector<float> period(960 * 2);
    for (int i = 0; i < 100 && output.trackId() != 4; ++i) {
      output.render(period.data(), 960);
      out.insert(out.end(), period.begin(), period.end());
    }
    ASSERT_EQ(output.trackId(), 4);
    output.handOverNext(memoryTrack(5, countingWav(44100, lengthC, 0, kTagA)));
    std::vector<float> rest = renderUntilFinished(output, 960, 200000);
    out.insert(out.end(), rest.begin(), rest.end());

    expectCounting(out, 0, lengthA, 0, kTagA);
    const double framesB = lengthB * 48000.0 / 32000.0;
    const double framesC = lengthC * 48000.0 / 44100.0;
    const double slopeB = (32000.0 / 48000.0) / kIndexScale;
    const double slopeC = (44100.0 / 48000.0) / kIndexScale;
    const size_t bFrom = lengthA + 1000, bTo = size_t(lengthA + framesB) - 1000;
    const size_t cFrom = size_t(lengthA + framesB) + 1000,
                 cTo = size_t(lengthA + framesB + framesC) - 1000;
    EXPECT_NEAR(meanSlope(out, bFrom, bTo), slopeB, slopeB * 1e-3);
    EXPECT_NEAR(meanSlope(out, cFrom, cTo), slopeC, slopeC * 1e-3);
    size_t produced = out.size() / 2;
    while (produced > 0 && out[(produced - 1) * 2] == 0.0f) --produced;
    EXPECT_NEAR(double(produced), lengthA + framesB + framesC, 32.0);
    EXPECT_EQ(output.trackId(), 5);
  }
}

TEST(AudioOutputGain, VolumeIsCubedAndFullVolumeIsExact) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  output.setGain(50);
  EXPECT_EQ(output.gain(), 0.125f);
  output.setGain(0);
  EXPECT_EQ(output.gain(), 0.0f);
  output.setGain(150);
  EXPECT_EQ(output.gain(), 1.0f);
  output.setGain(-3);
  EXPECT_EQ(output.gain(), 0.0f);
  output.setGain(10);
  EXPECT_FLOAT_EQ(output.gain(), 0.001f);

  output.handOver(memoryTrack(1, countingWav(48000, 4000, 0, kTagA)));
  std::vector<float> out(1000 * 2);
  output.setGain(50);
  output.render(out.data(), 1000);
  expectCounting(out, 0, 1000, 0, kTagA, 0.125f);
  output.setGain(100);
  output.render(out.data(), 1000);
  expectCounting(out, 0, 1000, 1000, kTagA);
  output.setGain(0);
  output.render(out.data(), 1000);
  expectSilence(out, 0);
}

TEST(AudioOutputSeek, MemorySeekLandsOnTheRequestedFrame) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  const uint32_t length = 20000;
  output.handOver(memoryTrack(1, countingWav(48000, length, 0, kTagA)));
  std::vector<float> out(500 * 2);
  output.render(out.data(), 500);

  output.seek(12345);
  output.render(out.data(), 500);
  expectCounting(out, 0, 500, 12345, kTagA);
  EXPECT_EQ(output.position(), 12345u + 500);

  output.seek(10);  // backwards
  output.render(out.data(), 500);
  expectCounting(out, 0, 500, 10, kTagA);

  // Beyond the end plays from the end: nothing left, the track is finished.
  output.seek(length + 5000);
  output.render(out.data(), 500);
  expectSilence(out, 0);
  EXPECT_TRUE(output.finished());
  EXPECT_EQ(output.position(), length);

  // A seek afterwards brings it back.
  output.seek(100);
  output.render(out.data(), 500);
  expectCounting(out, 0, 500, 100, kTagA);
  EXPECT_FALSE(output.finished());

  // A cleared seek does nothing.
  output.seek(5000);
  output.seek(-1);
  output.render(out.data(), 500);
  expectCounting(out, 0, 500, 600, kTagA);
}

TEST(AudioOutputSeek, SeekingBackAcrossADamagedFlacFrameIsSafe) {
  // miniaudio's FLAC decoder crashes when a plain backward seek lands in a frame that failed
  // to decode; the callback's seek must go through the guarded one.
  const std::vector<uint8_t> image =
      testsupport::readBytes(TWK_SOURCE_DIR "/tests/data/audio/damaged_frame.flac");
  ASSERT_FALSE(image.empty());
  LoadedTrackPtr track = testsupport::memoryTrack(1, image, ma_encoding_format_flac);
  ASSERT_TRUE(track);
  const uint64_t length = track->lengthFrames;

  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(track->sampleRate));
  output.handOver(std::move(track));
  std::vector<float> out(4096 * 2);
  output.render(out.data(), 4096);
  const uint64_t first = output.position();  // cut short by the damaged frame
  ASSERT_GT(first, 1u);
  for (uint64_t target : {first / 2, length / 2, uint64_t{1}, first - 1}) {
    output.seek(static_cast<int64_t>(target));
    output.render(out.data(), 4096);
    EXPECT_LE(output.position(), length);
  }
}

TEST(AudioOutputSeek, SeekIssuedRightAfterAHandOverAppliesToTheNewTrack) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  output.handOver(memoryTrack(1, countingWav(48000, 20000, 0, kTagA)));
  std::vector<float> out(256 * 2);
  output.render(out.data(), 256);

  // As the player does it: clear the seek, hand over, then the start position.
  output.seek(-1);
  output.handOver(memoryTrack(2, countingWav(48000, 20000, 0, kTagB)));
  output.seek(7000);
  output.render(out.data(), 256);
  EXPECT_EQ(output.trackId(), 2);
  expectCounting(out, 0, 256, 7000, kTagB);
}

TEST(AudioOutputSeek, StreamSeekLandsOnTheRequestedFrame) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  const uint32_t length = 48000 * 3;
  LoadedTrackPtr track = streamTrack(1, countingWav(48000, length, 0, kTagA));
  ASSERT_TRUE(track);
  StreamDecoder* decoder = track->streamDecoder;
  ASSERT_TRUE(streamReady(*track));
  output.handOver(std::move(track));
  std::vector<float> out(960 * 2);
  output.render(out.data(), 960);
  expectCounting(out, 0, 960, 0, kTagA);

  for (uint32_t target : {100000u, 5000u, 140000u}) {
    decoder->requestSeek(target);
    ASSERT_TRUE(waitFor([&] { return decoder->readingIdle(); }));
    output.render(out.data(), 960);
    expectCounting(out, 0, 960, target, kTagA);
    EXPECT_EQ(output.position(), target + 960);
  }

  // Beyond the length: the data ends there.
  decoder->requestSeek(length + 100);
  ASSERT_TRUE(waitFor([&] { return decoder->readingIdle(); }));
  output.render(out.data(), 960);
  expectSilence(out, 0);
  EXPECT_TRUE(output.finished());
}

TEST(AudioOutputSeek, UnservedStreamSeekGivesSilenceNeverOlderAudio) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(8000));
  auto gate = std::make_shared<Gate>();
  const uint32_t length = 8000 * 30;  // three times the decoder's ring
  LoadedTrackPtr track =
      streamTrack(1, std::make_unique<GatedSource>(countingWav(8000, length, 0, kTagA), gate));
  ASSERT_TRUE(track);
  StreamDecoder* decoder = track->streamDecoder;
  ASSERT_TRUE(streamReady(*track));
  output.handOver(std::move(track));

  // Hold the decoding thread inside a read: the ring is full of audio from the start.
  gate->set(false);
  std::vector<float> out(8000 * 2);
  output.render(out.data(), 8000);
  expectCounting(out, 0, 8000, 0, kTagA);
  ASSERT_TRUE(waitFor([&] { return gate->blocked() > 0; }));

  decoder->requestSeek(200000);
  out.resize(800 * 2);
  for (int i = 0; i < 3; ++i) {
    output.render(out.data(), 800);
    expectSilence(out, 0);
    EXPECT_EQ(output.position(), 8000u);
  }

  // Once served, the old audio is dropped; the new audio follows as the thread decodes it.
  gate->set(true);
  ASSERT_TRUE(
      waitFor([&] { return decoder->servedCounter.load() == decoder->seekRequestCounter.load(); }));
  uint32_t next = 200000;
  for (int i = 0; i < 50 && next < 200000 + 2400; ++i) {
    output.render(out.data(), 800);
    next += countedThenSilent(out, next, kTagA);
    if (next < 200000 + 2400) {
      ASSERT_TRUE(
          waitFor([&] { return decoder->writeCount.load() - decoder->readCount.load() >= 800; }));
    }
  }
  EXPECT_EQ(next, 200000u + 2400);

  // Whatever the timing, a period right after a seek is the new audio or silence.
  out.resize(400 * 2);
  for (uint32_t target : {1000u, 150000u, 30000u, 230000u, 0u, 99999u}) {
    decoder->requestSeek(target);
    output.render(out.data(), 400);
    countedThenSilent(out, target, kTagA);
    ASSERT_TRUE(waitFor([&] { return decoder->readingIdle(); }));
  }
}

TEST(AudioOutputRepeatOne, MemoryTrackLoopsAndPositionRestarts) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  const uint32_t length = 1000;
  output.handOver(memoryTrack(1, countingWav(48000, length, 0, kTagA)));
  output.handOverNext(memoryTrack(2, countingWav(48000, 100, 0, kTagB)));
  output.setRepeatOne(true);

  std::vector<float> out;
  std::vector<float> period(300 * 2);
  for (int i = 0; i < 9; ++i) {
    output.render(period.data(), 300);
    out.insert(out.end(), period.begin(), period.end());
    EXPECT_EQ(output.position(), (uint64_t(i + 1) * 300) % length);
    EXPECT_FALSE(output.finished());
  }
  for (size_t i = 0; i < out.size() / 2; ++i) {
    ASSERT_EQ(out[i * 2], indexSample(uint32_t(i % length))) << "frame " << i;
  }
  EXPECT_EQ(output.trackChangeCounter(), 1);

  // Leaving repeat-one plays on into the prepared track.
  output.setRepeatOne(false);
  std::vector<float> rest = renderUntilFinished(output, 300, 10000);
  expectCounting(rest, 0, 300, 700, kTagA);
  expectCounting(rest, 300, 100, 0, kTagB);
  EXPECT_EQ(output.trackId(), 2);
}

TEST(AudioOutputRepeatOne, StreamTrackLoopsAndPositionRestartsAtTheLoopMark) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  const uint32_t length = 1000;
  LoadedTrackPtr track = streamTrack(1, countingWav(48000, length, 0, kTagA));
  ASSERT_TRUE(track);
  StreamDecoder* decoder = track->streamDecoder;
  decoder->setRepeatOne(true);
  output.setRepeatOne(true);
  // With repeat-one the thread keeps looping until the ring is full.
  ASSERT_TRUE(waitFor([&] { return decoder->writeCount.load() >= 10 * length; }));
  output.handOver(std::move(track));

  std::vector<float> out;
  std::vector<float> period(300 * 2);
  for (int i = 0; i < 9; ++i) {
    output.render(period.data(), 300);
    out.insert(out.end(), period.begin(), period.end());
    EXPECT_EQ(output.position(), (uint64_t(i + 1) * 300) % length);
    EXPECT_FALSE(output.finished());
    EXPECT_FALSE(output.underrun());
  }
  for (size_t i = 0; i < out.size() / 2; ++i) {
    ASSERT_EQ(out[i * 2], indexSample(uint32_t(i % length))) << "frame " << i;
  }
}

TEST(AudioOutputTracks, HandingOverTwiceDestroysTheUntakenTrackOnTheCallingThread) {
  Census census;
  const auto wav = countingWav(48000, 2000, 0, kTagA);
  {
    AudioOutput output;
    ASSERT_TRUE(output.setOutputRate(48000));
    output.handOver(streamTrack(1, std::make_unique<CountedSource>(wav, census)));
    output.handOverNext(streamTrack(2, std::make_unique<CountedSource>(wav, census)));
    ASSERT_EQ(census.live.load(), 2);

    std::thread::id other;
    base::Thread thread;
    ASSERT_TRUE(thread.start([&] {
      other = std::this_thread::get_id();
      output.handOver(streamTrack(3, std::make_unique<CountedSource>(wav, census)));
    }));
    thread.join();
    EXPECT_EQ(census.live.load(), 2);
    {
      std::lock_guard<std::mutex> hold(census.lock);
      EXPECT_EQ(census.lastDestroyer, other);
    }

    output.handOverNext(streamTrack(4, std::make_unique<CountedSource>(wav, census)));
    EXPECT_EQ(census.live.load(), 2);
    {
      std::lock_guard<std::mutex> hold(census.lock);
      EXPECT_EQ(census.lastDestroyer, std::this_thread::get_id());
    }

    std::vector<float> out(64 * 2);
    output.render(out.data(), 64);
    EXPECT_EQ(output.trackId(), 3);
    output.handOverNext(nullptr);  // dropping the prepared track
    EXPECT_EQ(census.live.load(), 1);
  }
  EXPECT_EQ(census.live.load(), 0);
}

TEST(AudioOutputTracks, RetiredRingAndOverflowNeverDropATrack) {
  Census census;
  const uint32_t length = 2000;
  const auto wav = countingWav(48000, length, 0, kTagA);
  auto counted = [&](int32_t id) {
    LoadedTrackPtr track = streamTrack(id, std::make_unique<CountedSource>(wav, census));
    EXPECT_TRUE(track && streamReady(*track));
    return track;
  };
  std::vector<float> out(64 * 2);

  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  // 13 tracks taken in turn without draining: 8 retired into the ring, 4 into the overflow.
  for (int32_t id = 0; id < 13; ++id) {
    output.handOver(counted(id));
    output.render(out.data(), 64);
    ASSERT_EQ(output.trackId(), id);
  }
  EXPECT_EQ(census.live.load(), 13);
  EXPECT_EQ(output.trackChangeCounter(), 13);

  // With the overflow full the callback neither switches gaplessly...
  output.handOverNext(counted(100));
  std::vector<float> rest = renderUntilFinished(output, 500, 10000);
  EXPECT_EQ(output.trackId(), 12);
  EXPECT_TRUE(output.finished());
  // ...nor takes a new current track.
  output.handOver(counted(13));
  output.render(out.data(), 64);
  EXPECT_EQ(output.trackId(), 12);
  EXPECT_EQ(census.live.load(), 15);

  // Replacing the untaken track destroys it here; nothing else is freed.
  output.handOver(counted(14));
  EXPECT_EQ(census.live.load(), 15);

  output.drainRetired();
  EXPECT_EQ(census.live.load(), 7);  // 8..12, 100, 14
  output.render(out.data(), 64);     // overflow moves into the ring, 14 becomes current
  EXPECT_EQ(output.trackId(), 14);
  output.drainRetired();
  EXPECT_EQ(census.live.load(), 2);  // 14 and the prepared 100

  // Many more rounds with draining in between keep the count exact.
  for (int32_t id = 20; id < 60; ++id) {
    output.handOver(counted(id));
    output.render(out.data(), 64);
    if (id % 5 == 0) output.drainRetired();
  }
  output.drainRetired();
  EXPECT_EQ(census.live.load(), 2);

  output.closeDevice();
  EXPECT_EQ(census.live.load(), 0);
  EXPECT_EQ(output.trackId(), -1);
  EXPECT_TRUE(output.finished());
}

TEST(AudioOutputTracks, NoTrackGivesSilenceAndReportsFinished) {
  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(48000));
  std::vector<float> out(256 * 2, 1.0f);
  output.render(out.data(), 256);
  expectSilence(out, 0);
  EXPECT_TRUE(output.finished());
  EXPECT_EQ(output.trackId(), -1);
  EXPECT_EQ(output.trackChangeCounter(), 0);
}

TEST(AudioOutputRadio, DryRingWaitsForASecondBeforePlayingAgain) {
  const uint32_t rate = 8000;
  RadioRing* ring = RadioRing::create(rate);
  ASSERT_NE(ring, nullptr);
  const auto write = [&](uint32_t frames, int16_t value) {
    std::vector<int16_t> samples(size_t(frames) * 2, value);
    ASSERT_EQ(ring->write(samples.data(), frames), frames);
  };
  const auto expectAll = [](const std::vector<float>& out, size_t from, size_t to, float value) {
    for (size_t i = from * 2; i < to * 2; ++i) ASSERT_EQ(out[i], value) << "sample " << i;
  };

  AudioOutput output;
  ASSERT_TRUE(output.setOutputRate(rate));
  write(1000, 16384);
  LoadedTrackPtr track(createLoadedTrack(7));
  ASSERT_TRUE(track);
  track->radioRing = ring;  // the track's reference, released with it
  track->sampleRate = rate;
  output.handOver(std::move(track));

  // What is there plays at once; running dry leaves silence and reports the underrun.
  std::vector<float> out(800 * 2);
  output.render(out.data(), 800);
  expectAll(out, 0, 800, 0.5f);
  EXPECT_FALSE(output.underrun());
  output.render(out.data(), 800);
  expectAll(out, 0, 200, 0.5f);
  expectAll(out, 200, 800, 0.0f);
  EXPECT_TRUE(output.underrun());
  EXPECT_EQ(output.position(), 1000u);

  // Less than a second back: still waiting, not a stutter of short bursts.
  write(rate - 1, 8192);
  output.render(out.data(), 800);
  expectAll(out, 0, 800, 0.0f);
  EXPECT_TRUE(output.underrun());
  EXPECT_EQ(output.position(), 1000u);

  write(1, 8192);
  output.render(out.data(), 800);
  expectAll(out, 0, 800, 0.25f);
  EXPECT_FALSE(output.underrun());
  EXPECT_EQ(output.position(), 1800u);
  EXPECT_FALSE(output.finished());

  // The station stops while a folder track waits to replace it and a second ring track waits
  // as the next one: the ring tracks go at once, with the ring; the folder track stays.
  ring->retain();
  LoadedTrackPtr next(createLoadedTrack(8));
  ASSERT_TRUE(next);
  next->radioRing = ring;
  next->sampleRate = rate;
  output.handOverNext(std::move(next));
  output.handOver(memoryTrack(9, countingWav(rate, 100, 0, 0.5f)));
  output.dropRadio();
  EXPECT_EQ(RadioRing::live(), 0);
  EXPECT_EQ(output.trackId(), -1);
  EXPECT_TRUE(output.finished());
  EXPECT_FALSE(output.underrun());
  output.render(out.data(), 50);
  EXPECT_EQ(output.trackId(), 9);
  for (size_t i = 0; i < 50; ++i) ASSERT_EQ(out[i * 2 + 1], 0.5f) << "frame " << i;
  output.closeDevice();
}

TEST(AudioOutputDevice, ToneThroughTheDefaultDeviceArrivesIntact) {
  // ctest points ALSA's default PCM at the capture file (tools/asoundrc); run by hand, there is
  // nothing to read back.
  const testsupport::AudioCapture capture;
  if (!capture.available()) GTEST_SKIP() << "TWK_AUDIO_CAPTURE is not set";

  const uint32_t rate = 44100, frames = rate * 2;
  const double amplitude = 0.5, frequency = 1000.0;
  std::vector<float> samples(size_t(frames) * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    const float v = float(amplitude * std::sin(2 * std::numbers::pi * frequency * i / rate));
    samples[size_t(i) * 2] = v;
    samples[size_t(i) * 2 + 1] = v;
  }

  AudioOutput output;
  ASSERT_TRUE(output.openDevice());
  const uint32_t deviceRate = output.outputRate();
  ASSERT_GT(deviceRate, 0u);
  output.setGain(80);  // 0.512
  output.handOver(memoryTrack(1, testwav::floatWav(rate, samples)));
  ASSERT_TRUE(output.ensureStarted());
  EXPECT_FALSE(output.deviceStopped());

  ASSERT_TRUE(waitFor([&] { return output.trackId() == 1 && output.finished(); }, 30000))
      << "position " << output.position();
  // The device may still hold the last periods; the file grows up to at least the tone.
  const uint64_t wantFrames = uint64_t(frames) * deviceRate / rate;
  ASSERT_TRUE(waitFor([&] { return capture.frames() >= wantFrames; }, 30000))
      << "captured " << capture.frames() << " frames at " << deviceRate << " Hz";
  output.pause();
  EXPECT_TRUE(output.deviceStopped());
  output.closeDevice();

  const std::vector<float> sound = testsupport::withoutSilence(capture.samples());
  const size_t played = sound.size() / 2;
  const double toneFrames = double(frames) * deviceRate / rate;
  ASSERT_NEAR(double(played), toneFrames, toneFrames * 0.01);

  // Middle half: frequency by zero crossings, level by RMS, and no dropouts.
  const testsupport::ToneLevel tone =
      testsupport::measureTone(sound, 0, played / 4, played - played / 4, deviceRate);
  const double expectedRms = amplitude * 0.512 / std::sqrt(2.0);
  std::printf("device %u Hz: tone %.2f Hz, rms %.4f (expected %.4f), longest quiet run %zu\n",
              deviceRate, tone.hz, tone.rms, expectedRms, tone.longestQuiet);
  EXPECT_NEAR(tone.hz, frequency, frequency * 0.01) << "device rate " << deviceRate;
  EXPECT_NEAR(tone.rms, expectedRms, expectedRms * 0.03);
  EXPECT_LE(tone.longestQuiet, 2u);
}

}  // namespace
