// Address space for the radio ring: reserved whole, committed and decommitted in pieces, so
// that resident memory follows the audio buffered rather than the twenty minutes reserved.
// VirtualAlloc on Windows, mmap natively.
#pragma once

#include <cstdint>

namespace radio {

// Reserves `bytes` of address space, none of it usable yet. Null when there is not enough.
uint8_t* reserveRingMemory(uint64_t bytes) noexcept;
// Makes [address, address + bytes) usable (zero-filled on first use).
bool commitRingMemory(uint8_t* address, uint64_t bytes) noexcept;
// Gives the pages of [address, address + bytes) back; touching them again is a fault.
void decommitRingMemory(uint8_t* address, uint64_t bytes) noexcept;
// Releases the whole reservation.
void releaseRingMemory(uint8_t* base, uint64_t bytes) noexcept;

}  // namespace radio
