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

ToneLevel measureTone(const std::vector<float>& stereo, int channel, size_t from, size_t to,
                      uint32_t rate) {
  ToneLevel t;
  to = std::min(to, stereo.size() / 2);
  if (from >= to) return t;
  uint64_t crossings = 0, first = 0, last = 0;
  double sum = 0;
  for (size_t i = from; i < to; ++i) {
    const float s = stereo[i * 2 + channel];
    sum += double(s) * s;
    if (i > from && stereo[(i - 1) * 2 + channel] < 0 && s >= 0) {
      if (crossings++ == 0) first = i;
      last = i;
    }
  }
  if (crossings > 1) t.hz = double(crossings - 1) * rate / double(last - first);
  t.rms = std::sqrt(sum / double(to - from));
  return t;
}

}  // namespace testsupport
