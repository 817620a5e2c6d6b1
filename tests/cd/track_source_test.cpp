// A CD track as a WAV byte source over a generated disc: the header, the 24-sector cache,
// rereads and silence for bad sectors, an ejected disc, cancelling; and the track decoded
// through the StreamDecoder the loader gives it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "cd/open_track.h"
#include "cd/track_source.h"
#include "engine/loaded_track.h"
#include "engine/stream_decoder.h"
#include "tests/support/cd_disc_image.h"

namespace {

constexpr uint32_t kTrack3First = 340;  // track 3 of the mixed-mode disc: 90 sectors
constexpr uint32_t kTrack3Sectors = 90;
constexpr uint32_t kFramesPerSector = 588;

std::unique_ptr<cd::TrackSource> track3(const std::shared_ptr<testcd::DiscImage>& disc) {
  return cd::TrackSource::create(disc->device(), kTrack3First, kTrack3First + kTrack3Sectors);
}

std::vector<uint8_t> expectedSectors(testcd::DiscImage& disc, uint32_t first, uint32_t count) {
  std::vector<uint8_t> bytes(size_t{count} * cd::kSectorBytes);
  for (uint32_t i = 0; i < count; ++i)
    disc.sectorBytes(first + i, &bytes[size_t{i} * cd::kSectorBytes]);
  return bytes;
}

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

// Reads the whole source in pieces of `chunk` bytes, as a decoder would.
std::vector<uint8_t> readAll(source::ByteSource& src, uint64_t chunk, bool& ok) {
  std::vector<uint8_t> out(src.size());
  uint64_t at = 0;
  ok = true;
  while (at < out.size()) {
    uint64_t got = 0;
    ok = src.readAt(at, out.data() + at, std::min<uint64_t>(chunk, out.size() - at), got);
    if (!ok || got == 0) break;
    at += got;
  }
  out.resize(at);
  return out;
}

TEST(CdTrackSource, HeaderThenSectorsReadTwentyFourAtATime) {
  auto disc = testcd::mixedModeDisc();
  auto src = track3(disc);
  ASSERT_TRUE(src);
  const uint32_t data = kTrack3Sectors * cd::kSectorBytes;
  EXPECT_EQ(data + 44u, src->size());
  EXPECT_TRUE(src->seekable());
  EXPECT_EQ(L"", src->contentType());

  // 10 bytes at offset 40: the data size, then the first 6 bytes of sound.
  uint8_t ten[10];
  uint64_t got = 0;
  ASSERT_TRUE(src->readAt(40, ten, 10, got));
  ASSERT_EQ(10u, got);
  EXPECT_EQ(data, le32(ten));
  const std::vector<uint8_t> pcm = expectedSectors(*disc, kTrack3First, kTrack3Sectors);
  EXPECT_EQ(0, std::memcmp(ten + 4, pcm.data(), 6));

  bool ok = false;
  std::vector<uint8_t> all = readAll(*src, 10007, ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(src->size(), all.size());
  EXPECT_EQ(0, std::memcmp(all.data(), "RIFF", 4));
  EXPECT_EQ(data + 36, le32(&all[4]));
  EXPECT_EQ(0, std::memcmp(&all[8], "WAVEfmt ", 8));
  const uint8_t format[] = {16, 0, 0,    0,    1, 0, 2, 0, 0x44, 0xAC,
                            0,  0, 0x10, 0xB1, 2, 0, 4, 0, 16,   0};
  EXPECT_EQ(0, std::memcmp(&all[16], format, sizeof format));
  EXPECT_EQ(0, std::memcmp(&all[36], "data", 4));
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), all.begin() + 44));
  // 90 sectors: three batches of 24 and one of 18 (the 10-byte read filled the first batch).
  EXPECT_EQ(4u, disc->readCalls());
  EXPECT_EQ(24u, disc->largestRead());

  // At and past the end, and a zero count: success with nothing.
  for (uint64_t offset : {src->size(), src->size() + 5, uint64_t{1} << 62}) {
    got = 7;
    EXPECT_TRUE(src->readAt(offset, ten, 10, got));
    EXPECT_EQ(0u, got);
  }
  EXPECT_TRUE(src->readAt(100, ten, 0, got));
  EXPECT_EQ(0u, got);
  // A read across the end stops there.
  ASSERT_TRUE(src->readAt(src->size() - 4, ten, 10, got));
  EXPECT_EQ(4u, got);
  EXPECT_FALSE(src->mediumLost());

  // An end before the start is an empty track.
  auto empty = cd::TrackSource::create(disc->device(), 400, 300);
  ASSERT_TRUE(empty);
  EXPECT_EQ(44u, empty->size());
}

TEST(CdTrackSource, BadSectorsAreRereadThreeTimesThenPlayedAsSilence) {
  // The batch read fails, then each sector gets three single reads of its own.
  auto disc = testcd::mixedModeDisc();
  disc->failSector(kTrack3First + 5, 3);   // batch and two rereads fail, the third works
  disc->failSector(kTrack3First + 30, 4);  // batch and all three rereads fail
  disc->failSector(kTrack3First + 31, 4);
  auto src = track3(disc);
  bool ok = false;
  std::vector<uint8_t> all = readAll(*src, 65536, ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(src->size(), all.size());
  std::vector<uint8_t> pcm = expectedSectors(*disc, kTrack3First, kTrack3Sectors);
  std::memset(&pcm[30 * cd::kSectorBytes], 0, 2 * cd::kSectorBytes);
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), all.begin() + 44));
  EXPECT_EQ(2u, src->silentSectors());
  EXPECT_FALSE(src->mediumLost());
}

TEST(CdTrackSource, EjectionAndCancelEndReadingWithWhatCame) {
  auto disc = testcd::mixedModeDisc();
  disc->ejectAt(kTrack3First + 30);  // inside the second batch
  auto src = track3(disc);
  std::vector<uint8_t> buffer(src->size());
  uint64_t got = 0;
  ASSERT_TRUE(src->readAt(0, buffer.data(), buffer.size(), got));
  EXPECT_EQ(44u + 24 * cd::kSectorBytes, got);
  EXPECT_TRUE(src->mediumLost());
  EXPECT_FALSE(src->readAt(got, buffer.data(), 100, got));
  EXPECT_EQ(0u, got);

  // Cancelling (from any thread) makes every later drive read fail as a lost medium.
  auto fresh = testcd::mixedModeDisc();
  auto other = track3(fresh);
  std::thread([&] { other->cancel(); }).join();
  EXPECT_FALSE(other->readAt(44, buffer.data(), 100, got));
  EXPECT_EQ(0u, got);
  EXPECT_TRUE(other->mediumLost());
  EXPECT_EQ(0u, fresh->readCalls());
  // The header needs no drive.
  EXPECT_TRUE(other->readAt(0, buffer.data(), 44, got));
  EXPECT_EQ(44u, got);
}

struct Releaser {
  void operator()(StreamDecoder* d) const { d->release(); }
};

// Drains the decoder the way the audio callback does, for a bounded time.
std::vector<float> drainFrames(StreamDecoder& decoder, LoadedTrack& track, uint64_t frames) {
  std::vector<float> out;
  std::vector<float> buffer(2 * 1024);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (out.size() / 2 < frames && std::chrono::steady_clock::now() < deadline) {
    if (decoder.serviceSeek(track) == StreamDecoder::SeekState::Waiting) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    StreamDecoder::DrainResult result;
    const uint64_t got = decoder.drain(track, buffer.data(),
                                       std::min<uint64_t>(1024, frames - out.size() / 2), result);
    out.insert(out.end(), buffer.begin(), buffer.begin() + got * 2);
    if (result == StreamDecoder::DrainResult::Ended) break;
    if (result == StreamDecoder::DrainResult::Underrun)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return out;
}

// Index of the first frame that is not the track's tone at `firstFrame` onwards, or the count.
size_t firstMismatch(const std::vector<float>& frames, uint32_t track, uint64_t firstFrame) {
  for (size_t i = 0; i < frames.size() / 2; ++i) {
    for (int c = 0; c < 2; ++c) {
      if (frames[i * 2 + c] != testcd::toneSample(track, firstFrame + i, c) / 32768.0f) return i;
    }
  }
  return frames.size() / 2;
}

TEST(CdTrackSource, DecodesAsWavToTheTracksToneWithItsExactLength) {
  auto disc = testcd::mixedModeDisc();
  cd::OpenTrackError error;
  std::unique_ptr<StreamDecoder, Releaser> decoder(
      StreamDecoder::create(cd::openTrackSource(L"D:\\Track03.cda", disc->opener(), error)));
  ASSERT_TRUE(decoder);
  ASSERT_EQ(StreamDecoder::OpenResult::Ok, decoder->openMiniaudio(ma_encoding_format_wav));
  EXPECT_EQ(44100u, decoder->sampleRate);
  const uint64_t length = uint64_t{kTrack3Sectors} * kFramesPerSector;
  EXPECT_EQ(length, decoder->lengthFrames);

  LoadedTrack track;
  std::vector<float> frames = drainFrames(*decoder, track, length + 100);
  EXPECT_EQ(length * 2, frames.size());
  EXPECT_EQ(frames.size() / 2, firstMismatch(frames, 3, 0));

  // A seek lands on the exact frame, in the middle of a sector and of a cache batch.
  const uint64_t target = 30 * kFramesPerSector + 123;
  decoder->requestSeek(target);
  frames = drainFrames(*decoder, track, 1000);
  ASSERT_EQ(2000u, frames.size());
  EXPECT_EQ(1000u, firstMismatch(frames, 3, target));
  EXPECT_FALSE(decoder->byteSource().mediumLost());
}

TEST(CdTrackSource, EjectionDuringDecodingEndsTheDataAndReportsTheLostMedium) {
  auto disc = testcd::mixedModeDisc();
  disc->ejectAt(kTrack3First + 50);
  std::unique_ptr<StreamDecoder, Releaser> decoder(StreamDecoder::create(track3(disc)));
  ASSERT_TRUE(decoder);
  ASSERT_EQ(StreamDecoder::OpenResult::Ok, decoder->openMiniaudio(ma_encoding_format_wav));
  LoadedTrack track;
  std::vector<float> frames = drainFrames(*decoder, track, kTrack3Sectors * kFramesPerSector);
  // Two whole batches came before the disc went.
  EXPECT_EQ(48u * kFramesPerSector * 2, frames.size());
  EXPECT_EQ(frames.size() / 2, firstMismatch(frames, 3, 0));
  EXPECT_TRUE(decoder->byteSource().mediumLost());
}

}  // namespace
