#include "cd/track_source.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace cd {

namespace {

// Drives move raw sectors by DMA; a page-aligned buffer meets any alignment they ask for.
constexpr std::align_val_t kPageAlignment{4096};
constexpr size_t kCacheBytes = size_t{kCacheSectors} * kSectorBytes;

}  // namespace

std::unique_ptr<TrackSource> TrackSource::create(std::unique_ptr<Device> device,
                                                 uint32_t firstSector,
                                                 uint32_t endSector) noexcept {
  if (!device) return nullptr;
  auto* cache = static_cast<uint8_t*>(::operator new(kCacheBytes, kPageAlignment, std::nothrow));
  if (!cache) return nullptr;
  TrackSource* created =
      new (std::nothrow) TrackSource(std::move(device), cache, firstSector, endSector);
  if (!created) ::operator delete(cache, kPageAlignment);
  return std::unique_ptr<TrackSource>(created);
}

TrackSource::TrackSource(std::unique_ptr<Device> device, uint8_t* cache, uint32_t firstSector,
                         uint32_t endSector) noexcept
    : device_(std::move(device)),
      firstSector_(firstSector),
      endSector_(firstSector +
                 std::min(std::max(firstSector, endSector) - firstSector, kMaxTrackSectors)),
      header_(makeWavHeader((endSector_ - firstSector_) * kSectorBytes)),
      cache_(cache) {}

TrackSource::~TrackSource() { ::operator delete(cache_, kPageAlignment); }

uint64_t TrackSource::size() {
  return uint64_t{endSector_ - firstSector_} * kSectorBytes + kWavHeaderBytes;
}

void TrackSource::cancel() { device_->cancel(); }

bool TrackSource::mediumLost() { return mediumLost_.load(); }

bool TrackSource::readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) {
  bytesRead = 0;
  const uint64_t total = size();
  if (count == 0 || offset >= total) return true;
  count = std::min(count, total - offset);

  if (offset < kWavHeaderBytes) {
    const uint64_t n = std::min<uint64_t>(count, kWavHeaderBytes - offset);
    std::memcpy(buffer, header_.data() + offset, n);
    bytesRead = n;
  }
  while (bytesRead < count) {
    const uint64_t data = offset + bytesRead - kWavHeaderBytes;
    const auto index = static_cast<uint32_t>(data / kSectorBytes);
    if (index < cacheFirst_ || index >= cacheFirst_ + cacheCount_) {
      if (!refill(index)) return bytesRead > 0;
    }
    const uint64_t cached = uint64_t{cacheFirst_ + cacheCount_} * kSectorBytes - data;
    const uint64_t n = std::min(count - bytesRead, cached);
    std::memcpy(buffer + bytesRead, cache_ + (data - uint64_t{cacheFirst_} * kSectorBytes), n);
    bytesRead += n;
  }
  return true;
}

bool TrackSource::refill(uint32_t index) noexcept {
  cacheCount_ = 0;
  if (mediumLost_.load()) return false;
  const uint32_t count = std::min(kCacheSectors, endSector_ - firstSector_ - index);
  switch (device_->readSectors(firstSector_ + index, count, cache_)) {
    case ReadResult::Ok:
      break;
    case ReadResult::Retry:
      if (!rereadOneByOne(index, count)) return false;
      break;
    case ReadResult::Gone:
      mediumLost_.store(true);
      return false;
  }
  cacheFirst_ = index;
  cacheCount_ = count;
  return true;
}

bool TrackSource::rereadOneByOne(uint32_t index, uint32_t count) noexcept {
  for (uint32_t i = 0; i < count; ++i) {
    uint8_t* sector = cache_ + size_t{i} * kSectorBytes;
    ReadResult result = ReadResult::Retry;
    for (uint32_t attempt = 0; attempt < kReadAttempts && result == ReadResult::Retry; ++attempt)
      result = device_->readSectors(firstSector_ + index + i, 1, sector);
    if (result == ReadResult::Gone) {
      mediumLost_.store(true);
      return false;
    }
    if (result == ReadResult::Retry) {
      std::memset(sector, 0, kSectorBytes);
      ++silentSectors_;
    }
  }
  return true;
}

}  // namespace cd
