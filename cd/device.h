// A source of raw CD-DA sectors: the drive itself, or a disc image in the tests.
#pragma once

#include <cstdint>

namespace cd {

constexpr uint32_t kSectorBytes = 2352;  // one raw audio sector: 588 stereo 16-bit frames

enum class ReadResult : uint8_t {
  Ok = 0,     // every byte was read
  Retry = 1,  // a failure worth retrying (a scratch, a short read)
  Gone = 2,   // the medium or the device is gone, or the device was cancelled
};

class Device {
 public:
  virtual ~Device() = default;
  // Reads count sectors from the logical block address first into count x 2352 bytes.
  virtual ReadResult readSectors(uint32_t first, uint32_t count, uint8_t* buffer) = 0;
  // Every later read returns Gone at once; callable from any thread.
  virtual void cancel() = 0;
};

// True for the system error codes (cd/system_errors.h) that mean the disc or the drive has gone
// away, or that the call was aborted.
bool isMediumGoneError(uint32_t systemError);

// How a failed sector read with this system error is reported.
inline ReadResult readResultForError(uint32_t systemError) {
  return isMediumGoneError(systemError) ? ReadResult::Gone : ReadResult::Retry;
}

}  // namespace cd
