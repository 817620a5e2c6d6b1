// Writes small 16-bit PCM WAV files for tests, and a ramp whose samples tell the frame they
// belong to, so a test can check exactly which frames a decoder delivered. Portable.
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace testwav {

// The 44-byte canonical header for `dataBytes` of 16-bit PCM.
inline std::vector<uint8_t> header(uint32_t rate, uint16_t channels, uint32_t dataBytes) {
  std::vector<uint8_t> out;
  auto u32 = [&out](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto u16 = [&out](uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto tag = [&out](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
  };
  const uint16_t blockAlign = static_cast<uint16_t>(channels * 2);
  tag("RIFF");
  u32(36 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);  // PCM
  u16(channels);
  u32(rate);
  u32(rate * blockAlign);
  u16(blockAlign);
  u16(16);
  tag("data");
  u32(dataBytes);
  return out;
}

// A whole WAV file of interleaved samples.
inline std::vector<uint8_t> wav(uint32_t rate, uint16_t channels,
                                const std::vector<int16_t>& samples) {
  std::vector<uint8_t> out = header(rate, channels, static_cast<uint32_t>(samples.size() * 2));
  for (int16_t s : samples) {
    out.push_back(static_cast<uint8_t>(s));
    out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
  }
  return out;
}

// Stereo frames whose left sample is the frame index modulo 2^15 and whose right sample is
// the index divided by 2^15: frameIndexOf() reads the index back from decoded floats.
inline std::vector<int16_t> ramp(uint64_t frames) {
  std::vector<int16_t> samples;
  samples.reserve(frames * 2);
  for (uint64_t i = 0; i < frames; ++i) {
    samples.push_back(static_cast<int16_t>(i & 0x7FFF));
    samples.push_back(static_cast<int16_t>((i >> 15) & 0x7FFF));
  }
  return samples;
}

inline std::vector<uint8_t> rampWav(uint32_t rate, uint64_t frames) {
  return wav(rate, 2, ramp(frames));
}

// The frame index a ramp frame carries, from a decoded float stereo frame.
inline uint64_t frameIndexOf(const float* frame) {
  auto low = static_cast<uint64_t>(std::lround(frame[0] * 32768.0f));
  auto high = static_cast<uint64_t>(std::lround(frame[1] * 32768.0f));
  return (high << 15) | low;
}

inline bool writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

inline std::vector<uint8_t> readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

}  // namespace testwav
