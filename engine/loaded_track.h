// One opened track as the loader hands it to the player and the player to the audio output:
// a memory image with its decoder, a stream decoder, or a radio ring.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/decoder_io.h"
#include "miniaudio.h"

struct RadioRing;  // the internet-radio code owns its definition
class StreamDecoder;

// Exactly one of memoryImage, radioRing and streamDecoder is set.
struct LoadedTrack {
  int32_t trackId = 0;
  std::unique_ptr<uint8_t[]> memoryImage;
  uint64_t memorySize = 0;
  ma_decoder memoryDecoder;  // valid only with memoryImage
  bool memoryDecoderReady = false;
  decoding::MemoryView memoryView;  // the memory decoder's view of the image
  uint32_t sampleRate = 0;
  uint64_t lengthFrames = 0;               // 0 = unknown
  RadioRing* radioRing = nullptr;          // owned reference
  StreamDecoder* streamDecoder = nullptr;  // owned reference
  // Written only by the audio callback.
  int32_t lastSeekSeen = 0;
  uint64_t positionFrames = 0;
};

// Null when memory runs out.
LoadedTrack* createLoadedTrack(int32_t trackId) noexcept;

// Never on the audio callback thread: it may join a decoding thread. Null is fine.
void destroyLoadedTrack(LoadedTrack* track) noexcept;

struct LoadedTrackDeleter {
  void operator()(LoadedTrack* t) const { destroyLoadedTrack(t); }
};
using LoadedTrackPtr = std::unique_ptr<LoadedTrack, LoadedTrackDeleter>;
