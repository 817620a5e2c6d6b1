// One counted reference to a StreamDecoder, held by the player's record of the track it
// feeds (for seeks, the repeat-one flag and the reading state).
#pragma once

#include <utility>

#include "engine/stream_decoder.h"

class StreamDecoderRef {
 public:
  StreamDecoderRef() = default;
  // Takes a reference of its own; the loaded track keeps its one.
  explicit StreamDecoderRef(StreamDecoder* decoder) : decoder_(decoder) {
    if (decoder_) decoder_->addRef();
  }
  ~StreamDecoderRef() { reset(); }
  StreamDecoderRef(const StreamDecoderRef&) = delete;
  StreamDecoderRef& operator=(const StreamDecoderRef&) = delete;
  StreamDecoderRef(StreamDecoderRef&& other) noexcept
      : decoder_(std::exchange(other.decoder_, nullptr)) {}
  StreamDecoderRef& operator=(StreamDecoderRef&& other) noexcept {
    if (this != &other) {
      reset();
      decoder_ = std::exchange(other.decoder_, nullptr);
    }
    return *this;
  }

  void reset() {
    if (decoder_) std::exchange(decoder_, nullptr)->release();
  }
  StreamDecoder* get() const { return decoder_; }
  StreamDecoder* operator->() const { return decoder_; }
  explicit operator bool() const { return decoder_ != nullptr; }

 private:
  StreamDecoder* decoder_ = nullptr;
};
