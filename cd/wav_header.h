// The 44-byte header that makes raw CD audio a WAV file: PCM, 2 channels, 44100 Hz, 16 bits.
#pragma once

#include <array>
#include <cstdint>

namespace cd {

constexpr uint32_t kWavHeaderBytes = 44;

std::array<uint8_t, kWavHeaderBytes> makeWavHeader(uint32_t dataBytes);

}  // namespace cd
