#include "engine/decoder_io.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/text.h"

namespace decoding {

namespace {

constexpr uint64_t kMaxView = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

// The seek rule both views share: base + offset clamped to 0 .. length. A forward seek from
// the current position that cannot move because the position is already at the end fails:
// miniaudio's WAV reader skips a chunk of a claimed 2^64 bytes in 2 GiB steps, and while each
// step "succeeds" at the end it would loop for hours.
ma_result seekWithin(uint64_t& position, uint64_t length, bool lengthKnown, ma_int64 offset,
                     ma_seek_origin origin) {
  uint64_t base = 0;
  switch (origin) {
    case ma_seek_origin_start:
      break;
    case ma_seek_origin_current:
      base = std::min(position, length);
      if (offset > 0 && base == length) return MA_BAD_SEEK;
      break;
    case ma_seek_origin_end:
      if (!lengthKnown) return MA_NOT_IMPLEMENTED;
      base = length;
      if (offset > 0) offset = -offset;
      break;
    default:
      return MA_INVALID_ARGS;
  }
  if (offset < 0) {
    uint64_t back = static_cast<uint64_t>(-(offset + 1)) + 1;
    position = back > base ? 0 : base - back;
  } else {
    uint64_t forward = static_cast<uint64_t>(offset);
    position = forward > length - base ? length : base + forward;
  }
  return MA_SUCCESS;
}

}  // namespace

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
  const bool known = view->size != source::kUnknownSize;
  uint64_t length = kMaxView;
  if (known) length = view->size > view->baseOffset ? view->size - view->baseOffset : 0;
  return seekWithin(view->position, length, known, offset, origin);
}

ma_result readFromMemory(ma_decoder* decoder, void* buffer, size_t bytes, size_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  auto* view = static_cast<MemoryView*>(decoder->pUserData);
  if (view->position >= view->size) return MA_AT_END;
  const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes, view->size - view->position));
  if (n > 0) std::memcpy(buffer, view->data + view->position, n);
  view->position += n;
  if (bytesRead) *bytesRead = n;
  return MA_SUCCESS;
}

ma_result seekInMemory(ma_decoder* decoder, ma_int64 offset, ma_seek_origin origin) {
  auto* view = static_cast<MemoryView*>(decoder->pUserData);
  return seekWithin(view->position, view->size, true, offset, origin);
}

namespace {

// Opens a decoder over a view with the given format; a file named .flac may hold MP3, so a
// failure is retried once with miniaudio trying every decoder.
template <typename View>
ma_result openWithRetry(View& view, ma_decoder_read_proc read, ma_decoder_seek_proc seek,
                        ma_encoding_format format, ma_decoder& decoder) {
  view.position = 0;
  ma_decoder_config config = makeDecoderConfig(format);
  ma_result result = ma_decoder_init(read, seek, &view, &config, &decoder);
  if (result != MA_SUCCESS && format != ma_encoding_format_unknown) {
    view.position = 0;
    config = makeDecoderConfig(ma_encoding_format_unknown);
    result = ma_decoder_init(read, seek, &view, &config, &decoder);
  }
  return result;
}

}  // namespace

ma_result openOverView(SourceView& view, ma_encoding_format format, ma_decoder& decoder) {
  return openWithRetry(view, readFromView, seekInView, format, decoder);
}

ma_result openOverMemory(MemoryView& view, ma_encoding_format format, ma_decoder& decoder) {
  return openWithRetry(view, readFromMemory, seekInMemory, format, decoder);
}

ma_result seekToFrame(ma_decoder& decoder, uint64_t frame) {
  if (frame > 0) {
    ma_result rewound = ma_decoder_seek_to_pcm_frame(&decoder, 0);
    if (rewound != MA_SUCCESS) return rewound;
  }
  return ma_decoder_seek_to_pcm_frame(&decoder, frame);
}

}  // namespace decoding
