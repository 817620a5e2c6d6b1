// The player's play state and the user's repeat choice. Portable: no platform headers.
#pragma once

#include <cstdint>

enum class PlayState : uint8_t {
  Idle = 0,     // nothing loaded yet
  Loading = 1,  // a load is pending and nothing plays or is paused
  Playing = 2,
  Paused = 3,
  Stopped = 4,  // a track is loaded at position 0
  Failed = 5,   // stopped after an error
};
