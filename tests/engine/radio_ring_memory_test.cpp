// The radio ring's memory as Windows sees it: the pages committed are exactly the chunks the
// ring marks, and the process's private bytes follow the audio buffered, not the twenty
// minutes reserved.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "engine/radio_ring.h"

namespace {

double privateMiB() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  // Wine leaves PrivateUsage at 0; its PagefileUsage, the commit charge that Windows reports
  // equal to it, counts the process's resident private pages.
  return double(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage) /
         (1024 * 1024);
}

bool committed(const uint8_t* address) {
  MEMORY_BASIC_INFORMATION info = {};
  return VirtualQuery(address, &info, sizeof info) == sizeof info && info.State == MEM_COMMIT;
}

// Every chunk's first and last page are committed exactly when the ring marks the chunk.
void expectPagesMatchMarks(const RadioRing& ring) {
  const uint64_t bytes = uint64_t{ring.capacity()} * RadioRing::kFrameBytes;
  for (uint32_t chunk = 0; chunk < ring.chunkCount(); ++chunk) {
    const uint64_t start = uint64_t{chunk} * RadioRing::kChunkBytes;
    const uint64_t last = std::min(start + RadioRing::kChunkBytes, bytes) - 1;
    ASSERT_EQ(committed(ring.memory() + start), ring.chunkCommitted(chunk)) << chunk;
    ASSERT_EQ(committed(ring.memory() + last), ring.chunkCommitted(chunk)) << chunk;
  }
}

}  // namespace

TEST(RadioRingMemory, PrivateBytesFollowTheBufferedAudio) {
  const double before = privateMiB();
  RadioRing* ring = RadioRing::create(44100);
  ASSERT_NE(ring, nullptr);
  const double reserved = privateMiB() - before;
  expectPagesMatchMarks(*ring);

  // Sixty seconds of a stream played one second behind; then sixty more that stay buffered;
  // then everything played.
  const uint32_t block = 1152;
  const std::vector<int16_t> frames(block * 2, 1234);
  std::vector<float> out(block * 2);
  double figures[3];
  uint64_t written = 0, played = 0;
  for (int phase = 0; phase < 3; ++phase) {
    for (const uint64_t end = written + 44100 * 60; phase < 2 && written < end; written += block) {
      ASSERT_EQ(ring->write(frames.data(), block), block);
      while (phase == 0 && written - played > 44100) played += ring->read(out.data(), block);
    }
    if (phase == 2) {
      while (ring->read(out.data(), block) > 0) {
      }
      ASSERT_EQ(ring->write(frames.data(), 1), 1u);
    }
    expectPagesMatchMarks(*ring);
    figures[phase] = privateMiB() - before;
  }
  ring->release();
  std::printf(
      "private bytes over the start: reserved %.1f MiB, 60 s played %.1f MiB, "
      "61 s buffered %.1f MiB, drained %.1f MiB (the ring reserves %.1f MiB)\n",
      reserved, figures[0], figures[1], figures[2], (44100.0 * 1200 + 1) * 4 / (1 << 20));
  EXPECT_LT(figures[0], 16.0);
  EXPECT_GT(figures[1], figures[0] + 8.0);  // 61 s of 44.1 kHz stereo are 10.3 MiB
  EXPECT_LT(figures[1], 16.0);
  EXPECT_LT(figures[2], 4.0);
}
