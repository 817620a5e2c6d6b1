#include "engine/loaded_track.h"

#include <new>

#include "engine/radio_ring.h"
#include "engine/stream_decoder.h"

LoadedTrack* createLoadedTrack(int32_t trackId) noexcept {
  LoadedTrack* track = new (std::nothrow) LoadedTrack();
  if (track) track->trackId = trackId;
  return track;
}

void destroyLoadedTrack(LoadedTrack* track) noexcept {
  if (!track) return;
  if (track->radioRing) {
    track->radioRing->release();
  } else if (track->streamDecoder) {
    track->streamDecoder->release();
  } else if (track->memoryDecoderReady) {
    ma_decoder_uninit(&track->memoryDecoder);
  }
  delete track;
}
