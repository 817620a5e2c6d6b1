#include <sys/mman.h>

#include "engine/ring_memory.h"

namespace radio {

uint8_t* reserveRingMemory(uint64_t bytes) noexcept {
  void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}

bool commitRingMemory(uint8_t* address, uint64_t bytes) noexcept {
  return mprotect(address, bytes, PROT_READ | PROT_WRITE) == 0;
}

void decommitRingMemory(uint8_t* address, uint64_t bytes) noexcept {
  // Dropped pages come back zero-filled, as decommitted ones do on Windows; without access,
  // a stray read or write faults there too.
  madvise(address, bytes, MADV_DONTNEED);
  mprotect(address, bytes, PROT_NONE);
}

void releaseRingMemory(uint8_t* base, uint64_t bytes) noexcept { munmap(base, bytes); }

}  // namespace radio
