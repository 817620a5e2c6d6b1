#include "engine/mp3_byte_seek.h"

ma_result openMp3AtOffset(decoding::SourceView& view, uint64_t baseOffset, ma_decoder& decoder) {
  view.baseOffset = baseOffset;
  view.position = 0;
  ma_decoder_config config = decoding::makeDecoderConfig(ma_encoding_format_mp3);
  config.seekPointCount = 0;
  return ma_decoder_init(decoding::readFromView, decoding::seekInView, &view, &config, &decoder);
}
