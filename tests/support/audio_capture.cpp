#include "tests/support/audio_capture.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tests/support/files.h"

namespace testsupport {

AudioCapture::AudioCapture() {
  wchar_t unixPath[1024];
  const DWORD n = GetEnvironmentVariableW(L"TWK_AUDIO_CAPTURE", unixPath, 1024);
  if (n == 0 || n >= 1024) return;
  path_ = L"Z:" + std::wstring(unixPath, n);
  for (wchar_t& c : path_) {
    if (c == L'/') c = L'\\';
  }
  DeleteFileW(path_.c_str());
}

uint64_t AudioCapture::frames() const {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path_.empty() || !GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data)) {
    return 0;
  }
  return ((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow) / 8;
}

std::vector<float> AudioCapture::samples(uint64_t from) const {
  if (path_.empty()) return {};
  const std::string bytes = readFile(path_);
  const uint64_t frames = bytes.size() / 8;
  if (from >= frames) return {};
  std::vector<float> out((frames - from) * 2);
  std::memcpy(out.data(), bytes.data() + from * 8, out.size() * 4);
  return out;
}

std::vector<float> withoutSilence(const std::vector<float>& stereo, float floor) {
  const auto loud = [&](size_t frame) {
    return std::fabs(stereo[frame * 2]) > floor || std::fabs(stereo[frame * 2 + 1]) > floor;
  };
  size_t first = 0, last = stereo.size() / 2;
  while (first < last && !loud(first)) ++first;
  while (last > first && !loud(last - 1)) --last;
  return std::vector<float>(stereo.begin() + first * 2, stereo.begin() + last * 2);
}

namespace {

// The rising crossings of `count` samples, one every `stride` floats from `data`.
double crossingHz(const float* data, size_t stride, size_t count, uint32_t rate, float hysteresis) {
  bool low = false;
  size_t crossings = 0, first = 0, last = 0;
  for (size_t i = 0; i < count; ++i) {
    const float s = data[i * stride];
    if (s < -hysteresis) {
      low = true;
    } else if (low && s >= hysteresis) {
      low = false;
      if (crossings++ == 0) first = i;
      last = i;
    }
  }
  if (crossings < 10) return 0;
  return double(crossings - 1) * rate / double(last - first);
}

}  // namespace

ToneLevel measureTone(const std::vector<float>& stereo, int channel, size_t from, size_t to,
                      uint32_t rate, float hysteresis) {
  ToneLevel t;
  to = std::min(to, stereo.size() / 2);
  if (from >= to) return t;
  const float* samples = stereo.data() + from * 2 + channel;
  t.hz = crossingHz(samples, 2, to - from, rate, hysteresis);
  double sum = 0;
  size_t quiet = 0;
  for (size_t i = 0; i < to - from; ++i) {
    const float s = samples[i * 2];
    sum += double(s) * s;
    quiet = std::fabs(s) > kSilenceFloor ? 0 : quiet + 1;
    t.longestQuiet = std::max(t.longestQuiet, quiet);
  }
  t.rms = std::sqrt(sum / double(to - from));
  return t;
}

double toneHz(const std::vector<float>& samples, uint32_t rate, float hysteresis) {
  return crossingHz(samples.data(), 1, samples.size(), rate, hysteresis);
}

}  // namespace testsupport
