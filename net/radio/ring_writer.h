// The stream thread's side of the radio ring: creates the ring at the stream's rate, writes the
// decoded frames (waiting while it is full), announces it once one second is buffered, and
// stamps stream titles with the ring position they belong to. The ring lives as long as the
// session, so a reconnect that brings another sample rate ends the station. Portable: what it
// tells the window and how it waits go through StreamEvents.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "engine/radio_ring.h"
#include "net/radio/stream_titles.h"

namespace radio {

class StreamEvents {
 public:
  virtual ~StreamEvents() = default;
  virtual void status(const std::wstring& text) = 0;
  // Playback can start from `ring`: the receiver gets a reference of its own.
  virtual void started(RadioRing& ring) = 0;
  virtual void title(uint64_t position, const std::wstring& title) = 0;
  // Waits up to ms; true once the stream is stopping (every later wait returns at once).
  virtual bool waitForStop(uint32_t ms) = 0;
};

class RingWriter {
 public:
  static constexpr uint32_t kFullWaitMs = 10;

  enum class Delivery { Written, Stopped, OutOfMemory, FormatChanged };

  explicit RingWriter(StreamEvents& events) : events_(events) {}
  ~RingWriter();
  RingWriter(const RingWriter&) = delete;
  RingWriter& operator=(const RingWriter&) = delete;

  // Writes `count` interleaved frames at `rate`; Stopped when the stream stopped before all
  // were written.
  Delivery deliver(const int16_t* frames, uint32_t count, uint32_t rate);

  // Titles in arrival order; one equal to the last one posted is not posted again.
  void postTitles(std::deque<std::wstring> titles);

  // A status text other than the empty one is showing: the next delivery to an announced ring
  // clears it.
  void statusShown() { statusPending_ = true; }

  // Frames the listener has still to hear.
  uint32_t buffered() const { return ring_ ? ring_->buffered() : 0; }
  // The ring has been announced in this session.
  bool started() const { return announced_; }

 private:
  void announceWhenReady();

  StreamEvents& events_;
  RadioRing* ring_ = nullptr;  // one reference is the writer's
  uint64_t written_ = 0;       // frames written to ring_
  bool announced_ = false;
  bool statusPending_ = true;
  TitleFilter filter_;
};

}  // namespace radio
