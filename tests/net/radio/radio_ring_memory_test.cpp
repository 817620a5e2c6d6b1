// The radio ring's memory as Windows sees it: the pages committed are exactly the chunks the
// ring marks, and the process's private bytes follow the audio buffered, not the twenty
// minutes reserved.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "net/radio/radio_ring.h"

namespace {

uint64_t privateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  // Wine leaves PrivateUsage at 0; its PagefileUsage, the commit charge that Windows reports
  // equal to it, counts the process's resident private pages.
  return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

bool pagesCommitted(const uint8_t* address) {
  MEMORY_BASIC_INFORMATION info = {};
  return VirtualQuery(address, &info, sizeof info) == sizeof info && info.State == MEM_COMMIT;
}

// Every chunk's first and last page are committed exactly when the ring marks the chunk.
void expectPagesMatchMarks(const RadioRing& ring) {
  const uint64_t bytes = uint64_t{ring.capacity()} * RadioRing::kFrameBytes;
  for (uint32_t chunk = 0; chunk < ring.chunkCount(); ++chunk) {
    const uint64_t start = uint64_t{chunk} * RadioRing::kChunkBytes;
    const uint64_t last = std::min(start + RadioRing::kChunkBytes, bytes) - 1;
    ASSERT_EQ(pagesCommitted(ring.memory() + start), ring.chunkCommitted(chunk)) << chunk;
    ASSERT_EQ(pagesCommitted(ring.memory() + last), ring.chunkCommitted(chunk)) << chunk;
  }
}

}  // namespace

TEST(RadioRingMemory, PrivateBytesFollowTheBufferedAudio) {
  const uint64_t before = privateBytes();
  RadioRing* ring = RadioRing::create(44100);
  ASSERT_NE(ring, nullptr);
  const uint64_t reserved = privateBytes();
  expectPagesMatchMarks(*ring);

  // Sixty seconds of a stream, played one second behind, then sixty seconds more that stay
  // buffered.
  const uint32_t block = 1152;
  std::vector<int16_t> frames(block * 2, 1234);
  std::vector<float> out(block * 2);
  uint64_t written = 0, played = 0;
  while (written < 44100 * 60) {
    ASSERT_EQ(ring->write(frames.data(), block), block);
    written += block;
    while (written - played > 44100) played += ring->read(out.data(), block);
  }
  expectPagesMatchMarks(*ring);
  const uint64_t playing = privateBytes();
  while (written < 44100 * 120) {
    ASSERT_EQ(ring->write(frames.data(), block), block);
    written += block;
  }
  expectPagesMatchMarks(*ring);
  const uint64_t buffering = privateBytes();
  while (ring->read(out.data(), block) > 0) {
  }
  ASSERT_EQ(ring->write(frames.data(), 1), 1u);
  expectPagesMatchMarks(*ring);
  const uint64_t drained = privateBytes();
  ring->release();

  const double mib = 1024.0 * 1024.0;
  std::printf(
      "private bytes over the start: reserved %.1f MiB, 60 s played %.1f MiB, "
      "61 s buffered %.1f MiB, drained %.1f MiB (ring reserves %.1f MiB)\n",
      (double(reserved) - double(before)) / mib, (double(playing) - double(before)) / mib,
      (double(buffering) - double(before)) / mib, (double(drained) - double(before)) / mib,
      double(44100 * 1200 + 1) * 4 / mib);
  EXPECT_LT(playing, before + 16 * 1024 * 1024);
  // 61 s of 44.1 kHz stereo is 10.3 MiB.
  EXPECT_GT(buffering, playing + 8 * 1024 * 1024);
  EXPECT_LT(buffering, before + 16 * 1024 * 1024);
  EXPECT_LT(drained, before + 4 * 1024 * 1024);
}
