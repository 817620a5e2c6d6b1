// An opened CD drive as the reading thread and the track loader use it: its table of contents
// and CD-Text, and its sectors once handed over as a Device. cd/drive_win.h opens real drives.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "cd/device.h"

namespace cd {

constexpr uint8_t kTocFormat = 0;     // the table of contents, addresses as block numbers
constexpr uint8_t kCdTextFormat = 5;  // the CD-Text packs

class Drive {
 public:
  virtual ~Drive() = default;
  // The drive's answer for the format, cut to its length; false with the system error code.
  virtual bool readToc(uint8_t format, std::vector<uint8_t>& out, uint32_t& error) = 0;
  // Hands the drive over as a sector device; the Drive is spent. Null when memory runs out.
  virtual std::unique_ptr<Device> takeDevice() = 0;
};

// Opens the drive of an upper-case letter; null when it cannot be opened. `cancelled` is set
// when the caller gives up: a drive whose calls cannot be aborted otherwise watches it.
using DriveOpener =
    std::function<std::unique_ptr<Drive>(wchar_t letter, const std::atomic<bool>& cancelled)>;

}  // namespace cd
