#include <windows.h>

#include "engine/ring_memory.h"

namespace radio {

uint8_t* reserveRingMemory(uint64_t bytes) noexcept {
  return static_cast<uint8_t*>(VirtualAlloc(nullptr, SIZE_T(bytes), MEM_RESERVE, PAGE_READWRITE));
}

bool commitRingMemory(uint8_t* address, uint64_t bytes) noexcept {
  return VirtualAlloc(address, SIZE_T(bytes), MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

void decommitRingMemory(uint8_t* address, uint64_t bytes) noexcept {
  VirtualFree(address, SIZE_T(bytes), MEM_DECOMMIT);
}

void releaseRingMemory(uint8_t* base, uint64_t) noexcept { VirtualFree(base, 0, MEM_RELEASE); }

}  // namespace radio
