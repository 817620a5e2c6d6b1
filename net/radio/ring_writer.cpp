#include "net/radio/ring_writer.h"

#include "net/radio/icy_demuxer.h"

namespace radio {

RingWriter::~RingWriter() {
  if (ring_) ring_->release();
  if (previous_) previous_->release();
}

uint32_t RingWriter::buffered() const {
  return (ring_ ? ring_->buffered() : 0) + (previous_ ? previous_->buffered() : 0);
}

bool RingWriter::useRate(uint32_t rate) {
  if (ring_ && ring_->sampleRate() == rate) return true;
  RadioRing* fresh = RadioRing::create(rate);
  if (!fresh) return false;
  if (ring_ && announced_) {
    if (previous_) previous_->release();
    previous_ = ring_;
  } else if (ring_) {
    ring_->release();  // never heard
  }
  ring_ = fresh;
  written_ = 0;
  announced_ = false;
  held_.clear();
  return true;
}

RingWriter::Delivery RingWriter::deliver(const int16_t* frames, uint32_t count, uint32_t rate) {
  if (!useRate(rate)) return Delivery::OutOfMemory;
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
  if (!announced_ && ring_->buffered() >= ring_->sampleRate() &&
      !(previous_ && previous_->buffered() > 0)) {
    if (previous_) {
      previous_->release();
      previous_ = nullptr;
    }
    announced_ = started_ = true;
    events_.started(*ring_);
    for (const auto& [position, title] : held_) events_.title(position, title);
    held_.clear();
  }
  if (announced_ && statusPending_) {
    statusPending_ = false;
    events_.status(std::wstring());
  }
}

void RingWriter::postTitles(std::deque<std::wstring> titles) {
  for (std::wstring& title : titles) {
    if (!filter_.admit(title)) continue;
    if (previous_ && !announced_) {
      if (held_.size() == kMaxPendingTitles) held_.erase(held_.begin());
      held_.emplace_back(written_, std::move(title));
    } else {
      events_.title(written_, title);
    }
  }
}

}  // namespace radio
