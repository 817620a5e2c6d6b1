// The record the stream thread posts with WM_APP_RADIO. The window owns it once the post
// succeeded; a started event that is not used gives its ring reference back when destroyed.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/live_record_count.h"
#include "base/posted_record.h"
#include "engine/radio_ring.h"

struct RadioEvent : PostedRecord, LiveRecordCount<RadioEvent> {
  enum Kind : uint8_t { kStatus = 0, kStarted = 1, kTitle = 2, kError = 3 };

  RadioEvent() = default;
  RadioEvent(const RadioEvent&) = delete;
  RadioEvent& operator=(const RadioEvent&) = delete;
  ~RadioEvent() override {
    if (ring) ring->release();
  }

  // The ring with its reference, for the receiver that plays it.
  RadioRing* takeRing() noexcept { return std::exchange(ring, nullptr); }

  int32_t session = 0;
  uint8_t kind = kStatus;
  std::wstring text;          // status (empty clears it), title or error message
  int32_t sampleRate = 0;     // kStarted: the ring's rate
  RadioRing* ring = nullptr;  // kStarted: one reference for the receiver
  uint64_t position = 0;      // kTitle: frames written to the ring before the title arrived
};
