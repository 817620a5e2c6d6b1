// Streamed sources through the real Player and the default device, with what the device
// played captured by ALSA (tools/asoundrc) and checked: M4A and WMA files through Media
// Foundation, an MP3 URL from the loopback server.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "player/player.h"
#include "tests/support/audio_capture.h"
#include "tests/support/files.h"
#include "tests/support/main_window_host.h"
#include "tests/support/player_host.h"
#include "tests/support/test_server.h"
#include "ui/player_status.h"

namespace {

using testsupport::measureTone;
using testsupport::PlayerHost;
using testsupport::ToneLevel;

const std::string kMf = TWK_SOURCE_DIR "/tests/data/mf/";

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

class PlayerStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!capture_.available()) GTEST_SKIP() << "TWK_AUDIO_CAPTURE is not set";
  }

  // Plays `path` to its end and returns the frames captured meanwhile between the first and
  // last sound (interleaved stereo at the device rate, 48000 Hz under Wine). The device keeps
  // its file open, so each play reads on from where the file ended.
  template <typename Host>
  std::vector<float> playToEnd(Host& host, const std::wstring& path, uint64_t seekMs,
                               double seconds) {
    Player& p = host.player();
    const uint64_t start = capture_.frames();
    p.playIndex(-1, path, false, 0);
    if (!waitUntil(host, [&] { return p.view().playState == PlayState::Playing; })) return {};
    if (seekMs != 0) p.seekTo(seekMs);
    if (!waitUntil(host, [&] { return p.view().playState == PlayState::Stopped; })) return {};
    const uint64_t want = uint64_t(seconds * testsupport::AudioCapture::kDeviceRate);
    waitUntil(
        host, [&] { return capture_.frames() >= start + want; }, 10000);
    return testsupport::withoutSilence(capture_.samples(start));
  }

  static bool waitUntil(PlayerHost& host, const std::function<bool()>& done,
                        DWORD timeoutMs = testsupport::kWaitMs) {
    return host.waitFor(done, "the player", timeoutMs);
  }
  static bool waitUntil(testsupport::MainWindowHost&, const std::function<bool()>& done,
                        DWORD timeoutMs = testsupport::MainWindowHost::kWaitMs) {
    return testsupport::pumpUntil(done, timeoutMs);
  }

  testsupport::AudioCapture capture_;
};

TEST_F(PlayerStreams, M4aAndWmaPlayTheirTonesThroughTheDevice) {
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  for (const char* name : {"stereo.m4a", "stereo.wma", "mono.m4a"}) {
    SCOPED_TRACE(name);
    const std::vector<float> pcm = playToEnd(host, wide(kMf + name), 0, 2.5);
    const size_t frames = pcm.size() / 2;
    ASSERT_GT(frames, 2u * 48000) << "captured frames";
    const ToneLevel left = measureTone(pcm, 0, frames / 4, frames * 3 / 4, 48000);
    const ToneLevel right = measureTone(pcm, 1, frames / 4, frames * 3 / 4, 48000);
    if (std::string(name) == "mono.m4a") {
      EXPECT_NEAR(1000, left.hz, 10);
      EXPECT_NEAR(1000, right.hz, 10);
    } else if (std::string(name) == "stereo.wma") {
      // GStreamer's WMA decoder under Wine sometimes gives the channels in the other order.
      EXPECT_NEAR(1100, left.hz + right.hz, 11);
      EXPECT_NEAR(220, std::fabs(left.hz - right.hz), 11);
    } else {
      EXPECT_NEAR(440, left.hz, 5);
      EXPECT_NEAR(660, right.hz, 7);
    }
    // ffmpeg's tones have an amplitude of 1/8; the volume is 100.
    EXPECT_NEAR(0.125 / std::sqrt(2.0), left.rms, 0.01);
    EXPECT_NEAR(0.125 / std::sqrt(2.0), right.rms, 0.01);
    EXPECT_EQ(L"", host.player().view().statusMessage);
  }
}

// steps20.mp3 rises 100 Hz every second from 300 Hz: the tone tells where a seek by
// estimate landed. Through the real window, whose status line shows the network texts.
TEST_F(PlayerStreams, Mp3UrlSeeksByEstimateAndNetworkFailuresShowTheirTexts) {
  testsupport::TestServer server("http_server.py", {"--root", TWK_UNIX_AUDIO_DATA});
  ASSERT_TRUE(server.ok()) << server.error();
  testsupport::MainWindowHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  const std::vector<float> pcm = playToEnd(host, server.url(L"/file/steps20.mp3"), 12500, 7.0);
  const size_t frames = pcm.size() / 2;
  EXPECT_NEAR(7.5 * 48000, double(frames), 1.0 * 48000);
  // Past what the first moments before the seek played, within a second of 13.1 s.
  const ToneLevel landed = measureTone(pcm, 0, 48000 * 6 / 10, 48000 * 9 / 10, 48000);
  EXPECT_NEAR(1600, landed.hz, 110);
  const ToneLevel last =
      measureTone(pcm, 0, frames - 48000 * 6 / 10, frames - 48000 * 3 / 10, 48000);
  EXPECT_NEAR(2200, last.hz, 20);
  EXPECT_EQ(L"", p.view().statusMessage);

  const struct {
    std::wstring url;
    const wchar_t* text;
  } failures[] = {
      {server.url(L"/file/missing.mp3"), L"The server answered HTTP 404"},
      {L"http://127.0.0.1:1/refused.mp3", L"Can't reach the server"},
  };
  for (const auto& f : failures) {
    p.playIndex(-1, f.url, false, 0);
    ASSERT_TRUE(waitUntil(host, [&] { return p.view().playState == PlayState::Failed; }));
    EXPECT_EQ(f.text, p.view().statusMessage);
    const std::wstring line = statusOf(p.view(), host.w()).title;
    EXPECT_NE(std::wstring::npos, line.find(f.text)) << std::string(line.begin(), line.end());
  }
}

}  // namespace
