// Decoding a local file held whole in memory; the audio callback reads the decoder directly.
#pragma once

#include "engine/loaded_track.h"
#include "miniaudio.h"

// Opens track.memoryDecoder over track.memoryImage and sets the rate and length. False when
// the image is not playable (no decoder takes it, or its length is unknown or 0); the image
// is then freed.
bool openMemoryDecoder(LoadedTrack& track, ma_encoding_format format) noexcept;
