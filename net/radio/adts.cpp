#include "net/radio/adts.h"

namespace radio {

namespace {

constexpr uint32_t kSampleRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                       22050, 16000, 12000, 11025, 8000,  7350};

}  // namespace

bool parseAdtsHeader(const uint8_t* p, size_t length, AdtsHeader& header) {
  if (length < kAdtsHeaderBytes) return false;
  // Sync word, MPEG-2 or MPEG-4 id, layer 0.
  if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0) return false;
  const uint8_t samplingIndex = (p[2] >> 2) & 0x0F;
  if (samplingIndex > 12) return false;
  const uint8_t channelConfig = uint8_t(((p[2] & 0x01) << 2) | (p[3] >> 6));
  if (channelConfig == 0) return false;
  const bool crcPresent = (p[1] & 0x01) == 0;
  const uint32_t frameLength = (uint32_t(p[3] & 0x03) << 11) | (uint32_t(p[4]) << 3) | (p[5] >> 5);
  if (frameLength < (crcPresent ? 9u : 7u)) return false;

  header.profile = p[2] >> 6;
  header.samplingIndex = samplingIndex;
  header.channelConfig = channelConfig;
  header.crcPresent = crcPresent;
  header.frameLength = frameLength;
  header.sampleRate = kSampleRates[samplingIndex];
  header.channels = channelConfig == 7 ? 8 : channelConfig;
  return true;
}

bool sameAdtsFormat(const AdtsHeader& a, const AdtsHeader& b) {
  return a.profile == b.profile && a.samplingIndex == b.samplingIndex &&
         a.channelConfig == b.channelConfig;
}

bool findAdtsSync(const uint8_t* bytes, size_t length, size_t from, size_t& offset,
                  AdtsHeader& header) {
  size_t m = from;
  while (m < length && length - m >= kAdtsHeaderBytes) {
    AdtsHeader first;
    if (parseAdtsHeader(bytes + m, length - m, first)) {
      if (length - m < size_t{first.frameLength} + kAdtsHeaderBytes) {
        offset = m;  // this one may still prove a sync
        return false;
      }
      AdtsHeader second;
      if (parseAdtsHeader(bytes + m + first.frameLength, kAdtsHeaderBytes, second) &&
          sameAdtsFormat(first, second)) {
        offset = m;
        header = first;
        return true;
      }
    }
    ++m;
  }
  offset = m < length ? m : length;
  return false;
}

std::array<uint8_t, 2> audioSpecificConfig(const AdtsHeader& header) {
  const uint32_t objectType = header.profile + 1u;
  return {uint8_t(objectType * 8 + header.samplingIndex / 2),
          uint8_t((header.samplingIndex * 16u + header.channelConfig) * 8 % 256)};
}

std::array<uint8_t, 14> aacUserData(const AdtsHeader& header) {
  const std::array<uint8_t, 2> config = audioSpecificConfig(header);
  return {0x01,      0x00,                  // payload type: ADTS
          0xFE,      0x00,                  // profile-level indication: none given
          0x00,      0x00,                  // struct type
          0x00,      0x00,                  // reserved
          0x00,      0x00,     0x00, 0x00,  // reserved
          config[0], config[1]};
}

void AdtsFramer::append(const uint8_t* bytes, size_t length) {
  if (length == 0) return;
  if (consumed_ > 0 && consumed_ >= buffer_.size() / 2) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + ptrdiff_t(consumed_));
    consumed_ = 0;
  }
  buffer_.insert(buffer_.end(), bytes, bytes + length);
  gathered_ += length;
}

bool AdtsFramer::next(AdtsHeader& header, std::vector<uint8_t>& frame) {
  size_t offset = consumed_;
  const bool found = findAdtsSync(buffer_.data(), buffer_.size(), consumed_, offset, header);
  consumed_ = offset;
  if (!found) return false;
  frame.assign(buffer_.begin() + ptrdiff_t(offset),
               buffer_.begin() + ptrdiff_t(offset + header.frameLength));
  consumed_ = offset + header.frameLength;
  return true;
}

}  // namespace radio
