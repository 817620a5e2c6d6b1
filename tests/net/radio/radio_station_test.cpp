// Stations from a loopback ICY server played through radio::Stream, the audio checked in the
// ring: tones and titles, drops and rate changes, failures with their texts, station links,
// stops that break every wait, bad streams, and memory that follows the buffered audio.
#include <winsock2.h>

#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/http/request.h"
#include "net/radio/radio_event.h"
#include "tests/support/radio_station.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"

namespace {

using testsupport::RadioListener;
using testsupport::RadioStation;
using testsupport::RingConsumer;
using testsupport::toneHz;

constexpr DWORD kPatienceMs = 60000;

class Radio : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new testsupport::TestServer("icy_server.py"); }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override { ASSERT_TRUE(server_->ok()) << server_->error(); }
  void TearDown() override {
    listener_.drain();
    EXPECT_EQ(RadioEvent::live(), 0) << "events left behind";
  }

  static std::wstring url(const std::wstring& path) { return server_->url(path); }
  static int requests(const std::wstring& path) {
    std::string body;
    return server_->get(L"/_count?path=" + path, body) ? std::stoi(body) : -1;
  }
  bool waitFor(const std::function<bool()>& done, DWORD timeoutMs = kPatienceMs) {
    return testsupport::pumpUntil(done, timeoutMs);
  }
  // Waits for every station to start playing or to fail.
  bool waitForOutcomes(std::vector<std::unique_ptr<RadioStation>>& stations) {
    return waitFor([&] {
      for (auto& s : stations) {
        if (!s->find(RadioEvent::kStarted) && !s->find(RadioEvent::kError)) return false;
      }
      return true;
    });
  }
  std::unique_ptr<RadioStation> play(const std::wstring& path, uint32_t codepage = 0) {
    auto station = std::make_unique<RadioStation>(listener_, url(path), codepage);
    EXPECT_TRUE(station->started()) << path;
    return station;
  }

  static testsupport::TestServer* server_;
  RadioListener listener_;
};
testsupport::TestServer* Radio::server_ = nullptr;

std::wstring errorOf(RadioStation& station) {
  RadioEvent* error = station.find(RadioEvent::kError);
  return error ? error->text : L"<no error>";
}

// A loopback port nobody listens on.
uint16_t closedPort() {
  testsupport::ScopedSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int n = sizeof a;
  bind(s.get(), reinterpret_cast<sockaddr*>(&a), n);
  getsockname(s.get(), reinterpret_cast<sockaddr*>(&a), &n);
  return ntohs(a.sin_port);
}

double privateMiB() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  // Wine leaves PrivateUsage at 0; its PagefileUsage is the same commit charge.
  return double(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage) /
         (1024 * 1024);
}

}  // namespace

TEST_F(Radio, StationsPlayTheirToneWithTitlesAtTheirPositions) {
  const struct {
    const wchar_t* path;
    int rate;
    double tone;
  } cases[] = {
      // Paced after the first second, so that titles are read as their audio comes.
      {L"/t1.mp3?burst=1&title_every=1&title_repeat=1&titles=One|Caf%E9", 44100, 440},
      {L"/t2.aac?file=tone660_48000.aac&burst=1&title_every=1&titles=One|Caf%E9", 48000, 660},
      // Untyped bodies are sniffed.
      {L"/t3?ct=application/octet-stream&file=tone440_44100.aac&burst=3", 44100, 440},
      {L"/t4?ct=&burst=3", 44100, 440},
      // No metadata, and a metaint too large to be one: all bytes are audio.
      {L"/t5.mp3?metaint=0&burst=3", 44100, 440},
      {L"/t6.mp3?metaint=2000000&burst=3", 44100, 440},
  };
  std::vector<std::unique_ptr<RadioStation>> stations;
  for (const auto& c : cases) stations.push_back(play(c.path));
  ASSERT_TRUE(waitForOutcomes(stations));
  for (size_t i = 0; i < stations.size(); ++i) {
    RadioStation& station = *stations[i];
    SCOPED_TRACE(cases[i].path);
    RadioEvent* started = station.find(RadioEvent::kStarted);
    ASSERT_NE(started, nullptr) << errorOf(station);
    EXPECT_EQ(started->sampleRate, cases[i].rate);
    EXPECT_EQ(started->ring->sampleRate(), uint32_t(cases[i].rate));
    ASSERT_GE(started->ring->buffered(), uint32_t(cases[i].rate));
    const double tone = toneHz(testsupport::readLeft(*started->ring, cases[i].rate), cases[i].rate);
    EXPECT_NEAR(tone, cases[i].tone, cases[i].tone * 0.03);
    ASSERT_TRUE(waitFor([&] { return station.count(RadioEvent::kStatus) == 2; }));
    EXPECT_EQ(station.texts(RadioEvent::kStatus),
              (std::vector<std::wstring>{L"Connecting...", L""}));
  }
  // Titles change every second of audio; repeated blocks post once; a title in a legacy code
  // page is decoded with it.
  for (size_t i = 0; i < 2; ++i) {
    RadioStation& station = *stations[i];
    SCOPED_TRACE(cases[i].path);
    ASSERT_TRUE(waitFor([&] { return station.count(RadioEvent::kTitle) >= 3; }));
    std::vector<const RadioEvent*> titles;
    for (const auto& event : station.events()) {
      if (event->kind == RadioEvent::kTitle) titles.push_back(event.get());
    }
    EXPECT_EQ(titles[0]->text, L"One");
    EXPECT_EQ(titles[1]->text, L"Caf\u00E9");
    EXPECT_EQ(titles[2]->text, L"One");
    for (size_t t = 1; t < titles.size(); ++t) {
      EXPECT_GT(titles[t]->position, titles[t - 1]->position);
      EXPECT_NE(titles[t]->text, titles[t - 1]->text);
    }
    // The third title's block came 1.5 s of audio after the first one's; a title's position is
    // where the writing stood when it was read, which the decoder's look-ahead (up to 16 KiB of
    // MP3) brings forward.
    EXPECT_GT(titles[2]->position, titles[0]->position + uint64_t(cases[i].rate) / 2);
  }
  stations.clear();
  listener_.drain();
  EXPECT_EQ(RadioEvent::live(), 0);
}

TEST_F(Radio, DropsReconnectOnTheSameRingAndANewRateGetsItsOwnRing) {
  auto drop = play(L"/drop.mp3?burst=2&drop_after=4&only=1");
  auto rate = play(L"/rate.mp3?burst=2&drop_after=3&only=1&next=tone880_48000.mp3");
  RingConsumer dropPlayer(1.0), ratePlayer(1.0);
  ASSERT_TRUE(waitFor([&] {
    dropPlayer.advance(*drop);
    ratePlayer.advance(*rate);
    return drop->count(RadioEvent::kStatus) >= 4 && dropPlayer.played() > 44100 * 6 &&
           ratePlayer.rings() == 2 && ratePlayer.played() > 48000;
  })) << errorOf(*drop)
      << " / " << errorOf(*rate);

  EXPECT_EQ(drop->texts(RadioEvent::kStatus),
            (std::vector<std::wstring>{L"Connecting...", L"", L"Reconnecting...", L""}));
  EXPECT_EQ(dropPlayer.rings(), 1u);
  EXPECT_EQ(requests(L"/drop.mp3"), 2);
  // Seconds 5 and 6 came from the second connection.
  const std::vector<float>& heard = dropPlayer.left();
  const std::vector<float> late(heard.end() - 44100, heard.end());
  EXPECT_NEAR(toneHz(late, 44100), 440, 440 * 0.03);
  std::printf("drop: %llu dry reads while reconnecting\n",
              static_cast<unsigned long long>(dropPlayer.dryReads()));

  EXPECT_EQ(rate->texts(RadioEvent::kStatus),
            (std::vector<std::wstring>{L"Connecting...", L"", L"Reconnecting...", L""}));
  EXPECT_EQ(rate->find(RadioEvent::kStarted, 1)->sampleRate, 48000);
  EXPECT_EQ(ratePlayer.rate(), 48000u);
  EXPECT_NEAR(toneHz(ratePlayer.left(), 48000), 880, 880 * 0.03);
  EXPECT_EQ(rate->find(RadioEvent::kError), nullptr);
}

TEST_F(Radio, FailuresEndWithTheirTexts) {
  const struct {
    std::wstring url;
    const wchar_t* error;
    int requests;  // -1: not counted
  } cases[] = {
      {url(L"/f404.mp3?status=404"), L"The station answered HTTP 404", 1},
      // Retried after 1, 2, 4 and 8 seconds.
      {url(L"/f503.mp3?status=503"), L"The station answered HTTP 503", 5},
      {L"http://127.0.0.1:" + std::to_wstring(closedPort()) + L"/", L"Can't reach the server", -1},
      {url(L"/fogg?ct=audio/ogg"), L"Ogg stations aren't supported (MP3 and AAC only)", 1},
      {L"http:///nohost", L"Not a valid stream URL", -1},
      {url(L"/fg1.mp3?garbage=1&pace=0"), L"Not a playable MP3 stream", 1},
      {url(L"/fg2.aac?garbage=1&pace=0"), L"Not a playable AAC stream", 1},
      {url(L"/fg3?garbage=1&pace=0&ct="), L"Not a playable MP3 or AAC stream", 1},
  };
  std::vector<std::unique_ptr<RadioStation>> stations;
  for (const auto& c : cases) stations.push_back(std::make_unique<RadioStation>(listener_, c.url));
  ASSERT_TRUE(waitForOutcomes(stations));
  for (size_t i = 0; i < stations.size(); ++i) {
    SCOPED_TRACE(cases[i].url);
    EXPECT_EQ(errorOf(*stations[i]), cases[i].error);
    EXPECT_EQ(stations[i]->find(RadioEvent::kStarted), nullptr);
    if (cases[i].requests >= 0) {
      const std::wstring path = cases[i].url.substr(cases[i].url.find(L'/', 8));
      EXPECT_EQ(requests(path.substr(0, path.find(L'?'))), cases[i].requests);
    }
  }
  EXPECT_EQ(stations[0]->count(RadioEvent::kStatus), 1u);  // no retry after a 404
  EXPECT_EQ(stations[1]->count(RadioEvent::kStatus), 5u);
}

TEST_F(Radio, StationLinksLeadToTheStream) {
  const std::wstring target = L"target=%2Flinked.mp3%3Fburst%3D2";
  const struct {
    std::wstring path;
    const wchar_t* error;  // null: plays
  } cases[] = {
      {L"/l1.pls?" + target, nullptr},
      {L"/l2.m3u?" + target, nullptr},
      // A playlist content type on a plain address is resolved once.
      {L"/l3?playlist=m3u&" + target, nullptr},
      {L"/l4?playlist=m3u&target=%2Fl4b%3Fplaylist%3Dm3u",
       L"This is a playlist link; use the stream URL inside it"},
      {L"/l5.m3u8", L"HLS streams aren't supported"},
      {L"/l6.pls?playlist=hls", L"HLS streams aren't supported"},
      {L"/l7.pls?status=404", L"The station link answered HTTP 404"},
      {L"/l8.pls?pad=70000", L"Not a station link (over 64 KB)"},
      // An address by the text rule that WinHTTP cannot split.
      {L"/l9.m3u?target=http%3A%2F%2Fx%3A99999%2F", L"The station link has no stream address"},
  };
  std::vector<std::unique_ptr<RadioStation>> stations;
  for (const auto& c : cases) stations.push_back(play(c.path));
  ASSERT_TRUE(waitForOutcomes(stations));
  for (size_t i = 0; i < stations.size(); ++i) {
    SCOPED_TRACE(cases[i].path);
    if (!cases[i].error) {
      RadioEvent* started = stations[i]->find(RadioEvent::kStarted);
      ASSERT_NE(started, nullptr) << errorOf(*stations[i]);
      EXPECT_NEAR(toneHz(testsupport::readLeft(*started->ring, 44100), 44100), 440, 440 * 0.03);
    } else {
      EXPECT_EQ(errorOf(*stations[i]), cases[i].error);
    }
  }
  EXPECT_EQ(requests(L"/l3"), 2);
  EXPECT_EQ(requests(L"/l4b"), 1);
  EXPECT_EQ(requests(L"/l5.m3u8"), 0);
}

TEST_F(Radio, StopBreaksEveryWaitAndLeavesNothingBehind) {
  auto connecting = play(L"/s1.mp3?silent=1");
  auto linking = play(L"/s2.pls?silent=1");
  auto reconnecting = play(L"/s3.mp3?status=503");
  auto full = play(L"/s4.mp3?pace=0");
  auto bad = play(L"/s5.mp3?badmeta=2&burst=3");
  RadioRing* fullRing = nullptr;
  ASSERT_TRUE(waitFor(
      [&] {
        if (!fullRing && full->find(RadioEvent::kStarted)) {
          fullRing = full->find(RadioEvent::kStarted)->ring;
        }
        return requests(L"/s1.mp3") == 1 && requests(L"/s2.pls") == 1 &&
               reconnecting->count(RadioEvent::kStatus) >= 3 && fullRing &&
               fullRing->buffered() == fullRing->capacity() - 1 && bad->count(RadioEvent::kTitle);
      },
      240000))
      << errorOf(*full);
  // A metadata length pointing past its block costs some audio, nothing else.
  EXPECT_EQ(errorOf(*bad), L"<no error>");
  EXPECT_NE(bad->find(RadioEvent::kStarted), nullptr);

  // Without the stop breaking them these waits last 8 s and more (the receive time-out, the
  // reconnect pause, a ring that stays full for twenty minutes).
  for (RadioStation* station : {connecting.get(), linking.get(), reconnecting.get(), full.get()}) {
    const double ms = station->stop();
    std::printf("stop took %.1f ms\n", ms);
    EXPECT_LT(ms, 5000);
  }
  bad->stop();
  // Events posted before the stops are dropped as they arrive; WinHTTP lets go of every request
  // (under Wine a call pending on a closed handle runs on to its 15 s time-out first).
  EXPECT_TRUE(waitFor([] { return http::Request::liveContexts() == 0; }));
  listener_.drain();
  EXPECT_EQ(RadioEvent::live(), 0);
}

TEST_F(Radio, PrivateBytesFollowTheBufferedAudio) {
  {
    auto warmUp = play(L"/warm.mp3?burst=2");
    ASSERT_TRUE(waitFor([&] { return warmUp->find(RadioEvent::kStarted) != nullptr; }));
  }
  listener_.drain();
  const double before = privateMiB();
  // Sixty seconds of the 128 kbit/s stream sent and played at four times real time.
  auto station = play(L"/mem.mp3?pace=4&burst=1&title_every=2&titles=A|B");
  RingConsumer player(4.0);
  double peak = 0;
  ASSERT_TRUE(waitFor([&] {
    player.advance(*station);
    peak = std::max(peak, privateMiB() - before);
    return player.played() >= 44100 * 60;
  }));
  const double after = privateMiB() - before;
  std::printf(
      "private bytes after 60 s of a 128 kbit/s stream: %+.1f MiB (peak %+.1f MiB, ring %u "
      "MiB committed)\n",
      after, peak, player.ring()->committedChunks());
  EXPECT_LT(after, 16.0);
  EXPECT_EQ(player.rings(), 1u);
}
