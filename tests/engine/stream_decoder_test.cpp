// The StreamDecoder's thread, ring, seek answer, repeat-one looping and destruction, driven
// the way the audio callback drives it, over in-memory sources.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <thread>

#include "engine/decoder_io.h"
#include "engine/loaded_track.h"
#include "engine/memory_decoder.h"
#include "engine/source/memory_source.h"
#include "engine/stream_decoder.h"
#include "tests/support/files.h"
#include "tests/support/memory_track.h"
#include "tests/support/ring_reader.h"
#include "tests/support/wav_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
using DrainResult = StreamDecoder::DrainResult;
constexpr auto kPatience = std::chrono::seconds(20);

const std::string kAudio = TWK_SOURCE_DIR "/tests/data/audio/";

struct Releaser {
  void operator()(StreamDecoder* d) const { d->release(); }
};
using DecoderPtr = std::unique_ptr<StreamDecoder, Releaser>;

DecoderPtr openOver(std::unique_ptr<source::ByteSource> src, ma_encoding_format format,
                    StreamDecoder::OpenResult expect = StreamDecoder::OpenResult::Ok) {
  DecoderPtr decoder(StreamDecoder::create(std::move(src)));
  EXPECT_TRUE(decoder);
  if (!decoder) return nullptr;
  StreamDecoder::OpenResult result = decoder->openMiniaudio(format);
  EXPECT_EQ(expect, result);
  return decoder;
}

DecoderPtr openBytes(std::vector<uint8_t> bytes, ma_encoding_format format) {
  return openOver(std::make_unique<source::MemorySource>(std::move(bytes)), format);
}

using Reader = testsupport::RingReader;

template <typename Pred>
bool waitFor(Pred pred) {
  const auto deadline = Clock::now() + kPatience;
  while (!pred()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Releases on another thread and tells whether that returned in bounded time.
bool releaseReturns(DecoderPtr decoder) {
  auto done = std::async(std::launch::async, [d = decoder.release()] { d->release(); });
  return done.wait_for(kPatience) == std::future_status::ready;
}

TEST(StreamDecoder, DecodingThroughTheRingMatchesMemoryDecoding) {
  const char* names[] = {"sine44_stereo.mp3", "sine48_mono.mp3",   "sine48_stereo.flac",
                         "sine44_mono.flac",  "sine44_stereo.wav", "mp3_named.flac"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> image = testsupport::readBytes(kAudio + name);
    ASSERT_FALSE(image.empty());
    const ma_encoding_format format =
        decoding::encodingFormatForPath(std::wstring(name, name + std::strlen(name)));

    LoadedTrackPtr memory = testsupport::memoryTrack(1, image, format);
    ASSERT_TRUE(memory);
    std::vector<float> expected(memory->lengthFrames * 2 + 8192);
    ma_uint64 expectedFrames = 0;
    ma_decoder_read_pcm_frames(&memory->memoryDecoder, expected.data(), memory->lengthFrames + 4096,
                               &expectedFrames);
    expected.resize(expectedFrames * 2);

    DecoderPtr decoder = openBytes(image, format);
    ASSERT_TRUE(decoder);
    EXPECT_EQ(memory->sampleRate, decoder->sampleRate);
    EXPECT_EQ(memory->lengthFrames, decoder->lengthFrames);
    Reader reader(*decoder);
    std::vector<float> streamed = reader.takeAll();
    EXPECT_EQ(DrainResult::Ended, reader.last);
    ASSERT_EQ(expected.size(), streamed.size());
    EXPECT_TRUE(expected == streamed);
    EXPECT_EQ(decoder->lengthFrames, reader.track.positionFrames);
  }
}

TEST(StreamDecoder, RingWrapsAroundManyTimesWithoutLosingFrames) {
  // 8 kHz gives the smallest ring (80000 frames); the track is five times longer.
  DecoderPtr decoder = openBytes(testwav::rampWav(8000, 400000), ma_encoding_format_wav);
  ASSERT_TRUE(decoder);
  EXPECT_EQ(80000u, decoder->ringCapacity());
  Reader reader(*decoder);
  std::vector<float> all = reader.take(400000, 777);
  ASSERT_EQ(400000u * 2, all.size());
  for (uint64_t i = 0; i < 400000; ++i) ASSERT_EQ(i, testwav::frameIndexOf(&all[i * 2]));
  EXPECT_TRUE(reader.take(10).empty());
  EXPECT_EQ(DrainResult::Ended, reader.last);
  EXPECT_EQ(400000u, reader.track.positionFrames);
  EXPECT_TRUE(decoder->readingIdle());
}

TEST(StreamDecoder, SeekDeliversTheFramesAtTheTarget) {
  DecoderPtr decoder = openBytes(testwav::rampWav(8000, 300000), ma_encoding_format_wav);
  ASSERT_TRUE(decoder);
  Reader reader(*decoder);
  ASSERT_EQ(5000u * 2, reader.take(5000).size());
  // Let the ring fill, so the seek must discard what was decoded before it.
  ASSERT_TRUE(waitFor([&] { return decoder->readingIdle(); }));

  for (uint64_t target : {250000ull, 1234ull, 0ull, 299999ull, 80001ull}) {
    SCOPED_TRACE(target);
    decoder->requestSeek(target);
    std::vector<float> after = reader.take(1);
    ASSERT_EQ(2u, after.size());
    EXPECT_EQ(target, testwav::frameIndexOf(after.data()));
    EXPECT_EQ(target + 1, reader.track.positionFrames);
  }

  // Two requests before the thread serves either: only the last one counts.
  decoder->requestSeek(100);
  decoder->requestSeek(200000);
  std::vector<float> after = reader.take(3000);
  ASSERT_EQ(3000u * 2, after.size());
  for (uint64_t i = 0; i < 3000; ++i) ASSERT_EQ(200000 + i, testwav::frameIndexOf(&after[i * 2]));
  EXPECT_EQ(203000u, reader.track.positionFrames);
}

TEST(StreamDecoder, SeekBeyondTheLengthPlaysFromTheEnd) {
  DecoderPtr decoder = openBytes(testwav::rampWav(8000, 20000), ma_encoding_format_wav);
  ASSERT_TRUE(decoder);
  Reader reader(*decoder);
  reader.take(100);
  decoder->requestSeek(1000000000);
  EXPECT_TRUE(reader.take(100).empty());
  EXPECT_EQ(DrainResult::Ended, reader.last);
  EXPECT_EQ(20000u, decoder->servedTarget.load());
  EXPECT_EQ(20000u, reader.track.positionFrames);
  // And a seek back plays again.
  decoder->requestSeek(19990);
  std::vector<float> tail = reader.takeAll();
  ASSERT_EQ(10u * 2, tail.size());
  EXPECT_EQ(19990u, testwav::frameIndexOf(tail.data()));
  EXPECT_EQ(20000u, reader.track.positionFrames);
}

// Expected track position after `total` frames of a looping track of `length` frames.
uint64_t loopedPosition(uint64_t total, uint64_t length) {
  return total % length == 0 ? length : total % length;
}

TEST(StreamDecoder, RepeatOneLoopsWithoutAGapAndEndsAtTheNextRestartWhenSwitchedOff) {
  const uint64_t length = 3000;
  DecoderPtr decoder = openBytes(testwav::rampWav(8000, length), ma_encoding_format_wav);
  ASSERT_TRUE(decoder);
  decoder->setRepeatOne(true);
  Reader reader(*decoder);
  reader.repeatOne = true;
  uint64_t total = 0;
  for (int i = 0; i < 61; ++i) {
    std::vector<float> chunk = reader.take(700);
    ASSERT_EQ(700u * 2, chunk.size());
    for (uint64_t k = 0; k < 700; ++k) {
      ASSERT_EQ((total + k) % length, testwav::frameIndexOf(&chunk[k * 2])) << total + k;
    }
    total += 700;
    ASSERT_EQ(loopedPosition(total, length), reader.track.positionFrames) << total;
  }

  decoder->setRepeatOne(false);
  reader.repeatOne = false;
  // Not draining meanwhile: the end is chosen from where the reader stands.
  ASSERT_TRUE(waitFor([&] { return decoder->endMark.load() != StreamDecoder::kNoMark; }));
  std::vector<float> rest = reader.takeAll();
  EXPECT_EQ(DrainResult::Ended, reader.last);
  const uint64_t frames = rest.size() / 2;
  for (uint64_t k = 0; k < frames; ++k) {
    ASSERT_EQ((total + k) % length, testwav::frameIndexOf(&rest[k * 2]));
  }
  total += frames;
  EXPECT_EQ(0u, total % length);  // the data ended exactly at a restart
  EXPECT_EQ(length, reader.track.positionFrames);

  // Switching it on again after the end carries on from the start.
  decoder->setRepeatOne(true);
  reader.repeatOne = true;
  std::vector<float> again = reader.take(length + 10);
  ASSERT_EQ((length + 10) * 2, again.size());
  EXPECT_EQ(0u, testwav::frameIndexOf(again.data()));
  EXPECT_EQ(9u, testwav::frameIndexOf(&again[(length + 9) * 2]));
  EXPECT_EQ(10u, reader.track.positionFrames);
}

TEST(StreamDecoder, RepeatOnePositionRestartsAtTheLoopMarkWhenTheHeaderLengthIsWrong) {
  // The header promises 200000 frames, the data holds 100000: each repetition is 100000
  // frames long, longer than the 80000-frame ring, so every restart is seen at its mark.
  std::vector<uint8_t> bytes = testwav::rampWav(8000, 100000);
  std::vector<uint8_t> header = testwav::header(8000, 2, 200000 * 4);
  std::copy(header.begin(), header.end(), bytes.begin());
  DecoderPtr decoder = openBytes(bytes, ma_encoding_format_wav);
  ASSERT_TRUE(decoder);
  ASSERT_EQ(200000u, decoder->lengthFrames);
  decoder->setRepeatOne(true);
  Reader reader(*decoder);
  reader.repeatOne = true;
  uint64_t total = 0;
  while (total < 250000) {
    std::vector<float> chunk = reader.take(1500);
    ASSERT_EQ(1500u * 2, chunk.size());
    for (uint64_t k = 0; k < 1500; k += 499) {
      ASSERT_EQ((total + k) % 100000, testwav::frameIndexOf(&chunk[k * 2]));
    }
    total += 1500;
    ASSERT_EQ(loopedPosition(total, 100000), reader.track.positionFrames) << total;
  }
}

TEST(StreamDecoder, RepeatOneOverATrackThatYieldsNothingEndsInsteadOfSpinning) {
  // The header promises 10000 frames but the data chunk is empty.
  DecoderPtr decoder = openBytes(testwav::header(8000, 2, 40000), ma_encoding_format_wav);
  ASSERT_TRUE(decoder);
  EXPECT_EQ(10000u, decoder->lengthFrames);
  decoder->setRepeatOne(true);
  Reader reader(*decoder);
  EXPECT_TRUE(reader.take(100).empty());
  EXPECT_EQ(DrainResult::Ended, reader.last);
  // Once ended it stays ended: a restart that yields nothing is not tried again.
  for (int i = 0; i < 200; ++i) {
    ASSERT_TRUE(decoder->readingIdle());
    ASSERT_NE(StreamDecoder::kNoMark, decoder->endMark.load());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(releaseReturns(std::move(decoder)));
}

TEST(StreamDecoder, ReleaseWhileTheRingIsFullJoinsTheThread) {
  DecoderPtr decoder = openBytes(testwav::rampWav(8000, 1000000), ma_encoding_format_wav);
  ASSERT_TRUE(decoder);
  ASSERT_TRUE(waitFor([&] { return decoder->readingIdle(); }));
  EXPECT_EQ(StreamDecoder::kNoMark, decoder->endMark.load());
  EXPECT_GE(decoder->writeCount.load(), decoder->ringCapacity() - 4095);
  // A second holder keeps it alive; the last release stops the thread.
  decoder->addRef();
  decoder->release();
  EXPECT_TRUE(releaseReturns(std::move(decoder)));
}

// Serves a ramp WAV until `blockAt`, then blocks in readAt until cancelled.
class BlockingSource : public source::ByteSource {
 public:
  BlockingSource(std::vector<uint8_t> bytes, uint64_t blockAt)
      : bytes_(std::move(bytes)), blockAt_(blockAt) {}
  uint64_t size() override { return bytes_.size(); }
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override {
    bytesRead = 0;
    if (offset + count > blockAt_) {
      std::unique_lock<std::mutex> lock(mutex_);
      blocked_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return cancelled_; });
      return false;
    }
    std::memcpy(buffer, bytes_.data() + offset, count);
    bytesRead = count;
    return true;
  }
  bool seekable() override { return true; }
  void cancel() override {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
  }
  std::wstring contentType() override { return {}; }
  bool mediumLost() override { return false; }

  bool waitBlocked() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kPatience, [this] { return blocked_; });
  }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t blockAt_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool blocked_ = false;
  bool cancelled_ = false;
};

TEST(StreamDecoder, ReleaseWhileAReadIsBlockedCancelsTheSourceAndJoins) {
  auto owned = std::make_unique<BlockingSource>(testwav::rampWav(8000, 100000), 44 + 20000 * 4);
  BlockingSource* src = owned.get();
  DecoderPtr decoder = openOver(std::move(owned), ma_encoding_format_wav);
  ASSERT_TRUE(decoder);
  ASSERT_TRUE(src->waitBlocked());
  EXPECT_FALSE(decoder->readingIdle());
  EXPECT_TRUE(releaseReturns(std::move(decoder)));
}

TEST(StreamDecoder, UnplayableSourcesAreRefused) {
  std::vector<uint8_t> garbage(20000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 13 + 5);
  openOver(std::make_unique<source::MemorySource>(garbage), ma_encoding_format_mp3,
           StreamDecoder::OpenResult::NotPlayable);
  openOver(std::make_unique<source::MemorySource>(testwav::header(8000, 2, 0)),
           ma_encoding_format_wav, StreamDecoder::OpenResult::NotPlayable);
  // A decoder that never opened releases cleanly too.
  DecoderPtr never(StreamDecoder::create(std::make_unique<source::MemorySource>(garbage)));
  EXPECT_TRUE(never);
}

}  // namespace
