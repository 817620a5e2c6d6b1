// The disc's audio tracks from its table of contents (the drive's format-0 answer, addresses
// as logical block numbers). Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cd {

// One audio track: sectors [firstSector, endSector).
struct AudioTrack {
  uint32_t number = 0;  // 1..99
  uint32_t firstSector = 0;
  uint32_t endSector = 0;
};

constexpr uint8_t kLeadOutTrack = 0xAA;
// An enhanced CD's data session starts this many sectors after the last audio track ends
// (the lead-out and lead-in between the sessions).
constexpr uint32_t kSessionGapSectors = 11400;

// False (and no tracks) for a malformed table, one without a lead-out, or one without audio.
bool audioTracksFromToc(const uint8_t* toc, size_t length, std::vector<AudioTrack>& tracks);

}  // namespace cd
