#include "engine/radio_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/ring_memory.h"

namespace {

uint32_t framesBetween(uint32_t from, uint32_t to, uint32_t capacity) {
  return to >= from ? to - from : to + capacity - from;
}

}  // namespace

RadioRing* RadioRing::create(uint32_t sampleRate) noexcept {
  if (sampleRate == 0 || sampleRate > kMaxSampleRate) return nullptr;
  RadioRing* ring = new (std::nothrow) RadioRing;
  if (!ring) return nullptr;
  ring->sampleRate_ = sampleRate;
  ring->capacity_ = capacityFor(sampleRate);
  ring->byteCapacity_ = uint64_t{ring->capacity_} * kFrameBytes;
  ring->chunkCount_ = uint32_t((ring->byteCapacity_ + kChunkBytes - 1) / kChunkBytes);
  try {
    ring->committed_.assign((ring->chunkCount_ + 31) / 32, 0);
  } catch (...) {
    delete ring;
    return nullptr;
  }
  ring->memory_ = radio::reserveRingMemory(ring->byteCapacity_);
  if (!ring->memory_) {
    delete ring;
    return nullptr;
  }
  return ring;
}

RadioRing::~RadioRing() {
  if (memory_) radio::releaseRingMemory(memory_, byteCapacity_);
}

void RadioRing::retain() noexcept { references_.fetch_add(1, std::memory_order_relaxed); }

void RadioRing::release() noexcept {
  if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

uint32_t RadioRing::buffered() const noexcept {
  return framesBetween(readIndex_.load(std::memory_order_acquire),
                       writeIndex_.load(std::memory_order_acquire), capacity_);
}

bool RadioRing::chunkCommitted(uint32_t chunk) const noexcept {
  return chunk < chunkCount_ && (committed_[chunk / 32] >> (chunk % 32) & 1u) != 0;
}

uint32_t RadioRing::committedChunks() const noexcept {
  uint32_t count = 0;
  for (uint32_t word : committed_) count += uint32_t(__builtin_popcount(word));
  return count;
}

uint64_t RadioRing::chunkEnd(uint32_t chunk) const noexcept {
  return std::min(uint64_t{chunk + 1} * kChunkBytes, byteCapacity_);
}

bool RadioRing::commitBytes(uint64_t offset, uint64_t bytes) noexcept {
  if (bytes == 0) return true;
  const uint32_t last = uint32_t((offset + bytes - 1) / kChunkBytes);
  for (uint32_t chunk = uint32_t(offset / kChunkBytes); chunk <= last; ++chunk) {
    if (chunkCommitted(chunk)) continue;
    const uint64_t start = uint64_t{chunk} * kChunkBytes;
    if (!radio::commitRingMemory(memory_ + start, chunkEnd(chunk) - start)) return false;
    committed_[chunk / 32] |= 1u << (chunk % 32);
  }
  return true;
}

uint32_t RadioRing::write(const int16_t* frames, uint32_t count) noexcept {
  const uint32_t w = writeIndex_.load(std::memory_order_relaxed);
  const uint32_t r = readIndex_.load(std::memory_order_acquire);
  const uint32_t free = capacity_ - framesBetween(r, w, capacity_) - 1;
  const uint32_t n = std::min(count, free);
  if (n == 0 || !frames) return 0;

  const uint32_t first = std::min(n, capacity_ - w);
  const uint32_t second = n - first;
  if (!commitBytes(uint64_t{w} * kFrameBytes, uint64_t{first} * kFrameBytes) ||
      !commitBytes(0, uint64_t{second} * kFrameBytes)) {
    return 0;
  }
  std::memcpy(memory_ + uint64_t{w} * kFrameBytes, frames, size_t{first} * kFrameBytes);
  if (second) std::memcpy(memory_, frames + size_t{first} * 2, size_t{second} * kFrameBytes);

  const uint32_t next = first == capacity_ - w ? second : w + n;
  writeIndex_.store(next, std::memory_order_release);
  decommitFree(next, readIndex_.load(std::memory_order_acquire));
  return n;
}

// Decommits every committed chunk lying wholly in the free region, from the write position
// round to the read position, except the chunk being written and the one after it, which
// the next writes would only commit again.
void RadioRing::decommitFree(uint32_t writeIndex, uint32_t readIndex) noexcept {
  const uint64_t freeStart = uint64_t{writeIndex} * kFrameBytes;
  const uint64_t freeEnd = uint64_t{readIndex} * kFrameBytes;
  const uint32_t keep = uint32_t(freeStart / kChunkBytes);
  const uint32_t keepNext = keep + 1 == chunkCount_ ? 0 : keep + 1;
  for (uint32_t word = 0; word < committed_.size(); ++word) {
    uint32_t bits = committed_[word];
    while (bits) {
      const uint32_t chunk = word * 32 + uint32_t(__builtin_ctz(bits));
      bits &= bits - 1;
      if (chunk == keep || chunk == keepNext) continue;
      const uint64_t start = uint64_t{chunk} * kChunkBytes;
      const uint64_t end = chunkEnd(chunk);
      // The free region wraps unless it runs forward from the write to the read position.
      const bool isFree = freeStart < freeEnd ? start >= freeStart && end <= freeEnd
                                              : start >= freeStart || end <= freeEnd;
      if (!isFree) continue;
      radio::decommitRingMemory(memory_ + start, end - start);
      committed_[word] &= ~(1u << (chunk % 32));
    }
  }
}

uint32_t RadioRing::read(float* out, uint32_t count) noexcept {
  const uint32_t r = readIndex_.load(std::memory_order_relaxed);
  const uint32_t w = writeIndex_.load(std::memory_order_acquire);
  const uint32_t n = std::min(count, framesBetween(r, w, capacity_));
  if (n == 0 || !out) return 0;

  const uint32_t first = std::min(n, capacity_ - r);
  const int16_t* samples = reinterpret_cast<const int16_t*>(memory_);
  const int16_t* from = samples + size_t{r} * 2;
  for (size_t i = 0; i < size_t{first} * 2; ++i) out[i] = float(from[i]) / 32768.0f;
  for (size_t i = size_t{first} * 2; i < size_t{n} * 2; ++i) {
    out[i] = float(samples[i - size_t{first} * 2]) / 32768.0f;
  }
  readIndex_.store(first == capacity_ - r ? n - first : r + n, std::memory_order_release);
  return n;
}
