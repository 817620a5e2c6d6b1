#include "engine/decoder_io.h"

#include <algorithm>
#include <limits>

#include "base/text.h"

namespace decoding {

ma_encoding_format encodingFormatForPath(std::wstring_view path) {
  size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring_view::npos) return ma_encoding_format_unknown;
  std::wstring_view ext = path.substr(dot);
  if (text::equalsOrdinalIgnoreCase(ext, L".mp3")) return ma_encoding_format_mp3;
  if (text::equalsOrdinalIgnoreCase(ext, L".wav")) return ma_encoding_format_wav;
  if (text::equalsOrdinalIgnoreCase(ext, L".flac")) return ma_encoding_format_flac;
  return ma_encoding_format_unknown;
}

ma_decoder_config makeDecoderConfig(ma_encoding_format format) {
  ma_decoder_config config = ma_decoder_config_init(ma_format_f32, 2, 0);
  config.encodingFormat = format;
  config.seekPointCount = kSeekPointCount;
  return config;
}

ma_result readFromView(ma_decoder* decoder, void* buffer, size_t bytes, size_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  auto* view = static_cast<SourceView*>(decoder->pUserData);
  uint64_t offset = view->baseOffset + view->position;
  // An unknown size is all ones, so it never ends the data here.
  if (offset >= view->size) return MA_AT_END;
  if (bytes == 0) return MA_SUCCESS;
  uint64_t got = 0;
  bool ok = view->source->readAt(offset, static_cast<uint8_t*>(buffer), bytes, got);
  got = std::min<uint64_t>(got, bytes);
  if (!ok && got == 0) return MA_IO_ERROR;
  view->position += got;
  if (bytesRead) *bytesRead = static_cast<size_t>(got);
  return got == 0 ? MA_AT_END : MA_SUCCESS;
}

ma_result seekInView(ma_decoder* decoder, ma_int64 offset, ma_seek_origin origin) {
  auto* view = static_cast<SourceView*>(decoder->pUserData);
  constexpr uint64_t kMaxView = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  uint64_t viewLength = kMaxView;
  if (view->size != source::kUnknownSize) {
    viewLength = view->size > view->baseOffset ? view->size - view->baseOffset : 0;
  }
  uint64_t base = 0;
  switch (origin) {
    case ma_seek_origin_start:
      break;
    case ma_seek_origin_current:
      base = std::min(view->position, viewLength);
      break;
    case ma_seek_origin_end:
      if (view->size == source::kUnknownSize) return MA_NOT_IMPLEMENTED;
      base = viewLength;
      if (offset > 0) offset = -offset;
      break;
    default:
      return MA_INVALID_ARGS;
  }
  // base + offset clamped to 0 .. viewLength, without overflowing either way.
  if (offset < 0) {
    uint64_t back = static_cast<uint64_t>(-(offset + 1)) + 1;
    view->position = back > base ? 0 : base - back;
  } else {
    uint64_t forward = static_cast<uint64_t>(offset);
    view->position = forward > viewLength - base ? viewLength : base + forward;
  }
  return MA_SUCCESS;
}

ma_result openOverView(SourceView& view, ma_encoding_format format, ma_decoder& decoder) {
  view.position = 0;
  ma_decoder_config config = makeDecoderConfig(format);
  ma_result result = ma_decoder_init(readFromView, seekInView, &view, &config, &decoder);
  if (result != MA_SUCCESS && format != ma_encoding_format_unknown) {
    // A file named .flac may hold MP3: let miniaudio try every decoder.
    view.position = 0;
    config = makeDecoderConfig(ma_encoding_format_unknown);
    result = ma_decoder_init(readFromView, seekInView, &view, &config, &decoder);
  }
  return result;
}

ma_result seekToFrame(ma_decoder& decoder, uint64_t frame) {
  if (frame > 0) {
    ma_result rewound = ma_decoder_seek_to_pcm_frame(&decoder, 0);
    if (rewound != MA_SUCCESS) return rewound;
  }
  return ma_decoder_seek_to_pcm_frame(&decoder, frame);
}

ma_result openOverMemory(const uint8_t* image, size_t size, ma_encoding_format format,
                         ma_decoder& decoder) {
  ma_decoder_config config = makeDecoderConfig(format);
  ma_result result = ma_decoder_init_memory(image, size, &config, &decoder);
  if (result != MA_SUCCESS && format != ma_encoding_format_unknown) {
    config = makeDecoderConfig(ma_encoding_format_unknown);
    result = ma_decoder_init_memory(image, size, &config, &decoder);
  }
  return result;
}

}  // namespace decoding
