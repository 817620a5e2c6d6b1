// Time and sample arithmetic of Media Foundation decoding: 100-nanosecond units to frames and
// back, and one decoded sample's interleaved floats turned into stereo pairs.
#pragma once

#include <cstdint>
#include <vector>

namespace mf {

constexpr uint64_t kHnsPerSecond = 10'000'000;

// hns x rate / 10^7 rounded to nearest, without overflow for any hns (rate below 10^7).
uint64_t framesFromHns(uint64_t hns, uint32_t rate) noexcept;

// frames / rate in 100-ns units (rounded down), saturating at the largest signed value that a
// position property can carry.
int64_t hnsFromFrames(uint64_t frames, uint32_t rate) noexcept;

// Appends `frames` frames of `channels` interleaved 32-bit floats (unaligned bytes are fine)
// to `out` as stereo pairs: channels 0 and 1, or channel 0 twice for mono; further channels
// are dropped. The first `skip` frames are left out first and `skip` is reduced by them.
// Returns the frames appended. Throws std::bad_alloc when `out` cannot grow.
uint64_t appendStereo(const uint8_t* bytes, uint64_t frames, uint32_t channels, uint64_t& skip,
                      std::vector<float>& out);

}  // namespace mf
