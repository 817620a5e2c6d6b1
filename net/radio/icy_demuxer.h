// The ICY stream format: every `metaint` audio bytes the station inserts one length byte L
// and L x 16 bytes of metadata ("StreamTitle='...';StreamUrl='...';"). The demultiplexer is
// fed whatever each network read returned and passes the audio bytes through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace radio {

// Titles waiting to be posted. All of them get the same position when posted, so only the
// newest ones matter; the oldest are dropped beyond this many.
constexpr size_t kMaxPendingTitles = 16;

// The StreamTitle value of one metadata block, decoded with the tag code page (UTF-8 when it
// is valid UTF-8); nothing when the block holds no "StreamTitle='".
std::optional<std::wstring> parseStreamTitle(const uint8_t* block, size_t length,
                                             uint32_t codepage);

class IcyDemuxer {
 public:
  // metaint 0: the stream carries no metadata.
  IcyDemuxer(uint32_t metaint, uint32_t codepage);

  // Appends the audio bytes among `bytes` to `audio`; titles of completed metadata blocks
  // go to the pending titles.
  void push(const uint8_t* bytes, size_t length, std::vector<uint8_t>& audio);

  // Takes the pending titles, oldest first.
  std::deque<std::wstring> takeTitles();
  bool hasTitles() const { return !titles_.empty(); }

 private:
  uint32_t metaint_;
  uint32_t codepage_;
  uint32_t audioLeft_;         // audio bytes before the next length byte
  uint32_t metadataLeft_ = 0;  // metadata bytes still to come in this block
  std::vector<uint8_t> metadata_;
  std::deque<std::wstring> titles_;
};

}  // namespace radio
