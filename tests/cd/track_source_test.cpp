// A CD track as a WAV byte source over a generated disc: the header, the 24-sector cache,
// rereads and silence for bad sectors, an ejected disc and cancelling; and the track decoded
// through a StreamDecoder as the loader opens it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "cd/open_track.h"
#include "cd/track_source.h"
#include "engine/loaded_track.h"
#include "engine/stream_decoder.h"
#include "tests/support/cd_disc_image.h"
#include "tests/support/wav_writer.h"

namespace {

constexpr uint32_t kFirst = 340;  // track 3 of the mixed-mode disc
constexpr uint32_t kSectors = 90;
constexpr uint32_t kFramesPerSector = 588;

std::unique_ptr<cd::TrackSource> track3(testcd::DiscImage& disc) {
  return cd::TrackSource::create(disc.device(), kFirst, kFirst + kSectors);
}

std::vector<uint8_t> sectors(testcd::DiscImage& disc, uint32_t first, uint32_t count) {
  std::vector<uint8_t> bytes(size_t{count} * cd::kSectorBytes);
  for (uint32_t i = 0; i < count; ++i) disc.sectorBytes(first + i, &bytes[i * cd::kSectorBytes]);
  return bytes;
}

// The whole source in pieces, as a decoder reads it; stops at a failure or the end.
std::vector<uint8_t> readAll(source::ByteSource& src, uint64_t chunk) {
  std::vector<uint8_t> out(src.size());
  uint64_t at = 0, got = 1;
  while (at < out.size() && got &&
         src.readAt(at, &out[at], std::min<uint64_t>(chunk, out.size() - at), got))
    at += got;
  out.resize(at);
  return out;
}

TEST(CdTrackSource, HeaderThenSectorsReadTwentyFourAtATime) {
  auto disc = testcd::mixedModeDisc();
  auto src = track3(*disc);
  const uint32_t data = kSectors * cd::kSectorBytes;
  ASSERT_EQ(data + 44u, src->size());
  const std::vector<uint8_t> pcm = sectors(*disc, kFirst, kSectors);

  // 10 bytes at offset 40: the data size, then the first 6 bytes of sound.
  uint8_t ten[10];
  uint64_t got = 0;
  ASSERT_TRUE(src->readAt(40, ten, 10, got));
  ASSERT_EQ(10u, got);
  const uint8_t size[4] = {uint8_t(data), uint8_t(data >> 8), uint8_t(data >> 16), 0};
  EXPECT_EQ(0, std::memcmp(ten, size, 4));
  EXPECT_EQ(0, std::memcmp(ten + 4, pcm.data(), 6));

  const std::vector<uint8_t> all = readAll(*src, 10007);
  ASSERT_EQ(src->size(), all.size());
  EXPECT_EQ(testwav::header(44100, 2, data), std::vector<uint8_t>(all.begin(), all.begin() + 44));
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), all.begin() + 44));
  EXPECT_EQ(4u, disc->readCalls());  // 24 + 24 + 24 + 18 sectors
  EXPECT_EQ(24u, disc->largestRead());

  // Nothing at or past the end, or for no bytes; a read across the end stops there.
  for (uint64_t offset : {src->size(), uint64_t{1} << 62}) {
    EXPECT_TRUE(src->readAt(offset, ten, 10, got));
    EXPECT_EQ(0u, got);
  }
  EXPECT_TRUE(src->readAt(100, ten, 0, got));
  EXPECT_EQ(0u, got);
  ASSERT_TRUE(src->readAt(src->size() - 4, ten, 10, got));
  EXPECT_EQ(4u, got);
  EXPECT_EQ(44u, cd::TrackSource::create(disc->device(), 400, 300)->size());
}

TEST(CdTrackSource, BadSectorsPlayAsSilenceAndALostDiscEndsReading) {
  // A failed batch is reread one sector at a time, each with three attempts.
  auto disc = testcd::mixedModeDisc();
  disc->failSector(kFirst + 5, 3);   // the batch and two rereads fail, the third works
  disc->failSector(kFirst + 30, 4);  // the batch and all three rereads fail
  disc->failSector(kFirst + 31, 4);
  auto src = track3(*disc);
  const std::vector<uint8_t> all = readAll(*src, 65536);
  ASSERT_EQ(src->size(), all.size());
  std::vector<uint8_t> pcm = sectors(*disc, kFirst, kSectors);
  std::memset(&pcm[30 * cd::kSectorBytes], 0, 2 * cd::kSectorBytes);
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), all.begin() + 44));
  EXPECT_EQ(2u, src->silentSectors());
  EXPECT_FALSE(src->mediumLost());

  // A disc ejected inside the second batch: a read across it returns what came before.
  auto ejected = testcd::mixedModeDisc();
  ejected->ejectAt(kFirst + 30);
  auto lost = track3(*ejected);
  std::vector<uint8_t> buffer(lost->size());
  uint64_t got = 0;
  ASSERT_TRUE(lost->readAt(0, buffer.data(), buffer.size(), got));
  EXPECT_EQ(44u + 24 * cd::kSectorBytes, got);
  EXPECT_TRUE(lost->mediumLost());

  // Cancelling (from any thread) fails every later drive read as a lost medium.
  auto other = track3(*disc);
  std::thread([&] { other->cancel(); }).join();
  EXPECT_FALSE(other->readAt(44, buffer.data(), 100, got));
  EXPECT_TRUE(other->mediumLost());
  EXPECT_TRUE(other->readAt(0, buffer.data(), 44, got));  // the header needs no drive
  EXPECT_EQ(44u, got);
}

struct Releaser {
  void operator()(StreamDecoder* d) const { d->release(); }
};
using DecoderPtr = std::unique_ptr<StreamDecoder, Releaser>;

// Drains the decoder as the audio callback does, for a bounded time.
std::vector<float> drain(StreamDecoder& decoder, uint64_t frames) {
  LoadedTrack track;
  std::vector<float> out, buffer(2 * 1024);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  StreamDecoder::DrainResult result = StreamDecoder::DrainResult::Full;
  while (out.size() / 2 < frames && result != StreamDecoder::DrainResult::Ended &&
         std::chrono::steady_clock::now() < deadline) {
    // As the output does, nothing is drained while a seek is still being served.
    const bool seeking = decoder.serviceSeek(track) == StreamDecoder::SeekState::Waiting;
    if (seeking || result == StreamDecoder::DrainResult::Underrun)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (seeking) continue;
    const uint64_t want = std::min<uint64_t>(1024, frames - out.size() / 2);
    const uint64_t got = decoder.drain(track, buffer.data(), want, result);
    out.insert(out.end(), buffer.begin(), buffer.begin() + got * 2);
  }
  return out;
}

// How many frames from the start are track 3's tone from `firstFrame` on.
size_t matchingFrames(const std::vector<float>& frames, uint64_t firstFrame) {
  size_t i = 0;
  while (i < frames.size() / 2 &&
         frames[i * 2] == testcd::toneSample(3, firstFrame + i, 0) / 32768.0f &&
         frames[i * 2 + 1] == testcd::toneSample(3, firstFrame + i, 1) / 32768.0f)
    ++i;
  return i;
}

TEST(CdTrackSource, DecodesToTheTracksToneWithItsExactLengthUntilTheDiscIsEjected) {
  auto disc = testcd::mixedModeDisc();
  cd::OpenTrackError error;
  DecoderPtr decoder(
      StreamDecoder::create(cd::openTrackSource(L"D:\\Track03.cda", disc->opener(), error)));
  ASSERT_TRUE(decoder);
  ASSERT_EQ(StreamDecoder::OpenResult::Ok, decoder->openMiniaudio(ma_encoding_format_wav));
  EXPECT_EQ(44100u, decoder->sampleRate);
  const uint64_t length = kSectors * kFramesPerSector;
  EXPECT_EQ(length, decoder->lengthFrames);
  std::vector<float> frames = drain(*decoder, length + 100);
  EXPECT_EQ(length * 2, frames.size());
  EXPECT_EQ(length, matchingFrames(frames, 0));

  // A seek lands on its frame, in the middle of a sector and of a cached batch.
  const uint64_t target = 30 * kFramesPerSector + 123;
  decoder->requestSeek(target);
  EXPECT_EQ(1000u, matchingFrames(drain(*decoder, 1000), target));
  EXPECT_FALSE(decoder->byteSource().mediumLost());

  // Ejected in the third batch: two whole batches play, then the data ends.
  auto ejecting = testcd::mixedModeDisc();  // the first decoder may still be reading
  ejecting->ejectAt(kFirst + 50);
  DecoderPtr ejected(StreamDecoder::create(track3(*ejecting)));
  ASSERT_EQ(StreamDecoder::OpenResult::Ok, ejected->openMiniaudio(ma_encoding_format_wav));
  frames = drain(*ejected, length);
  EXPECT_EQ(48u * kFramesPerSector * 2, frames.size());
  EXPECT_EQ(frames.size() / 2, matchingFrames(frames, 0));
  EXPECT_TRUE(ejected->byteSource().mediumLost());
  uint8_t byte;
  uint64_t got = 0;
  EXPECT_FALSE(ejected->byteSource().readAt(44 + 60 * cd::kSectorBytes, &byte, 1, got));
}

}  // namespace
