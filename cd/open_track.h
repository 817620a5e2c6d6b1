// The track loader's way to a CD track: from its path to a track source over the drive.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "cd/drive.h"
#include "engine/source/byte_source.h"

namespace cd {

// The values are the loader's error codes for these outcomes.
enum class OpenTrackError : uint8_t {
  None = 0,
  OutOfMemory = 5,
  NoDisc = 8,  // not a CD track path, no drive, no table of contents, no such track
};

// The source to decode as WAV (seek points 4096), or null with the reason.
std::unique_ptr<source::ByteSource> openTrackSource(std::wstring_view path, const DriveOpener& open,
                                                    OpenTrackError& error);

}  // namespace cd
