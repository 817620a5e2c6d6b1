// ADTS, the framing of AAC radio streams: header parsing, finding a sync in a byte stream
// (a header whose frame is followed by another header of the same format), and the
// AudioSpecificConfig an AAC decoder needs for the stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace radio {

constexpr size_t kAdtsHeaderBytes = 7;

struct AdtsHeader {
  uint8_t profile = 0;        // audio object type - 1
  uint8_t samplingIndex = 0;  // 0..12
  uint8_t channelConfig = 0;  // 1..7
  bool crcPresent = false;
  uint32_t frameLength = 0;  // header included
  uint32_t sampleRate = 0;
  uint32_t channels = 0;  // configuration 7 carries 8 channels
};

// Parses the header at `bytes` (at least 7 bytes needed); false when it is not a valid one.
bool parseAdtsHeader(const uint8_t* bytes, size_t length, AdtsHeader& header);

// Same profile, sampling index and channel configuration: one decoder serves both.
bool sameAdtsFormat(const AdtsHeader& a, const AdtsHeader& b);

// Looks for a sync at or after `from`. True with its offset and header. False when none is
// there yet, with `offset` set to the first position that may still begin one once more
// bytes arrive (everything before it can be dropped).
bool findAdtsSync(const uint8_t* bytes, size_t length, size_t from, size_t& offset,
                  AdtsHeader& header);

// The two bytes of the MPEG-4 AudioSpecificConfig: object type, sampling index, channels.
std::array<uint8_t, 2> audioSpecificConfig(const AdtsHeader& header);

// The decoder's user data for ADTS input: the HEAACWAVEINFO fields after WAVEFORMATEX
// (payload type 1 = ADTS, profile-level 0xFE, struct type and reserved fields zero),
// little-endian, followed by the AudioSpecificConfig.
std::array<uint8_t, 14> aacUserData(const AdtsHeader& header);

// Collects stream bytes and hands out whole ADTS frames, skipping garbage between them.
class AdtsFramer {
 public:
  void append(const uint8_t* bytes, size_t length);
  // The next frame (header included) into `frame`; false when no sync is there yet.
  bool next(AdtsHeader& header, std::vector<uint8_t>& frame);
  // Bytes appended since the framer was made.
  uint64_t gathered() const { return gathered_; }
  // Bytes held but not handed out or skipped yet.
  size_t pending() const { return buffer_.size() - consumed_; }

 private:
  std::vector<uint8_t> buffer_;
  size_t consumed_ = 0;
  uint64_t gathered_ = 0;
};

}  // namespace radio
