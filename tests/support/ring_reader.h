// Plays the part of the audio callback for a StreamDecoder: the seek service, then draining
// its ring, waiting through underruns and pending seeks for a bounded time. Header-only.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/loaded_track.h"
#include "engine/stream_decoder.h"

namespace testsupport {

class RingReader {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kPatience = std::chrono::seconds(20);

  explicit RingReader(StreamDecoder& decoder) : decoder_(decoder) {}

  // Drains until `frames` frames came or the data ended.
  std::vector<float> take(uint64_t frames, uint64_t chunk = 1000) {
    std::vector<float> out;
    const auto deadline = Clock::now() + kPatience;
    std::vector<float> buffer(chunk * 2);
    while (out.size() / 2 < frames && Clock::now() < deadline) {
      if (decoder_.serviceSeek(track) == StreamDecoder::SeekState::Waiting) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      uint64_t want = std::min<uint64_t>(chunk, frames - out.size() / 2);
      uint64_t got = decoder_.drain(track, buffer.data(), want, last);
      out.insert(out.end(), buffer.begin(), buffer.begin() + got * 2);
      // In repeat-one the end is momentary: the decoding thread restarts the track.
      if (last == StreamDecoder::DrainResult::Ended && !repeatOne) break;
      if (last != StreamDecoder::DrainResult::Full) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    return out;
  }

  std::vector<float> takeAll() { return take(~0ull >> 2, 4096); }

  LoadedTrack track;
  StreamDecoder::DrainResult last = StreamDecoder::DrainResult::Full;
  bool repeatOne = false;  // as the output knows it

 private:
  StreamDecoder& decoder_;
};

}  // namespace testsupport
