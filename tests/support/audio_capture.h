// What the default device played, as ALSA writes it under Wine through tools/asoundrc into the
// file that TWK_AUDIO_CAPTURE names: raw interleaved 32-bit float stereo at the device's rate.
// Wine may buffer ahead of real time, so the file's length is no clock. No GoogleTest here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class AudioCapture {
 public:
  static constexpr uint32_t kDeviceRate = 48000;  // what Wine's WASAPI reports

  // Finds the file and removes what an earlier run left there; unavailable when the variable
  // is not set (a test run by hand), and then callers skip their checks of the sound.
  AudioCapture();

  bool available() const { return !path_.empty(); }
  const std::wstring& path() const { return path_; }
  uint64_t frames() const;
  // The samples (left, right, left, ...) from frame `from` on.
  std::vector<float> samples(uint64_t from = 0) const;

 private:
  std::wstring path_;
};

// The stretch between the first and the last frame louder than `floor`, interleaved stereo.
std::vector<float> withoutSilence(const std::vector<float>& stereo, float floor = 1e-3f);

struct ToneLevel {
  double hz = 0;   // from the rising zero crossings
  double rms = 0;  // root mean square
};
// One channel (0 left, 1 right) of interleaved stereo over the frames [from, to).
ToneLevel measureTone(const std::vector<float>& stereo, int channel, size_t from, size_t to,
                      uint32_t rate);

}  // namespace testsupport
