// The radio ring natively (mmap; a touch of a decommitted chunk faults) and under Wine
// (VirtualAlloc): frames in order through wraps, commit following the data, references.
#include "net/radio/radio_ring.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "net/radio/radio_event.h"

namespace {

struct RingRef {
  explicit RingRef(uint32_t rate) : ring(RadioRing::create(rate)) {}
  ~RingRef() {
    if (ring) ring->release();
  }
  RadioRing* ring;
};

// Frame n carries (n, -n) in 16 bits.
std::vector<int16_t> framesFrom(uint32_t first, uint32_t count) {
  std::vector<int16_t> out(size_t{count} * 2);
  for (uint32_t i = 0; i < count; ++i) {
    out[size_t{i} * 2] = int16_t(first + i);
    out[size_t{i} * 2 + 1] = int16_t(-int16_t(first + i));
  }
  return out;
}

// Reads `count` frames and checks they continue the sequence at `first`.
void expectFrames(RadioRing& ring, uint32_t first, uint32_t count) {
  std::vector<float> out(size_t{count} * 2);
  ASSERT_EQ(ring.read(out.data(), count), count);
  for (uint32_t i = 0; i < count; ++i) {
    const int16_t value = int16_t(first + i);
    ASSERT_EQ(out[size_t{i} * 2], float(value) / 32768.0f) << first + i;
    ASSERT_EQ(out[size_t{i} * 2 + 1], float(int16_t(-value)) / 32768.0f) << first + i;
  }
}

}  // namespace

TEST(RadioRing, HoldsTwentyMinutesAndWrapsInOrder) {
  EXPECT_EQ(RadioRing::create(0), nullptr);
  EXPECT_EQ(RadioRing::create(RadioRing::kMaxSampleRate + 1), nullptr);
  {
    RingRef big(44100);
    ASSERT_NE(big.ring, nullptr);
    EXPECT_EQ(big.ring->capacity(), 44100u * 1200 + 1);
    EXPECT_EQ(big.ring->chunkCount(), (uint64_t{44100} * 1200 + 1) * 4 / (1 << 20) + 1);
    EXPECT_EQ(big.ring->rebufferTarget(), 44100u);
    EXPECT_EQ(big.ring->committedChunks(), 0u);
  }

  // One frame per second: 1201 frames, so wraps come quickly.
  RingRef small(1);
  RadioRing& ring = *small.ring;
  EXPECT_EQ(ring.rebufferTarget(), 1u);
  float out[4] = {};
  EXPECT_EQ(ring.read(out, 2), 0u);
  EXPECT_EQ(ring.write(framesFrom(0, 1000).data(), 1000), 1000u);
  expectFrames(ring, 0, 900);
  // 1100 frames asked; only the 1100 free of 1201 - 1 fit, across the end.
  EXPECT_EQ(ring.write(framesFrom(1000, 1200).data(), 1200), 1100u);
  EXPECT_EQ(ring.buffered(), 1200u);
  EXPECT_EQ(ring.write(framesFrom(0, 1).data(), 1), 0u);  // full: one frame stays free
  expectFrames(ring, 900, 1200);
  EXPECT_EQ(ring.buffered(), 0u);
  EXPECT_EQ(ring.read(out, 2), 0u);
  // Full scale both ways.
  const int16_t extremes[4] = {-32768, 32767, 0, -1};
  EXPECT_EQ(ring.write(extremes, 2), 2u);
  ASSERT_EQ(ring.read(out, 5), 2u);
  EXPECT_EQ(out[0], -1.0f);
  EXPECT_EQ(out[1], 32767.0f / 32768.0f);
  EXPECT_EQ(out[3], -1.0f / 32768.0f);
}

TEST(RadioRing, CommitsChunksAsDataArrivesAndGivesPlayedOnesBack) {
  RingRef ref(48000);
  RadioRing& ring = *ref.ring;
  const uint32_t chunkFrames = uint32_t(RadioRing::kChunkBytes / RadioRing::kFrameBytes);
  const uint32_t block = 1152;
  const std::vector<int16_t> silence(block * 2, 0);
  // 25 minutes of audio, played ten seconds behind: more than one turn of the ring.
  uint64_t written = 0, read = 0;
  uint32_t maxCommitted = 0;
  std::vector<float> out(size_t{block} * 2);
  while (written < uint64_t{48000} * 60 * 25) {
    std::vector<int16_t> frames = framesFrom(uint32_t(written), block);
    ASSERT_EQ(ring.write(frames.data(), block), block);
    written += block;
    while (written - read > 48000 * 10) {
      ASSERT_EQ(ring.read(out.data(), block), block);
      ASSERT_EQ(out[0], float(int16_t(read)) / 32768.0f);
      read += block;
    }
    // Buffered chunks are committed; beyond them at most the ends, the chunk being written
    // and the one after it.
    const uint32_t buffered = ring.buffered();
    ASSERT_LE(ring.committedChunks(), buffered / chunkFrames + 4);
    maxCommitted = std::max(maxCommitted, ring.committedChunks());
    const uint32_t readChunk = uint32_t(read % ring.capacity() / chunkFrames);
    const uint32_t lastChunk = uint32_t((written - 1) % ring.capacity() / chunkFrames);
    ASSERT_TRUE(ring.chunkCommitted(readChunk));
    ASSERT_TRUE(ring.chunkCommitted(lastChunk));
  }
  EXPECT_GT(written, uint64_t{ring.capacity()});
  EXPECT_LE(maxCommitted, 48000u * 10 / chunkFrames + 4);
  // Everything played: only the write position's two chunks stay (and the read position's,
  // when the two fall on either side of a chunk boundary).
  while (ring.read(out.data(), block) > 0) {
  }
  ASSERT_EQ(ring.write(silence.data(), 1), 1u);
  EXPECT_LE(ring.committedChunks(), 3u);
}

TEST(RadioRing, ReaderAndWriterOnTwoThreadsAndSharedOwnership) {
  RadioRing* ring = RadioRing::create(8000);
  ASSERT_NE(ring, nullptr);
  const uint32_t total = 8000 * 60 * 30;  // two and a half turns
  ring->retain();                         // the reader's reference
  std::thread reader([ring, total] {
    std::vector<float> out(4096 * 2);
    uint32_t next = 0;
    bool inOrder = true;
    while (next < total) {
      const uint32_t n = ring->read(out.data(), 4096);
      for (uint32_t i = 0; i < n; ++i, ++next) {
        if (inOrder && out[size_t{i} * 2] != float(int16_t(next)) / 32768.0f) {
          ADD_FAILURE() << "frame " << next;
          inOrder = false;  // keep draining so that the writer finishes
        }
      }
      if (n == 0) std::this_thread::yield();
    }
    ring->release();
  });
  uint32_t sent = 0;
  while (sent < total) {
    const uint32_t count = std::min<uint32_t>(3000, total - sent);
    std::vector<int16_t> frames = framesFrom(sent, count);
    uint32_t done = 0;
    while (done < count) {
      done += ring->write(frames.data() + size_t{done} * 2, count - done);
      if (done < count) std::this_thread::yield();
    }
    sent += count;
  }
  reader.join();
  ring->release();  // the last reference: LeakSanitizer and ASan check the rest
}

TEST(RadioRing, AnEventThatIsNotPlayedGivesItsReferenceBack) {
  RadioRing* ring = RadioRing::create(100);
  ASSERT_NE(ring, nullptr);
  ring->retain();
  auto* unused = new RadioEvent;
  unused->kind = RadioEvent::kStarted;
  unused->ring = ring;
  ring->retain();
  auto* played = new RadioEvent;
  played->kind = RadioEvent::kStarted;
  played->ring = ring;
  EXPECT_EQ(RadioEvent::live(), 2);
  delete unused;
  RadioRing* taken = played->takeRing();
  delete played;
  EXPECT_EQ(RadioEvent::live(), 0);
  // Two references are left, the creator's and the taken one; both are still usable.
  const int16_t frame[2] = {1, 2};
  EXPECT_EQ(ring->write(frame, 1), 1u);
  taken->release();
  EXPECT_EQ(ring->buffered(), 1u);
  ring->release();
}
