#include "cd/wav_header.h"

#include <cstring>

namespace cd {

namespace {

void put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
  put16(p, static_cast<uint16_t>(v));
  put16(p + 2, static_cast<uint16_t>(v >> 16));
}

}  // namespace

std::array<uint8_t, kWavHeaderBytes> makeWavHeader(uint32_t dataBytes) {
  std::array<uint8_t, kWavHeaderBytes> h{};
  std::memcpy(&h[0], "RIFF", 4);
  put32(&h[4], dataBytes + 36);
  std::memcpy(&h[8], "WAVEfmt ", 8);
  put32(&h[16], 16);
  put16(&h[20], 1);  // PCM
  put16(&h[22], 2);
  put32(&h[24], 44100);
  put32(&h[28], 44100 * 4);
  put16(&h[32], 4);
  put16(&h[34], 16);
  std::memcpy(&h[36], "data", 4);
  put32(&h[40], dataBytes);
  return h;
}

}  // namespace cd
