// When a dropped station is tried again: four pauses of 1, 2, 4 and 8 seconds, then every 8
// seconds for as long as the ring still has audio to play.
#pragma once

#include <algorithm>
#include <cstdint>

namespace radio {

constexpr uint32_t kReconnectAttemptsWithoutAudio = 4;

// The pause before reconnect attempt `attempt` (0 for the first).
constexpr uint32_t reconnectDelayMs(uint32_t attempt) {
  return 1000u << std::min<uint32_t>(attempt, 3);
}

// Whether to try again after `attempt` pauses, given the frames the ring still holds.
constexpr bool shouldReconnect(uint32_t attempt, uint32_t bufferedFrames) {
  return attempt < kReconnectAttemptsWithoutAudio || bufferedFrames > 0;
}

}  // namespace radio
