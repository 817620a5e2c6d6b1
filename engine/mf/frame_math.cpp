#include "engine/mf/frame_math.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace mf {

uint64_t framesFromHns(uint64_t hns, uint32_t rate) noexcept {
  // Split so that neither product overflows: (hns / 10^7) x rate stays below 2^64 for every
  // rate below 10^7 (the reader accepts at most 384000), the remainder term below 10^7 x 2^32.
  return (hns / kHnsPerSecond) * rate +
         (rate * (hns % kHnsPerSecond) + kHnsPerSecond / 2) / kHnsPerSecond;
}

int64_t hnsFromFrames(uint64_t frames, uint32_t rate) noexcept {
  constexpr uint64_t kMax = std::numeric_limits<int64_t>::max();
  if (rate == 0) return 0;
  const uint64_t seconds = frames / rate;
  if (seconds > kMax / kHnsPerSecond) return static_cast<int64_t>(kMax);
  const uint64_t whole = seconds * kHnsPerSecond;
  const uint64_t part = (frames % rate) * kHnsPerSecond / rate;
  return static_cast<int64_t>(std::min(kMax, whole + part));
}

uint64_t appendStereo(const uint8_t* bytes, uint64_t frames, uint32_t channels, uint64_t& skip,
                      std::vector<float>& out) {
  if (channels == 0) return 0;
  const uint64_t skipped = std::min(skip, frames);
  skip -= skipped;
  const uint64_t kept = frames - skipped;
  if (kept == 0) return 0;
  const size_t frameBytes = size_t{channels} * sizeof(float);
  const uint8_t* in = bytes + skipped * frameBytes;
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(kept) * 2);
  for (uint64_t i = 0; i < kept; ++i, in += frameBytes) {
    std::memcpy(&out[at++], in, sizeof(float));
    std::memcpy(&out[at++], channels == 1 ? in : in + sizeof(float), sizeof(float));
  }
  return kept;
}

}  // namespace mf
