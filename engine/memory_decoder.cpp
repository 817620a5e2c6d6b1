#include "engine/memory_decoder.h"

#include "engine/decoder_io.h"

bool openMemoryDecoder(LoadedTrack& track, ma_encoding_format format) noexcept {
  bool playable = false;
  track.memoryView.data = track.memoryImage.get();
  track.memoryView.size = track.memorySize;
  if (track.memoryImage && track.memorySize > 0 &&
      decoding::openOverMemory(track.memoryView, format, track.memoryDecoder) == MA_SUCCESS) {
    ma_uint64 length = 0;
    if (ma_decoder_get_length_in_pcm_frames(&track.memoryDecoder, &length) == MA_SUCCESS &&
        length > 0 && track.memoryDecoder.outputSampleRate > 0 &&
        track.memoryDecoder.outputSampleRate <= decoding::kMaxSampleRate) {
      track.memoryDecoderReady = true;
      track.sampleRate = track.memoryDecoder.outputSampleRate;
      track.lengthFrames = length;
      playable = true;
    } else {
      ma_decoder_uninit(&track.memoryDecoder);
    }
  }
  if (!playable) {
    track.memoryImage.reset();
    track.memorySize = 0;
    track.memoryView = decoding::MemoryView();
  }
  return playable;
}
