// The radio ring natively (mmap; a touch of a decommitted chunk faults) and under Wine
// (VirtualAlloc): frames in order through wraps, commit following the data, references.
#include "engine/radio_ring.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "net/radio/radio_event.h"

namespace {

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
  const std::vector<int16_t> want = framesFrom(first, count);
  for (size_t i = 0; i < want.size(); ++i) ASSERT_EQ(out[i], want[i] / 32768.0f) << i;
}

}  // namespace

TEST(RadioRing, HoldsTwentyMinutesAndWrapsInOrder) {
  EXPECT_EQ(RadioRing::create(0), nullptr);
  EXPECT_EQ(RadioRing::create(RadioRing::kMaxSampleRate + 1), nullptr);
  RadioRing* big = RadioRing::create(44100);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->capacity(), 44100u * 1200 + 1);
  EXPECT_EQ(big->chunkCount(), 202u);  // 201.9 MiB
  EXPECT_EQ(big->rebufferTarget(), 44100u);
  EXPECT_EQ(big->committedChunks(), 0u);
  big->release();

  // One frame per second: 1201 frames, so wraps come quickly.
  RadioRing& ring = *RadioRing::create(1);
  EXPECT_EQ(ring.rebufferTarget(), 1u);
  EXPECT_EQ(ring.write(framesFrom(0, 1000).data(), 1000), 1000u);
  expectFrames(ring, 0, 900);
  // Of 1200 frames asked only 1100 fit (one frame stays free), across the end.
  EXPECT_EQ(ring.write(framesFrom(1000, 1200).data(), 1200), 1100u);
  EXPECT_EQ(ring.buffered(), 1200u);
  EXPECT_EQ(ring.write(framesFrom(0, 1).data(), 1), 0u);
  expectFrames(ring, 900, 1200);
  float out[4] = {};
  EXPECT_EQ(ring.read(out, 2), 0u);
  const int16_t extremes[4] = {-32768, 32767, 0, -1};
  EXPECT_EQ(ring.write(extremes, 2), 2u);
  ASSERT_EQ(ring.read(out, 5), 2u);
  EXPECT_EQ(out[0], -1.0f);
  EXPECT_EQ(out[1], 32767.0f / 32768.0f);
  ring.release();
}

TEST(RadioRing, CommitsChunksAsDataArrivesAndGivesPlayedOnesBack) {
  RadioRing& ring = *RadioRing::create(48000);
  const uint32_t chunkFrames = uint32_t(RadioRing::kChunkBytes / RadioRing::kFrameBytes);
  const uint32_t block = 1152;
  std::vector<float> out(size_t{block} * 2);
  // 25 minutes of audio, played ten seconds behind: more than one turn of the ring.
  uint64_t written = 0, read = 0;
  while (written < uint64_t{48000} * 60 * 25) {
    ASSERT_EQ(ring.write(framesFrom(uint32_t(written), block).data(), block), block);
    written += block;
    for (; written - read > 48000 * 10; read += block) {
      ASSERT_EQ(ring.read(out.data(), block), block);
      ASSERT_EQ(out[0], int16_t(read) / 32768.0f);
    }
    // The buffered chunks are committed; beyond them at most the two partly filled ends,
    // the chunk being written and the one after it.
    ASSERT_LE(ring.committedChunks(), ring.buffered() / chunkFrames + 4);
    ASSERT_TRUE(ring.chunkCommitted(uint32_t(read % ring.capacity() / chunkFrames)));
    ASSERT_TRUE(ring.chunkCommitted(uint32_t((written - 1) % ring.capacity() / chunkFrames)));
  }
  // Everything played: the write position's two chunks stay (and the read position's when a
  // chunk boundary lies between them).
  while (ring.read(out.data(), block) > 0) {
  }
  ASSERT_EQ(ring.write(framesFrom(0, 1).data(), 1), 1u);
  EXPECT_LE(ring.committedChunks(), 3u);
  ring.release();
}

TEST(RadioRing, ReaderAndWriterOnTwoThreadsShareIt) {
  RadioRing* ring = RadioRing::create(8000);
  ASSERT_NE(ring, nullptr);
  const uint32_t total = 8000 * 60 * 30;  // two and a half turns
  ring->retain();                         // the reader's reference
  std::thread reader([ring, total] {
    std::vector<float> out(4096 * 2);
    bool inOrder = true;
    for (uint32_t next = 0; next < total;) {
      const uint32_t n = ring->read(out.data(), 4096);
      for (uint32_t i = 0; i < n; ++i, ++next) {
        if (inOrder && out[size_t{i} * 2] != int16_t(next) / 32768.0f) {
          ADD_FAILURE() << "frame " << next;
          inOrder = false;  // keep draining so that the writer finishes
        }
      }
      if (n == 0) std::this_thread::yield();
    }
    ring->release();
  });
  for (uint32_t sent = 0; sent < total;) {
    const std::vector<int16_t> frames = framesFrom(sent, 3000);
    for (uint32_t done = 0; done < 3000; std::this_thread::yield()) {
      done += ring->write(frames.data() + size_t{done} * 2, 3000 - done);
    }
    sent += 3000;
  }
  reader.join();
  // A started event that is never played gives its reference back; a taken ring is the
  // taker's to release. LeakSanitizer and ASan check that the last release frees it.
  auto* unused = new RadioEvent;
  ring->retain();
  unused->ring = ring;
  auto* played = new RadioEvent;
  ring->retain();
  played->ring = ring;
  EXPECT_EQ(RadioEvent::live(), 2);
  delete unused;
  RadioRing* taken = played->takeRing();
  delete played;
  EXPECT_EQ(RadioEvent::live(), 0);
  EXPECT_EQ(taken->write(framesFrom(0, 1).data(), 1), 1u);
  taken->release();
  ring->release();
}
