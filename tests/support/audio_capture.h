// What the default device played, as ALSA writes it under Wine through tools/asoundrc into the
// file that TWK_AUDIO_CAPTURE names: raw interleaved 32-bit float stereo at the device's rate.
// Wine may buffer ahead of real time, so the file's length is no clock. Also the measures that
// tests take of a tone, in the capture or in any float samples. No GoogleTest here.
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

// Samples no louder than this are silence.
constexpr float kSilenceFloor = 1e-3f;
// Rising crossings counted from below minus to above plus this level, so that the silence
// where a looped file joins does not count.
constexpr float kLoopedToneHysteresis = 0.02f;

// The stretch between the first and the last frame louder than `floor`, interleaved stereo.
std::vector<float> withoutSilence(const std::vector<float>& stereo, float floor = kSilenceFloor);

struct ToneLevel {
  double hz = 0;            // from the rising crossings; 0 when fewer than ten
  double rms = 0;           // root mean square
  size_t longestQuiet = 0;  // the longest run of frames within kSilenceFloor: a dropout
};
// One channel (0 left, 1 right) of interleaved stereo over the frames [from, to).
ToneLevel measureTone(const std::vector<float>& stereo, int channel, size_t from, size_t to,
                      uint32_t rate, float hysteresis = 0);

// The frequency of one channel's samples, as measureTone counts it.
double toneHz(const std::vector<float>& samples, uint32_t rate, float hysteresis = 0);

}  // namespace testsupport
