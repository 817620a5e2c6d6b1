#include "engine/mf/media_probe.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/asf_parser.h"

namespace mf {
namespace {

constexpr size_t kSniffBytes = 30;
// Durations at or above this are taken as unset or damaged (more than 5 years at 1 MHz).
constexpr uint64_t kMaxMp4Duration = 0xFFFFFFFFFFF;

constexpr uint8_t kAsfHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                        0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

// Reads until `count` bytes are in or the source ends or fails; returns the bytes stored.
uint64_t readFully(source::ByteSource& source, uint64_t offset, uint8_t* buffer, uint64_t count) {
  uint64_t done = 0;
  while (done < count) {
    uint64_t got = 0;
    if (!source.readAt(offset + done, buffer + done, count - done, got) || got == 0) break;
    done += got;
  }
  return done;
}

uint32_t be32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Walks the top-level boxes. False only when the walk reached the end of the data without a
// 'moov'; a malformed header or an unknown size leave the decision to Media Foundation.
bool mayHaveMovie(source::ByteSource& source) {
  constexpr uint32_t kMoov = 0x6D6F6F76;
  constexpr int kMaxBoxes = 4096;
  const uint64_t size = source.size();
  if (size == source::kUnknownSize) return true;
  uint64_t at = 0;
  for (int i = 0; i < kMaxBoxes && at < size; ++i) {
    uint8_t header[16];
    if (size - at < 8 || readFully(source, at, header, 8) < 8) return true;
    if (be32(header + 4) == kMoov) return true;
    uint64_t boxSize = be32(header);
    if (boxSize == 1) {
      if (size - at < 16 || readFully(source, at + 8, header + 8, 8) < 8) return true;
      boxSize = uint64_t{be32(header + 8)} << 32 | be32(header + 12);
      if (boxSize < 16) return true;
    } else if (boxSize == 0) {
      return false;  // the last box, and not a moov
    } else if (boxSize < 8) {
      return true;
    }
    if (boxSize > size - at) return false;  // a box cut off by the end of the file
    at += boxSize;
  }
  return at < size;
}

bool readBox(void* user, uint64_t offset, void* dest, size_t length) {
  auto* source = static_cast<source::ByteSource*>(user);
  return readFully(*source, offset, static_cast<uint8_t*>(dest), length) == length;
}

}  // namespace

Probe probeContainer(source::ByteSource& source) noexcept {
  constexpr uint32_t kFtyp = 0x66747970;
  uint8_t start[kSniffBytes];
  const uint64_t got = readFully(source, 0, start, kSniffBytes);
  if (got < kSniffBytes || std::memcmp(start, kAsfHeaderGuid, sizeof kAsfHeaderGuid) != 0) {
    if (got >= 8 && be32(start + 4) == kFtyp && !mayHaveMovie(source)) return Probe::NoMovie;
    return Probe::Mp4;
  }
  uint64_t headerSize = 0;
  for (int i = 7; i >= 0; --i) headerSize = headerSize << 8 | start[16 + i];
  const size_t want = static_cast<size_t>(std::min(headerSize, kMaxAsfHeaderRead));
  std::unique_ptr<uint8_t[]> header(new (std::nothrow) uint8_t[want ? want : 1]);
  if (!header) return Probe::OutOfMemory;
  const size_t length = static_cast<size_t>(readFully(source, 0, header.get(), want));
  TagInfo info;
  try {
    readAsfHeader(header.get(), length, info);
  } catch (...) {
    // Only the title and artist texts allocate.
    return Probe::OutOfMemory;
  }
  return info.drm ? Probe::Protected : Probe::Wma;
}

BoxReader sourceBoxReader(source::ByteSource& source) noexcept {
  return BoxReader{readBox, &source, source.size()};
}

bool mp4ExactFrames(source::ByteSource& source, uint32_t rate, uint64_t& frames) noexcept {
  uint64_t duration = 0;
  uint32_t timescale = 0;
  try {
    if (!readMp4AudioDuration(sourceBoxReader(source), duration, timescale)) return false;
  } catch (...) {
    return false;
  }
  if (duration >= kMaxMp4Duration || timescale == 0) return false;
  // duration x rate can pass 2^64; split as for 100-ns units.
  frames =
      (duration / timescale) * rate + ((duration % timescale) * rate + timescale / 2) / timescale;
  return true;
}

uint64_t correctMp4Length(source::ByteSource& source, uint32_t rate, uint64_t mfFrames) noexcept {
  uint64_t exact = 0;
  if (mfFrames == 0 || !mp4ExactFrames(source, rate, exact)) return mfFrames;
  const uint64_t difference = exact > mfFrames ? exact - mfFrames : mfFrames - exact;
  return difference <= rate / 100 ? exact : mfFrames;
}

}  // namespace mf
