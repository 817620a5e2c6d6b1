// The frequency of a test tone from its samples. Portable and header-only, for native and Wine
// tests alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

// From the rising crossings (with a little hysteresis, so that the silence where a looped
// file joins does not count); 0 when there are too few.
inline double toneHz(const std::vector<float>& samples, uint32_t rate) {
  constexpr float kLevel = 0.02f;
  bool low = false;
  size_t first = 0, last = 0, crossings = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (samples[i] < -kLevel) {
      low = true;
    } else if (low && samples[i] > kLevel) {
      low = false;
      if (crossings++ == 0) first = i;
      last = i;
    }
  }
  if (crossings < 10) return 0;
  return double(crossings - 1) * rate / double(last - first);
}

}  // namespace testsupport
