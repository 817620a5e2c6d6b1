#include "engine/mp3_stream_info.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kMpeg1Kbps[15] = {0,   32,  40,  48,  56,  64,  80, 96,
                                     112, 128, 160, 192, 224, 256, 320};
constexpr uint32_t kMpeg2Kbps[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr uint32_t kSampleRates[3] = {44100, 48000, 32000};

constexpr uint32_t kId3HeaderBytes = 10;
constexpr uint64_t kMaxEstimatedFrames = ~0ull / 1000;

uint32_t bigEndian32(const uint8_t* b) {
  return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
         static_cast<uint32_t>(b[2]) << 8 | b[3];
}

// Where the audio starts: after an ID3v2 tag (and its footer) when the first bytes are one.
bool audioStart(source::ByteSource& source, uint64_t& offset) {
  uint8_t h[kId3HeaderBytes];
  uint64_t got = 0;
  if (!source.readAt(0, h, sizeof h, got)) return false;
  offset = 0;
  if (got == sizeof h && h[0] == 'I' && h[1] == 'D' && h[2] == '3' &&
      ((h[6] | h[7] | h[8] | h[9]) & 0x80) == 0) {
    const uint64_t size = static_cast<uint64_t>(h[6]) << 21 | static_cast<uint64_t>(h[7]) << 14 |
                          static_cast<uint64_t>(h[8]) << 7 | h[9];
    offset = size + kId3HeaderBytes + ((h[5] & 0x10) ? kId3HeaderBytes : 0);
  }
  return true;
}

// The side information ahead of a Xing/Info tag.
uint32_t sideInfoBytes(const Mp3FrameHeader& h) {
  if (h.version == 1) return h.mono ? 17 : 32;
  return h.mono ? 9 : 17;
}

}  // namespace

bool parseMp3FrameHeader(const uint8_t* b, Mp3FrameHeader& out) {
  if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
  Mp3FrameHeader h;
  switch (b[1] & 0x18) {
    case 0x18:
      h.version = 1;
      break;
    case 0x10:
      h.version = 2;
      break;
    case 0x00:
      h.version = 25;
      break;
    default:
      return false;
  }
  if ((b[1] & 0x06) != 0x02) return false;
  const uint32_t bitRateIndex = b[2] >> 4;
  const uint32_t rateIndex = (b[2] >> 2) & 3;
  if (bitRateIndex < 1 || bitRateIndex > 14 || rateIndex == 3) return false;
  const uint32_t kbps = h.version == 1 ? kMpeg1Kbps[bitRateIndex] : kMpeg2Kbps[bitRateIndex];
  h.bitRate = kbps * 1000;
  h.sampleRate = kSampleRates[rateIndex];
  if (h.version == 2) h.sampleRate /= 2;
  if (h.version == 25) h.sampleRate /= 4;
  h.samplesPerFrame = h.version == 1 ? 1152 : 576;
  h.frameLength = (h.version == 1 ? 144000 : 72000) * kbps / h.sampleRate + ((b[2] >> 1) & 1);
  h.mono = b[3] > 191;
  if (h.frameLength <= 3) return false;
  out = h;
  return true;
}

bool findMp3StreamInfo(source::ByteSource& source, Mp3StreamInfo& out) {
  uint64_t start = 0;
  if (!audioStart(source, start)) return false;
  uint8_t buffer[kMp3ScanBytes];
  uint64_t n = 0;
  if (!source.readAt(start, buffer, sizeof buffer, n)) return false;

  for (uint64_t i = 0; i + 4 <= n; ++i) {
    Mp3FrameHeader first;
    if (!parseMp3FrameHeader(buffer + i, first)) continue;
    const uint64_t j = i + first.frameLength;
    if (j + 4 <= n) {
      Mp3FrameHeader next;
      if (!parseMp3FrameHeader(buffer + j, next) || next.version != first.version ||
          next.sampleRate != first.sampleRate) {
        continue;
      }
    }
    Mp3StreamInfo info;
    info.firstFrameOffset = start + i;
    info.sampleRate = first.sampleRate;
    info.bitRate = first.bitRate;
    info.samplesPerFrame = first.samplesPerFrame;
    const uint64_t side = sideInfoBytes(first);
    if (i + side + 16 <= n && i + side + 16 <= j) {
      const uint8_t* tag = buffer + i + 4 + side;
      if (std::memcmp(tag, "Xing", 4) == 0 || std::memcmp(tag, "Info", 4) == 0) {
        if (bigEndian32(tag + 4) & 1) info.frameCount = bigEndian32(tag + 8);
      }
    }
    out = info;
    return true;
  }
  return false;
}

uint64_t mp3LengthInFrames(const Mp3StreamInfo& info, uint64_t audioBytes) {
  if (info.frameCount != 0) {
    return static_cast<uint64_t>(info.frameCount) * info.samplesPerFrame;
  }
  if (info.bitRate == 0 || audioBytes == source::kUnknownSize) return 0;
  // sampleRate x 8 x whole seconds' worth of bytes, plus the remainder, each term checked.
  const uint64_t rate8 = static_cast<uint64_t>(info.sampleRate) * 8;
  uint64_t whole = 0;
  if (__builtin_mul_overflow(rate8, audioBytes / info.bitRate, &whole)) return kMaxEstimatedFrames;
  const uint64_t part = rate8 * (audioBytes % info.bitRate) / info.bitRate;
  uint64_t frames = 0;
  if (__builtin_add_overflow(whole, part, &frames)) return kMaxEstimatedFrames;
  return std::min(frames, kMaxEstimatedFrames);
}

bool mp3SeekOffset(const Mp3StreamInfo& info, uint64_t sourceSize, uint64_t lengthFrames,
                   uint64_t targetFrame, uint64_t& offset) {
  if (targetFrame == 0) {
    offset = 0;
    return true;
  }
  if (lengthFrames == 0 || sourceSize == source::kUnknownSize ||
      info.firstFrameOffset >= sourceSize) {
    return false;
  }
  const double fraction =
      static_cast<double>(std::min(targetFrame, lengthFrames)) / static_cast<double>(lengthFrames);
  const double audio = static_cast<double>(sourceSize - info.firstFrameOffset);
  const double ahead = audio * fraction;
  // Rounding must not carry the offset past the end of the source.
  const uint64_t remaining = sourceSize - info.firstFrameOffset;
  const uint64_t step =
      ahead >= static_cast<double>(remaining) ? remaining : static_cast<uint64_t>(ahead);
  offset = info.firstFrameOffset + step;
  return true;
}
