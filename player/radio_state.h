// What the player keeps of the station it plays: the stream thread, the session its events
// must carry, the texts shown while it connects, and the stream titles waiting for playback
// to reach them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/radio_ring.h"
#include "net/radio/radio_event.h"
#include "net/radio/radio_stream.h"

struct RadioRingRelease {
  void operator()(RadioRing* ring) const noexcept { ring->release(); }
};
using RadioRingRef = std::unique_ptr<RadioRing, RadioRingRelease>;

// A title the stream reported, due once playback reaches `position` (frames of the ring).
struct StreamTitleAt {
  uint64_t position = 0;
  std::wstring title;
};

struct RadioState {
  radio::Stream stream;
  int32_t session = 1;  // every stop moves it on, so an old session's events are dropped
  std::wstring status;  // "Connecting..." and what the stream reports; empty when playing
  std::vector<StreamTitleAt> titles;  // pending, oldest first
  std::wstring streamTitle;           // the title shown now
  RadioRingRef ring;                  // the playing stream's ring, for the buffered time
};
