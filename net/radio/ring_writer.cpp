#include "net/radio/ring_writer.h"

namespace radio {

RingWriter::~RingWriter() {
  if (ring_) ring_->release();
}

RingWriter::Delivery RingWriter::deliver(const int16_t* frames, uint32_t count, uint32_t rate) {
  if (!ring_) {
    ring_ = RadioRing::create(rate);
    if (!ring_) return Delivery::OutOfMemory;
  } else if (ring_->sampleRate() != rate) {
    return Delivery::FormatChanged;
  }
  uint32_t done = 0;
  for (;;) {
    done += ring_->write(frames + size_t{done} * 2, count - done);
    announceWhenReady();
    if (done == count || events_.waitForStop(kFullWaitMs)) break;
  }
  written_ += done;
  return done == count ? Delivery::Written : Delivery::Stopped;
}

void RingWriter::announceWhenReady() {
  if (!announced_ && ring_->buffered() >= ring_->sampleRate()) {
    announced_ = true;
    events_.started(*ring_);
  }
  if (announced_ && statusPending_) {
    statusPending_ = false;
    events_.status(std::wstring());
  }
}

void RingWriter::postTitles(std::deque<std::wstring> titles) {
  for (const std::wstring& title : titles) {
    if (filter_.admit(title)) events_.title(written_, title);
  }
}

}  // namespace radio
