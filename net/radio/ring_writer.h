// The stream thread's side of the radio ring: creates the ring at the stream's rate, writes the
// decoded frames (waiting while it is full), announces it once one second is buffered, and
// stamps stream titles with the ring position they belong to. A reconnect that brings another
// sample rate gets a new ring, announced once the old one has played out, so that the listener
// hears the new rate at its own pitch and loses nothing of what was buffered. Portable: what it
// tells the window and how it waits go through StreamEvents.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

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

  enum class Delivery { Written, Stopped, OutOfMemory };

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

  // Frames the listener has still to hear from the rings written so far.
  uint32_t buffered() const;
  // Some ring has been announced in this session.
  bool started() const { return started_; }

 private:
  bool useRate(uint32_t rate);
  void announceWhenReady();

  StreamEvents& events_;
  RadioRing* ring_ = nullptr;      // written to; one reference is the writer's
  RadioRing* previous_ = nullptr;  // announced and still playing while ring_ waits
  uint64_t written_ = 0;           // frames written to ring_
  bool started_ = false;
  bool announced_ = false;  // ring_ was announced
  bool statusPending_ = true;
  TitleFilter filter_;
  // Titles of ring_ that arrived while previous_ still plays: posted with its announcement,
  // so that their positions count from the start of the ring they belong to.
  std::vector<std::pair<uint64_t, std::wstring>> held_;
};

}  // namespace radio
