// Internet radio from the loopback ICY server: the process's CPU time per second of audio for
// MP3 and AAC stations (sent as fast as they are read, and at real time), the time from
// radio::Stream::start to the started event, and how long a stop takes in each state where the
// thread waits (connecting, downloading a link, reconnecting, ring full).
//   radio_bench [seconds of audio=120]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "net/radio/radio_event.h"
#include "tests/support/radio_station.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"

namespace {

using testsupport::BlockedStations;
using testsupport::RadioListener;
using testsupport::RadioStation;
using testsupport::RingConsumer;

constexpr DWORD kPatienceMs = 120000;
constexpr int kStartRuns = 5;
constexpr int kStopRuns = 3;
// Filling a twenty-minute ring takes a while under load.
constexpr DWORD kBlockPatienceMs = 300000;
// The consumer reads as often as the audio callback runs, so its own CPU stays small.
constexpr DWORD kPeriodMs = 20;

double processCpuMs() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](FILETIME t) {
    return double((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 10000.0;
  };
  return ms(kernel) + ms(user);
}

// CPU milliseconds per second of audio played, reading the ring at `speed` times real time.
double cpuPerSecond(RadioListener& listener, const std::wstring& url, double speed,
                    double seconds) {
  RadioStation station(listener, url);
  RingConsumer player(speed);
  if (!testsupport::pumpUntil(
          [&] {
            player.advance(station);
            return player.rate() != 0 || station.find(RadioEvent::kError);
          },
          kPatienceMs)) {
    return -1;
  }
  // From the first second on: the start-up is measured on its own.
  const double cpuStart = processCpuMs();
  const uint64_t playedStart = player.played();
  const uint64_t target = playedStart + uint64_t(seconds * player.rate());
  if (!testsupport::pumpUntil(
          [&] {
            player.advance(station);
            return player.played() >= target || station.find(RadioEvent::kError);
          },
          DWORD(seconds * 1000 / speed) + kPatienceMs, kPeriodMs)) {
    return -1;
  }
  const double audioSeconds = double(player.played() - playedStart) / player.rate();
  return (processCpuMs() - cpuStart) / audioSeconds;
}

// Milliseconds from start() to the started event: best and median of kStartRuns.
void startTimes(RadioListener& listener, const std::wstring& url, const char* label) {
  std::vector<double> times;
  for (int run = 0; run < kStartRuns; ++run) {
    const double start = testsupport::nowMs();
    RadioStation station(listener, url);
    if (!testsupport::pumpUntil(
            [&] { return station.find(RadioEvent::kStarted) || station.find(RadioEvent::kError); },
            kPatienceMs, 1) ||
        !station.find(RadioEvent::kStarted)) {
      std::printf("%-34s did not start\n", label);
      return;
    }
    times.push_back(testsupport::nowMs() - start);
  }
  const double first = times.front();
  std::sort(times.begin(), times.end());
  std::printf("%-34s first %7.1f ms   best %7.1f ms   median %7.1f ms\n", label, first,
              times.front(), times[times.size() / 2]);
}

// Milliseconds each stop took, per blocked state, over kStopRuns sets of stations.
void stopTimes(RadioListener& listener, const testsupport::TestServer& server) {
  std::vector<double> times[4];
  for (int run = 0; run < kStopRuns; ++run) {
    BlockedStations blocked;
    const std::wstring prefix = L"/stop" + std::to_wstring(run) + L"/";
    if (!testsupport::startBlockedStations(listener, server, prefix, blocked, kBlockPatienceMs)) {
      std::printf("stop: the stations did not all block\n");
      return;
    }
    for (size_t i = 0; i < 4; ++i) times[i].push_back(blocked.all[i]->stop());
    listener.drain();
  }
  const BlockedStations names;
  for (size_t i = 0; i < 4; ++i) {
    std::sort(times[i].begin(), times[i].end());
    std::printf("stop while %-19s best %7.1f ms   worst %7.1f ms (%d runs)\n", names.names[i],
                times[i].front(), times[i].back(), kStopRuns);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::max(10.0, std::atof(argv[1])) : 120;
  testsupport::TestServer server("icy_server.py");
  if (!server.ok()) {
    std::printf("no server: %s\n", server.error().c_str());
    return 1;
  }
  RadioListener listener;
  // AAC first, so that its first start includes Media Foundation's.
  startTimes(listener, server.url(L"/start.aac?burst=2"), "start to started, AAC, 2 s burst");
  startTimes(listener, server.url(L"/start.mp3?burst=2"), "start to started, MP3, 2 s burst");
  startTimes(listener, server.url(L"/paced.aac"), "start to started, AAC, real time");
  startTimes(listener, server.url(L"/paced.mp3"), "start to started, MP3, real time");
  stopTimes(listener, server);

  const struct {
    const char* label;
    const wchar_t* path;
  } stations[] = {
      {"MP3 128 kbit/s 44.1 kHz", L"/cpu.mp3?pace=0&title_every=5&titles=A|B"},
      {"AAC 96 kbit/s 44.1 kHz", L"/cpu.aac?pace=0&title_every=5&titles=A|B"},
  };
  for (const auto& s : stations) {
    const double flat = cpuPerSecond(listener, server.url(s.path), 50, seconds);
    std::wstring paced = s.path;
    paced.replace(paced.find(L"pace=0"), 6, L"pace=1");
    const double realTime = cpuPerSecond(listener, server.url(paced), 1, 10);
    std::printf(
        "%-24s CPU per second of audio: %6.2f ms decoding flat out (%.0f s of audio), "
        "%6.2f ms at real time (10 s)\n",
        s.label, flat, seconds, realTime);
  }
  listener.drain();
  return 0;
}
