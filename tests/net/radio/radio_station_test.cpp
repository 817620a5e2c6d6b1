// Stations from a loopback ICY server played through radio::Stream, the audio checked in the
// ring: tones, titles, links and failures; drops and rate changes; stops that break every
// wait; bad streams; memory that follows the buffered audio.
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
#include "tests/support/audio_capture.h"
#include "tests/support/radio_station.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"

namespace {

using testsupport::RadioStation;
using testsupport::RingConsumer;
using testsupport::toneHz;
using Texts = std::vector<std::wstring>;

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
  static bool waitFor(const std::function<bool()>& done, DWORD timeoutMs = 60000) {
    return testsupport::pumpUntil(done, timeoutMs);
  }
  std::unique_ptr<RadioStation> play(const std::wstring& address) {
    auto station = std::make_unique<RadioStation>(listener_, address);
    EXPECT_TRUE(station->started()) << address;
    return station;
  }

  static testsupport::TestServer* server_;
  testsupport::RadioListener listener_;
};
testsupport::TestServer* Radio::server_ = nullptr;

std::wstring errorOf(RadioStation& station) {
  RadioEvent* error = station.find(RadioEvent::kError);
  return error ? error->text : L"<no error>";
}

uint16_t closedPort() {
  base::ScopedSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
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

TEST_F(Radio, StationsPlayTheirToneOrEndWithTheirText) {
  const std::wstring linked = L"target=%2Flinked.mp3%3Fburst%3D2";
  const struct {
    std::wstring address;
    int rate;  // 0: fails with `error`
    double tone;
    const wchar_t* error;
  } cases[] = {
      // Paced after the first second, so that titles are read as their audio comes.
      {url(L"/t1.mp3?burst=1&title_every=1&title_repeat=1&titles=One|Caf%E9"), 44100, 440, nullptr},
      {url(L"/t2.aac?file=tone660_48000.aac&burst=1&title_every=1&titles=One|Caf%E9"), 48000, 660,
       nullptr},
      // Untyped bodies are sniffed; metaint 0 and one above 1 MiB mean no metadata.
      {url(L"/t3?ct=application/octet-stream&file=tone440_44100.aac&burst=3"), 44100, 440, nullptr},
      {url(L"/t4?ct=&burst=3"), 44100, 440, nullptr},
      {url(L"/t5.mp3?metaint=0&burst=3"), 44100, 440, nullptr},
      {url(L"/t6.mp3?metaint=2000000&burst=3"), 44100, 440, nullptr},
      // Links, and a playlist type on a plain address (resolved once).
      {url(L"/l1.pls?" + linked), 44100, 440, nullptr},
      {url(L"/l2.m3u?" + linked), 44100, 440, nullptr},
      {url(L"/l3?playlist=m3u&" + linked), 44100, 440, nullptr},
      {url(L"/l4?playlist=m3u&target=%2Fl4b%3Fplaylist%3Dm3u"), 0, 0,
       L"This is a playlist link; use the stream URL inside it"},
      {url(L"/l5.m3u8"), 0, 0, L"HLS streams aren't supported"},
      {url(L"/l6.pls?playlist=hls"), 0, 0, L"HLS streams aren't supported"},
      {url(L"/l7.pls?status=404"), 0, 0, L"The station link answered HTTP 404"},
      {url(L"/l8.pls?pad=70000"), 0, 0, L"Not a station link (over 64 KB)"},
      // An address by the text rule that WinHTTP cannot split.
      {url(L"/l9.m3u?target=http%3A%2F%2Fx%3A99999%2F"), 0, 0,
       L"The station link has no stream address"},
      {url(L"/f404.mp3?status=404"), 0, 0, L"The station answered HTTP 404"},
      {url(L"/f503.mp3?status=503"), 0, 0, L"The station answered HTTP 503"},
      {L"http://127.0.0.1:" + std::to_wstring(closedPort()) + L"/", 0, 0,
       L"Can't reach the server"},
      {url(L"/fogg?ct=audio/ogg"), 0, 0, L"Ogg stations aren't supported (MP3 and AAC only)"},
      {L"http:///nohost", 0, 0, L"Not a valid stream URL"},
      {url(L"/fg1.mp3?garbage=1&pace=0"), 0, 0, L"Not a playable MP3 stream"},
      {url(L"/fg2.aac?garbage=1&pace=0"), 0, 0, L"Not a playable AAC stream"},
      {url(L"/fg3?garbage=1&pace=0&ct="), 0, 0, L"Not a playable MP3 or AAC stream"},
  };
  std::vector<std::unique_ptr<RadioStation>> stations;
  for (const auto& c : cases) stations.push_back(play(c.address));
  ASSERT_TRUE(waitFor([&] {
    for (size_t i = 0; i < stations.size(); ++i) {
      if (cases[i].rate ? stations[i]->count(RadioEvent::kStatus) < 2 &&
                              !stations[i]->find(RadioEvent::kError)
                        : !stations[i]->find(RadioEvent::kError)) {
        return false;
      }
    }
    return true;
  }));
  for (size_t i = 0; i < stations.size(); ++i) {
    RadioStation& station = *stations[i];
    SCOPED_TRACE(cases[i].address);
    RadioEvent* started = station.find(RadioEvent::kStarted);
    if (!cases[i].rate) {
      EXPECT_EQ(errorOf(station), cases[i].error);
      EXPECT_EQ(started, nullptr);
      continue;
    }
    ASSERT_NE(started, nullptr) << errorOf(station);
    EXPECT_EQ(started->sampleRate, cases[i].rate);
    ASSERT_GE(started->ring->buffered(), uint32_t(cases[i].rate));
    const std::vector<float> heard = testsupport::readLeft(*started->ring, cases[i].rate);
    EXPECT_NEAR(toneHz(heard, cases[i].rate, testsupport::kLoopedToneHysteresis), cases[i].tone,
                cases[i].tone * 0.03);
    EXPECT_EQ(station.texts(RadioEvent::kStatus), (Texts{L"Connecting...", L""}));
  }
  EXPECT_EQ(requests(L"/l3"), 2);
  EXPECT_EQ(requests(L"/l4b"), 1);
  EXPECT_EQ(requests(L"/l5.m3u8"), 0);
  EXPECT_EQ(requests(L"/f404.mp3"), 1);
  EXPECT_EQ(stations[15]->count(RadioEvent::kStatus), 1u);
  EXPECT_EQ(requests(L"/f503.mp3"), 5);  // retried after 1, 2, 4 and 8 s
  EXPECT_EQ(stations[16]->count(RadioEvent::kStatus), 5u);

  // Titles change every second of audio; repeated blocks post once; a title in a legacy code
  // page is decoded with it.
  for (size_t i = 0; i < 2; ++i) {
    RadioStation& station = *stations[i];
    ASSERT_TRUE(waitFor([&] { return station.count(RadioEvent::kTitle) >= 3; }));
    std::vector<const RadioEvent*> titles;
    for (const auto& event : station.events()) {
      if (event->kind == RadioEvent::kTitle) titles.push_back(event.get());
    }
    EXPECT_EQ(titles[0]->text, L"One");
    EXPECT_EQ(titles[1]->text, L"Caf\u00E9");
    EXPECT_EQ(titles[2]->text, L"One");
    // A position is where the writing stood when the title was read: one read may carry two
    // blocks, and the MP3 decoder's look-ahead (16 KiB) brings positions forward.
    EXPECT_LE(titles[0]->position, titles[1]->position);
    EXPECT_LE(titles[1]->position, titles[2]->position);
  }
}

TEST_F(Radio, DropsReconnectOnTheSameRingAndANewRateEndsTheStation) {
  auto drop = play(url(L"/drop.mp3?burst=2&drop_after=4&only=1"));
  auto rate = play(url(L"/rate.mp3?burst=2&drop_after=3&only=1&next=tone880_48000.mp3"));
  RingConsumer dropPlayer(1.0), ratePlayer(1.0);
  ASSERT_TRUE(waitFor([&] {
    dropPlayer.advance(*drop);
    ratePlayer.advance(*rate);
    return drop->count(RadioEvent::kStatus) >= 4 && dropPlayer.played() > 44100 * 6 &&
           rate->find(RadioEvent::kError) != nullptr;
  })) << errorOf(*drop)
      << " / " << errorOf(*rate);

  const Texts reconnected = {L"Connecting...", L"", L"Reconnecting...", L""};
  EXPECT_EQ(drop->texts(RadioEvent::kStatus), reconnected);
  EXPECT_EQ(dropPlayer.rings(), 1u);
  EXPECT_EQ(requests(L"/drop.mp3"), 2);
  // The last second played came from the second connection.
  const std::vector<float>& heard = dropPlayer.left();
  EXPECT_NEAR(toneHz(std::vector<float>(heard.end() - 44100, heard.end()), 44100,
                     testsupport::kLoopedToneHysteresis),
              440, 13);
  std::printf("drop: %llu dry reads while reconnecting\n",
              static_cast<unsigned long long>(dropPlayer.dryReads()));

  // The one ring stays at its rate: the second connection's 48 kHz ends the station.
  EXPECT_EQ(errorOf(*rate), L"The station changed its audio format");
  EXPECT_EQ(rate->texts(RadioEvent::kStatus), (Texts{L"Connecting...", L"", L"Reconnecting..."}));
  EXPECT_EQ(rate->count(RadioEvent::kStarted), 1u);
  EXPECT_EQ(requests(L"/rate.mp3"), 2);
  EXPECT_EQ(ratePlayer.rate(), 44100u);
}

TEST_F(Radio, StopBreaksEveryWaitAndLeavesNothingBehind) {
  testsupport::BlockedStations blocked;
  auto bad = play(url(L"/s5.mp3?badmeta=2&burst=3"));
  ASSERT_TRUE(testsupport::startBlockedStations(listener_, *server_, L"/", blocked, 240000) &&
              waitFor([&] { return bad->count(RadioEvent::kTitle) > 0; }))
      << errorOf(*blocked.full);
  // A metadata length pointing past its block costs some audio, nothing else.
  EXPECT_EQ(errorOf(*bad), L"<no error>");
  EXPECT_NE(bad->find(RadioEvent::kStarted), nullptr);

  // A station whose events stay queued until it has stopped: they arrive late, for a closed
  // session, the started one with its ring.
  auto late = play(url(L"/late.mp3?burst=3"));
  std::vector<MSG> held;
  bool lateStarted = false;
  for (const ULONGLONG deadline = GetTickCount64() + 60000;
       !lateStarted && GetTickCount64() < deadline;) {
    MSG message;
    if (!PeekMessageW(&message, listener_.window(), testsupport::kRadioMessage,
                      testsupport::kRadioMessage, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_POSTMESSAGE);
      continue;
    }
    held.push_back(message);
    // The other stations have started already or never will.
    lateStarted = reinterpret_cast<const RadioEvent*>(message.lParam)->kind == RadioEvent::kStarted;
  }
  ASSERT_TRUE(lateStarted);
  late->stop();

  // Without the stop breaking them these waits last 8 s and more (the receive time-out, the
  // reconnect pause, a ring that stays full for twenty minutes).
  for (size_t i = 0; i < 4; ++i) {
    const double ms = blocked.all[i]->stop();
    std::printf("stop %s took %.1f ms\n", blocked.names[i], ms);
    EXPECT_LT(ms, 5000) << blocked.names[i];
  }
  bad->stop();
  for (MSG& message : held) DispatchMessageW(&message);
  listener_.drain();
  // Every event freed with its ring reference, every ring gone with its memory.
  EXPECT_EQ(RadioEvent::live(), 0);
  EXPECT_EQ(RadioRing::live(), 0);
  // WinHTTP lets go of every request (under Wine a call pending on a closed handle runs on to
  // its 15 s time-out first).
  EXPECT_TRUE(waitFor([] { return http::Request::liveContexts() == 0; }));
}

TEST_F(Radio, PrivateBytesFollowTheBufferedAudio) {
  {
    auto warmUp = play(url(L"/warm.mp3?burst=2"));
    ASSERT_TRUE(waitFor([&] { return warmUp->find(RadioEvent::kStarted) != nullptr; }));
  }
  listener_.drain();
  const double before = privateMiB();
  // Sixty seconds of the 128 kbit/s stream sent and played at four times real time.
  auto station = play(url(L"/mem.mp3?pace=4&burst=1&title_every=2&titles=A|B"));
  RingConsumer player(4.0);
  double peak = 0;
  ASSERT_TRUE(waitFor([&] {
    player.advance(*station);
    peak = std::max(peak, privateMiB() - before);
    return player.played() >= 44100 * 60;
  }));
  const double after = privateMiB() - before;
  std::printf("private bytes after 60 s of a 128 kbit/s stream: %+.1f MiB (peak %+.1f MiB)\n",
              after, peak);
  EXPECT_LT(after, 16.0);
}
