// How every miniaudio decoder of the player is configured and opened: over a memory image or
// over a byte source through read and seek procedures. Portable, so the fuzz target and the
// native tests open decoders exactly as the player does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/source/byte_source.h"
#include "miniaudio.h"

namespace decoding {

// Seek table size; MP3 seeks are exact only within a table.
constexpr uint32_t kSeekPointCount = 4096;

// Highest sample rate the player accepts from a decoder (miniaudio's own upper limit): a
// crafted header must not size a stream ring of gigabytes.
constexpr uint32_t kMaxSampleRate = 384000;

// ".mp3", ".wav", ".flac" (any case) select their decoder; anything else lets miniaudio try
// them all.
ma_encoding_format encodingFormatForPath(std::wstring_view path);

// Float, two channels, the file's own rate, the given format, kSeekPointCount seek points.
ma_decoder_config makeDecoderConfig(ma_encoding_format format);

// The decoder's window onto a byte source. baseOffset is where the decoder's data begins;
// position is relative to it.
struct SourceView {
  source::ByteSource* source = nullptr;
  uint64_t size = 0;  // source::kUnknownSize when unknown
  uint64_t baseOffset = 0;
  uint64_t position = 0;
};

// The procedures given to ma_decoder_init; the decoder's user data is the SourceView. Seeks
// clamp to the view, except that a forward seek from the end of the view fails: a decoder
// skipping a chunk that claims 2^64 bytes would otherwise step on at the end for hours.
ma_result readFromView(ma_decoder* decoder, void* buffer, size_t bytes, size_t* bytesRead);
ma_result seekInView(ma_decoder* decoder, ma_int64 offset, ma_seek_origin origin);

// ma_decoder_init over the view; when that fails with a known format, once more from the
// start with the unknown format. The view must outlive the decoder.
ma_result openOverView(SourceView& view, ma_encoding_format format, ma_decoder& decoder);

// ma_decoder_seek_to_pcm_frame, but a seek to a frame other than 0 first rewinds to the start.
// miniaudio's FLAC decoder (0.11.25) seeks backwards inside its current FLAC frame even when
// that frame failed to decode, and then reads through null sample pointers; a rewind clears
// that state. Every seek of a decoder that may have met a damaged frame goes through here.
ma_result seekToFrame(ma_decoder& decoder, uint64_t frame);

// A memory image seen the same way, for memory decoding: miniaudio's own memory procedures
// (ma_decoder_init_memory) lack that guard.
struct MemoryView {
  const uint8_t* data = nullptr;
  uint64_t size = 0;
  uint64_t position = 0;
};

ma_result readFromMemory(ma_decoder* decoder, void* buffer, size_t bytes, size_t* bytesRead);
ma_result seekInMemory(ma_decoder* decoder, ma_int64 offset, ma_seek_origin origin);

// ma_decoder_init over the image with the same retry. The view and its image must outlive the
// decoder.
ma_result openOverMemory(MemoryView& view, ma_encoding_format format, ma_decoder& decoder);

}  // namespace decoding
