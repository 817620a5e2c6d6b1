// Cost of one 20 ms audio callback period (960 frames at 48 kHz) for a memory-decoded track,
// with resampling (44.1 kHz track) and without (48 kHz track), as a share of the period.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <vector>

#include "engine/audio_output.h"
#include "engine/memory_decoder.h"
#include "tests/support/memory_track.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"

namespace {

constexpr uint32_t kOutputRate = 48000;
constexpr uint32_t kPeriodFrames = kOutputRate * AudioOutput::kPeriodMs / 1000;
constexpr int kPeriods = 3000;  // one minute of audio

// Ten seconds of a stereo tone as a WAV of 16-bit PCM or 32-bit float.
std::vector<uint8_t> toneWav(uint32_t rate, bool floatSamples) {
  const uint32_t frames = rate * 10;
  std::vector<float> f;
  std::vector<int16_t> pcm;
  for (uint32_t i = 0; i < frames; ++i) {
    const double v = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * i / rate);
    for (int c = 0; c < 2; ++c) {
      f.push_back(float(v));
      pcm.push_back(int16_t(v * 32767));
    }
  }
  return floatSamples ? testwav::floatWav(rate, f) : testwav::wav(rate, 2, pcm);
}

void measure(const char* label, uint32_t trackRate, bool floatSamples) {
  const std::vector<uint8_t> wav = toneWav(trackRate, floatSamples);
  LoadedTrackPtr track = testsupport::memoryTrack(1, wav, ma_encoding_format_wav);
  if (!track) {
    std::printf("%s: the track does not open\n", label);
    return;
  }

  AudioOutput output;
  if (!output.setOutputRate(kOutputRate)) return;
  output.setRepeatOne(true);  // loop the ten seconds
  output.setGain(80);
  output.handOver(std::move(track));

  std::vector<float> buffer(size_t(kPeriodFrames) * 2);
  std::vector<double> micros;
  micros.reserve(kPeriods);
  for (int i = 0; i < kPeriods; ++i) {
    const auto start = std::chrono::steady_clock::now();
    output.render(buffer.data(), kPeriodFrames);
    const auto stop = std::chrono::steady_clock::now();
    micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
  }
  std::sort(micros.begin(), micros.end());
  double sum = 0;
  for (double m : micros) sum += m;
  const double mean = sum / micros.size();
  const double median = micros[micros.size() / 2];
  const double p99 = micros[micros.size() * 99 / 100];
  const double periodMicros = AudioOutput::kPeriodMs * 1000.0;
  std::printf(
      "%-34s mean %7.1f us (%5.2f%% of %u ms)  median %7.1f us  p99 %7.1f us  max %7.1f us\n",
      label, mean, 100.0 * mean / periodMicros, AudioOutput::kPeriodMs, median, p99, micros.back());
}

}  // namespace

int main() {
  std::printf("audio callback, %u frames per period at %u Hz, %d periods each\n", kPeriodFrames,
              kOutputRate, kPeriods);
  measure("48 kHz float track (no resampling)", 48000, true);
  measure("44.1 kHz float track (resampled)", 44100, true);
  measure("48 kHz 16-bit track (no resampling)", 48000, false);
  measure("44.1 kHz 16-bit track (resampled)", 44100, false);
  return 0;
}
