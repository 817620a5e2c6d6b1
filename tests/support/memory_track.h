// A loaded track holding a copy of a file image, as the loader's memory path makes one.
// Portable.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/loaded_track.h"
#include "engine/memory_decoder.h"

namespace testsupport {

// The track with the image copied in; its memory decoder is not opened yet.
inline LoadedTrackPtr trackWithImage(int32_t id, const std::vector<uint8_t>& image) {
  LoadedTrackPtr track(createLoadedTrack(id));
  if (!track || image.empty()) return track;
  track->memoryImage.reset(new uint8_t[image.size()]);
  std::memcpy(track->memoryImage.get(), image.data(), image.size());
  track->memorySize = image.size();
  return track;
}

// The same with its memory decoder opened; null when the image does not open.
inline LoadedTrackPtr memoryTrack(int32_t id, const std::vector<uint8_t>& image,
                                  ma_encoding_format format) {
  LoadedTrackPtr track = trackWithImage(id, image);
  if (!track || !openMemoryDecoder(*track, format)) return nullptr;
  return track;
}

}  // namespace testsupport
