// One audio track of a disc as a WAV file: a synthesised 44-byte header followed by the
// track's raw sectors, read 24 at a time through a sector cache. Bad sectors are reread one
// at a time and, failing that, played as silence; a vanished disc ends reading for good.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "cd/device.h"
#include "cd/wav_header.h"
#include "engine/source/byte_source.h"

namespace cd {

constexpr uint32_t kCacheSectors = 24;  // sectors per drive request
constexpr uint32_t kReadAttempts = 3;   // single-sector rereads of a failed batch
// The most sectors one WAV header can describe (its sizes are 32-bit); far beyond any CD.
constexpr uint32_t kMaxTrackSectors = (0xFFFFFFFFu - 36) / kSectorBytes;

class TrackSource : public source::ByteSource {
 public:
  // Takes the device; null (the device destroyed) when the cache cannot be allocated.
  static std::unique_ptr<TrackSource> create(std::unique_ptr<Device> device, uint32_t firstSector,
                                             uint32_t endSector) noexcept;
  ~TrackSource() override;

  uint64_t size() override;
  bool readAt(uint64_t offset, uint8_t* buffer, uint64_t count, uint64_t& bytesRead) override;
  bool seekable() override { return true; }
  void cancel() override;
  std::wstring contentType() override { return {}; }
  bool mediumLost() override;

  // Sectors that failed every reread and were played as silence.
  uint32_t silentSectors() const noexcept { return silentSectors_.load(); }

 private:
  TrackSource(std::unique_ptr<Device> device, uint8_t* cache, uint32_t firstSector,
              uint32_t endSector) noexcept;
  TrackSource(const TrackSource&) = delete;
  TrackSource& operator=(const TrackSource&) = delete;

  bool refill(uint32_t index) noexcept;
  bool rereadOneByOne(uint32_t index, uint32_t count) noexcept;

  std::unique_ptr<Device> device_;
  uint32_t firstSector_;
  uint32_t endSector_;
  std::array<uint8_t, kWavHeaderBytes> header_;
  std::atomic<bool> mediumLost_{false};
  uint8_t* cache_;           // kCacheSectors sectors, page-aligned
  uint32_t cacheFirst_ = 0;  // sector index relative to firstSector_
  uint32_t cacheCount_ = 0;
  std::atomic<uint32_t> silentSectors_{0};
};

}  // namespace cd
