// Radio sessions for tests and benchmarks: a message-only window that receives the RadioEvents
// (keeping those of open sessions, freeing the rest as the player does), a station played
// through radio::Stream, and a consumer that reads the announced rings as the audio callback
// does. No GoogleTest here; callers assert.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "net/radio/radio_event.h"
#include "net/radio/radio_stream.h"

namespace testsupport {

class TestServer;

constexpr UINT kRadioMessage = WM_APP + 7;

class RadioListener {
 public:
  RadioListener();
  ~RadioListener();  // frees every event still queued
  RadioListener(const RadioListener&) = delete;
  RadioListener& operator=(const RadioListener&) = delete;

  HWND window() const { return window_; }
  int32_t openSession();
  // Frees the session's events; its later ones are freed as they arrive.
  void closeSession(int32_t session);
  std::vector<std::unique_ptr<RadioEvent>>& events(int32_t session) { return events_[session]; }
  // Dispatches what is queued now.
  void drain();

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  int32_t nextSession_ = 1;
  std::map<int32_t, std::vector<std::unique_ptr<RadioEvent>>> events_;
};

class RadioStation {
 public:
  RadioStation(RadioListener& listener, const std::wstring& url, uint32_t codepage = 0);
  ~RadioStation() { stop(); }

  bool started() const { return started_; }
  // Stops the stream and closes the session; the milliseconds stop() took.
  double stop();

  const std::vector<std::unique_ptr<RadioEvent>>& events() { return listener_.events(session_); }
  // The n-th event of a kind (0 first), or null.
  RadioEvent* find(uint8_t kind, size_t n = 0);
  size_t count(uint8_t kind);
  std::vector<std::wstring> texts(uint8_t kind);

 private:
  RadioListener& listener_;
  int32_t session_;
  radio::Stream stream_;
  bool started_ = false;
  bool open_ = true;
};

// Stations caught where a stop has to break a wait: connecting to a server that never
// answers, downloading a station link from one, pausing before a reconnect (HTTP 503), and
// waiting for room in a full ring. Paths start with `prefix`, so that several sets on one
// server count their requests apart.
struct BlockedStations {
  std::unique_ptr<RadioStation> connecting, linking, reconnecting, full;
  const char* names[4] = {"connecting", "downloading a link", "reconnecting", "ring full"};
  RadioStation* all[4] = {};
};
// Starts them on icy_server.py and pumps until every one blocks (the full ring takes a while:
// twenty minutes of 8 kHz audio decoded). False after timeoutMs.
bool startBlockedStations(RadioListener& listener, const TestServer& server,
                          const std::wstring& prefix, BlockedStations& stations, DWORD timeoutMs);

// Reads the ring of the station's latest started event at `speed` times real time, as the
// audio callback would; a new started event replaces the ring. Keeps the left channel of the
// last two seconds or more played from the ring.
class RingConsumer {
 public:
  explicit RingConsumer(double speed) : speed_(speed) {}
  ~RingConsumer();
  RingConsumer(const RingConsumer&) = delete;
  RingConsumer& operator=(const RingConsumer&) = delete;

  void advance(RadioStation& station);

  uint32_t rate() const { return rate_; }
  size_t rings() const { return rings_; }
  const std::vector<float>& left() const { return left_; }
  uint64_t played() const { return played_; }  // frames of the current ring
  uint64_t dryReads() const { return dry_; }   // reads that found too little (a gap)

 private:
  double speed_;
  size_t rings_ = 0;  // started events taken
  RadioRing* ring_ = nullptr;
  uint32_t rate_ = 0;
  double startMs_ = 0;
  uint64_t due_ = 0;
  uint64_t played_ = 0;
  uint64_t dry_ = 0;
  std::vector<float> left_;
  std::vector<float> buffer_;
};

// Reads `frames` frames from the ring at once (nothing is played meanwhile); the left channel.
std::vector<float> readLeft(RadioRing& ring, uint32_t frames);

}  // namespace testsupport
