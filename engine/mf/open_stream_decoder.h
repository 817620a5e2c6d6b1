// A StreamDecoder whose thread decodes through Media Foundation's source reader (M4A, M4B,
// WMA, and MP4/WMA content over HTTP).
#pragma once

#include "engine/stream_decoder.h"

namespace mf {

// Opens a MediaReader over the decoder's source and starts the decoding thread with the
// reader's rate and (sample-exact) length. On failure the caller releases the decoder.
StreamDecoder::OpenResult openStreamDecoder(StreamDecoder& decoder) noexcept;

}  // namespace mf
