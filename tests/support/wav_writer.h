// Builds small 16-bit PCM WAV files for tests and benchmarks: tones, silence, and a ramp whose
// samples tell the frame they belong to, so a test can check exactly which frames a decoder
// delivered. Portable.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
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

// A stereo 32-bit float WAV of interleaved samples.
inline std::vector<uint8_t> floatWav(uint32_t rate, const std::vector<float>& samples) {
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
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * sizeof(float));
  tag("RIFF");
  u32(4 + 26 + 8 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  u32(18);
  u16(3);  // IEEE float
  u16(2);
  u32(rate);
  u32(rate * 8);
  u16(8);
  u16(32);
  u16(0);
  tag("data");
  u32(dataBytes);
  const size_t at = out.size();
  out.resize(at + dataBytes);
  std::memcpy(out.data() + at, samples.data(), dataBytes);
  return out;
}

// A 16-bit stereo WAV of a quiet 440 Hz tone; with a title, a LIST/INFO chunk ahead of the
// samples carries it as INAM.
inline std::string tone(double seconds, uint32_t rate = 44100, const std::string& title = "") {
  const uint32_t frames = static_cast<uint32_t>(seconds * rate);
  std::string info;
  if (!title.empty()) {
    std::string name = title;
    name.push_back('\0');
    if (name.size() & 1) name.push_back('\0');
    info = "INFOINAM";
    const uint32_t length = static_cast<uint32_t>(title.size() + 1);
    for (int i = 0; i < 4; ++i) info.push_back(static_cast<char>(length >> (8 * i)));
    info += name;
  }
  std::vector<int16_t> samples;
  samples.reserve(static_cast<size_t>(frames) * 2);
  for (uint32_t i = 0; i < frames; ++i) {
    const auto s =
        static_cast<int16_t>(1000.0 * std::sin(i * 2.0 * 3.14159265358979 * 440.0 / rate));
    samples.push_back(s);
    samples.push_back(s);
  }
  const std::vector<uint8_t> bytes = wav(rate, 2, samples);
  std::string out(bytes.begin(), bytes.end());
  if (info.empty()) return out;
  // The LIST chunk goes between the format and the data chunk; RIFF's size grows with it.
  std::string list = "LIST";
  const uint32_t listSize = static_cast<uint32_t>(info.size());
  for (int i = 0; i < 4; ++i) list.push_back(static_cast<char>(listSize >> (8 * i)));
  list += info;
  out.insert(36, list);
  const uint32_t riffSize = static_cast<uint32_t>(out.size() - 8);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<char>(riffSize >> (8 * i));
  return out;
}

// A silent mono 16-bit WAV; long ones are cheap at a low rate.
inline std::string silence(double seconds, uint32_t rate) {
  const uint32_t frames = static_cast<uint32_t>(seconds * rate);
  const std::vector<uint8_t> head = header(rate, 1, frames * 2);
  std::string bytes(head.begin(), head.end());
  bytes.append(static_cast<size_t>(frames) * 2, '\0');
  return bytes;
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

}  // namespace testwav
