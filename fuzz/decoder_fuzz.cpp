// Opens and decodes arbitrary bytes the two ways the player does: from a memory image, and
// through the read and seek procedures over a byte source. The first byte picks the format
// the file name would have suggested. Decoding is bounded per input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/decoder_io.h"
#include "engine/loaded_track.h"
#include "engine/memory_decoder.h"
#include "engine/source/memory_source.h"

namespace {

constexpr ma_uint64 kChunkFrames = 4096;
constexpr ma_uint64 kMaxFrames = 48000 * 4;  // a few seconds per input

void exercise(ma_decoder& decoder, ma_uint64 length) {
  static float frames[kChunkFrames * 2];
  ma_uint64 total = 0;
  while (total < kMaxFrames) {
    ma_uint64 got = 0;
    ma_decoder_read_pcm_frames(&decoder, frames, kChunkFrames, &got);
    total += got;
    if (got < kChunkFrames) break;
  }
  // The seeks the player makes: into the middle, to the end (a seek past the length is
  // limited to it), and back to the start for repeat-one.
  ma_uint64 got = 0;
  if (decoding::seekToFrame(decoder, length / 2) == MA_SUCCESS) {
    ma_decoder_read_pcm_frames(&decoder, frames, kChunkFrames, &got);
  }
  decoding::seekToFrame(decoder, length);
  ma_decoder_read_pcm_frames(&decoder, frames, kChunkFrames, &got);
  if (decoding::seekToFrame(decoder, 0) == MA_SUCCESS) {
    ma_decoder_read_pcm_frames(&decoder, frames, kChunkFrames, &got);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const ma_encoding_format kFormats[] = {ma_encoding_format_unknown, ma_encoding_format_mp3,
                                                ma_encoding_format_wav, ma_encoding_format_flac};
  const ma_encoding_format format = kFormats[data[0] & 3];
  ++data;
  --size;

  // Memory path, exactly as the loader opens it.
  {
    LoadedTrackPtr track(createLoadedTrack(1));
    if (size > 0) {
      track->memoryImage.reset(new uint8_t[size]);
      std::memcpy(track->memoryImage.get(), data, size);
      track->memorySize = size;
    }
    if (openMemoryDecoder(*track, format)) exercise(track->memoryDecoder, track->lengthFrames);
  }

  // Stream path: the StreamDecoder's configuration and procedures, without its thread.
  {
    source::MemorySource src(std::vector<uint8_t>(data, data + size));
    decoding::SourceView view;
    view.source = &src;
    view.size = src.size();
    ma_decoder decoder;
    if (decoding::openOverView(view, format, decoder) == MA_SUCCESS) {
      ma_uint64 length = 0;
      if (ma_decoder_get_length_in_pcm_frames(&decoder, &length) == MA_SUCCESS && length > 0 &&
          decoder.outputSampleRate > 0 && decoder.outputSampleRate <= decoding::kMaxSampleRate &&
          ma_decoder_seek_to_pcm_frame(&decoder, 0) == MA_SUCCESS) {
        exercise(decoder, length);
      }
      ma_decoder_uninit(&decoder);
    }
  }
  return 0;
}
