// miniaudio's MP3 decoder for a stream sought by byte offsets (MP3 over HTTP): no seek table,
// since building one reads the whole resource, and decoding from a base offset of the source.
#pragma once

#include <cstdint>

#include "engine/decoder_io.h"
#include "miniaudio.h"

// Opens the decoder (float, two channels, the stream's own rate, MP3 only, no seek points)
// over the view from baseOffset on; the view's position restarts at 0. The decoder finds the
// next frame boundary itself. The view must outlive the decoder.
ma_result openMp3AtOffset(decoding::SourceView& view, uint64_t baseOffset, ma_decoder& decoder);
