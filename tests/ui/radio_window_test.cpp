// Stations on the real main window: added through the "Add station" dialog, played from a
// loopback ICY server with the audio captured from the default device, stream titles shown
// when playback reaches them, a dropped connection taken up again, bad links reported without
// losing anything; a stopped station's buffer freed at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/settings_file.h"
#include "base/text.h"
#include "net/radio/radio_event.h"
#include "player/player.h"
#include "tests/support/audio_capture.h"
#include "tests/support/main_window_host.h"
#include "tests/support/modal_robot.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"
#include "ui/add_station_dialog.h"
#include "ui/context_menu.h"
#include "ui/player_status.h"

namespace {

using testsupport::Robot;
using testsupport::RobotRun;

constexpr DWORD kWaitMs = 60000;

class RadioWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new testsupport::TestServer("icy_server.py"); }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override { ASSERT_TRUE(server_->ok()) << server_->error(); }

  static std::wstring url(const std::wstring& path) { return server_->url(path); }
  static int requests(const std::wstring& path) {
    std::string body;
    return server_->get(L"/_count?path=" + path, body) ? std::stoi(body) : -1;
  }

  static void run(testsupport::MainWindowHost& host, UINT id) {
    runMenuCommand(host.w(), takeMenuSnapshot(host.w(), -1), id);
  }
  static std::wstring title(testsupport::MainWindowHost& host) {
    return statusOf(host.player().view(), host.w()).title;
  }
  // The window gone, every stream thread joined and every event freed.
  static void expectNothingLeft(testsupport::MainWindowHost& host) {
    host.destroy();
    EXPECT_EQ(RadioEvent::live(), 0) << "radio events left behind";
  }

  static testsupport::TestServer* server_;
};
testsupport::TestServer* RadioWindow::server_ = nullptr;

TEST_F(RadioWindow, AddedStationPlaysItsToneShowsTitlesWhenReachedAndStops) {
  const testsupport::AudioCapture capture;
  testsupport::MainWindowHost host;
  ASSERT_TRUE(host.ok());

  // Six seconds arrive at once, so the second title is known long before it is heard.
  const std::wstring stream =
      url(L"/tone.mp3?titles=Morning|Evening&title_every=4&burst=6&metaint=4096");
  std::wstring refusedHint, shownHint;
  bool stayedOpen = false;
  Robot robot{L"#32770", L"Add station", [&](HWND dialog) {
                wchar_t buffer[256] = {};
                GetDlgItemTextW(dialog, kStationHint, buffer, 256);
                shownHint = buffer;
                SetDlgItemTextW(dialog, kStationNameField, L"  Tones & Co ");
                SetDlgItemTextW(dialog, kStationUrlField, L"http://host with space/");
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
                GetDlgItemTextW(dialog, kStationHint, buffer, 256);
                refusedHint = buffer;
                stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
                SetDlgItemTextW(dialog, kStationUrlField, (L" " + stream).c_str());
                testsupport::pressButton(dialog, IDOK);
              }};
  {
    RobotRun running(robot);
    run(host, kCmdAddStation);
  }
  ASSERT_TRUE(robot.acted);
  EXPECT_FALSE(robot.gaveUp);
  EXPECT_EQ(shownHint, L"An MP3 stream or a .pls/.m3u link, for example http://host:8000/stream");
  EXPECT_EQ(refusedHint, L"Enter a stream URL that starts with http:// or https://");
  EXPECT_TRUE(stayedOpen);

  Player& player = host.player();
  {
    const PlayerView view = player.view();
    ASSERT_EQ(view.stations.size(), 1u);
    EXPECT_EQ(view.stations[0].name, L"Tones & Co");
    EXPECT_EQ(view.stations[0].url, stream);
    EXPECT_EQ(view.currentStation, 0);
  }

  // The menu lists it, marked, and offers to remove it.
  const std::vector<MenuEntry> menu = buildMainMenu(takeMenuSnapshot(host.w(), -1).state);
  const MenuEntry* radio = nullptr;
  for (const MenuEntry& e : menu) {
    if (e.text == L"Radio") radio = &e;
  }
  ASSERT_NE(radio, nullptr);
  ASSERT_GE(radio->children.size(), 5u);
  EXPECT_EQ(radio->children[0].text, L"Tones && Co");
  EXPECT_TRUE(radio->children[0].radio);
  EXPECT_EQ(radio->children.back().text, L"Remove \"Tones && Co\"");

  ASSERT_TRUE(host.waitFor([&] {
    const PlayerView v = player.view();
    return v.playState == PlayState::Playing && v.playing.id != -1;
  })) << text::wideToUtf8(title(host));
  const uint32_t rate = player.view().playing.sampleRate;
  EXPECT_EQ(rate, 44100u);

  // "Evening" was reported about four seconds into the stream, with the burst: it waits in
  // the pending titles until playback gets there.
  bool heldBack = false;
  uint64_t shownAt = 0;
  ASSERT_TRUE(testsupport::pumpUntil(
      [&] {
        const PlayerView v = player.view();
        if (v.pendingStreamTitles > 0 && v.streamTitle != L"Evening") heldBack = true;
        if (title(host) != L"Evening") return false;
        shownAt = v.positionFrames;
        return true;
      },
      kWaitMs, 5))
      << text::wideToUtf8(title(host));
  EXPECT_TRUE(heldBack);
  EXPECT_GE(shownAt, uint64_t(rate) * 3) << "shown before playback reached it";
  EXPECT_EQ(statusOf(player.view(), host.w()).caption, L"Evening - Tarnwick");

  if (capture.available()) {
    // A few seconds of what the device played: the station's 440 Hz tone.
    const uint32_t deviceRate = testsupport::AudioCapture::kDeviceRate;
    ASSERT_TRUE(host.waitFor([&] { return capture.frames() >= uint64_t(deviceRate) * 4; }))
        << "captured " << capture.frames() << " frames";
    const std::vector<float> sound = capture.samples();
    const size_t frames = sound.size() / 2;
    // The last two seconds: the station has played for a while by now.
    const double hz =
        testsupport::measureTone(sound, 0, frames - std::min<size_t>(frames, deviceRate * 2),
                                 frames, deviceRate, testsupport::kLoopedToneHysteresis)
            .hz;
    std::printf("captured %zu frames, tone %.1f Hz\n", frames, hz);
    // The looped file's joins cost a little; a wrong rate would be 8 % off.
    EXPECT_NEAR(hz, 440.0, 440.0 * 0.03);
  }

  // Pause, then remove the station that plays: it stops and nothing of it is left.
  host.click(kIdPlayPause);
  EXPECT_EQ(player.view().playState, PlayState::Paused);
  run(host, kCmdRemoveStation);
  const PlayerView after = player.view();
  EXPECT_EQ(after.playState, PlayState::Idle);
  EXPECT_TRUE(after.stations.empty());
  EXPECT_EQ(after.currentStation, -1);
  EXPECT_EQ(after.playing.id, -1);
  // The output let go of the station's track, and the ring with its memory went with it.
  EXPECT_EQ(after.outputTrackId, -1);
  EXPECT_EQ(RadioRing::live(), 0);
  const Settings saved = loadSettings(host.settingsPath());
  EXPECT_TRUE(saved.stations.empty());
  EXPECT_TRUE(saved.lastStation.empty());
  expectNothingLeft(host);
}

TEST_F(RadioWindow, DroppedStationReconnectsAndPlaysOnFromTheSameBuffer) {
  testsupport::MainWindowHost host;
  ASSERT_TRUE(host.ok());
  Player& player = host.player();
  player.addStation(L"Flaky", url(L"/flaky.mp3?drop_after=4&only=1&burst=2"));
  ASSERT_TRUE(host.waitFor([&] { return player.view().playState == PlayState::Playing; }))
      << text::wideToUtf8(title(host));
  const int64_t trackId = player.view().playing.id;

  bool sawReconnecting = false;
  ASSERT_TRUE(testsupport::pumpUntil(
      [&] {
        if (title(host) == L"Flaky: Reconnecting...") sawReconnecting = true;
        const PlayerView v = player.view();
        // Well past the drop, on the same stream: it was taken up again, not restarted.
        return sawReconnecting && v.positionFrames > uint64_t(v.playing.sampleRate) * 8;
      },
      kWaitMs, 5))
      << text::wideToUtf8(title(host));
  const PlayerView v = player.view();
  EXPECT_EQ(v.playState, PlayState::Playing);
  EXPECT_EQ(v.playing.id, trackId);
  EXPECT_EQ(v.outputTrackId, trackId);
  EXPECT_GE(requests(L"/flaky.mp3"), 2);

  // Stopped while it plays (as choosing a folder track does first): the output drops the
  // station's track while the device runs, so the ring and its memory go before any other
  // track replaces it.
  player.stopRadio();
  ASSERT_TRUE(host.waitFor([] { return RadioRing::live() == 0; }));
  EXPECT_EQ(player.view().outputTrackId, -1);
  expectNothingLeft(host);
}

TEST_F(RadioWindow, BadLinksShowTheirTextAndLoseNothing) {
  Settings settings;
  const std::wstring keep = url(L"/keep.mp3?status=404");
  settings.stations.push_back({L"Keep", keep});
  testsupport::MainWindowHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& player = host.player();

  struct Case {
    std::wstring name, path, text;
  };
  const Case cases[] = {
      {L"Gone", L"/gone.mp3?status=404", L"The station answered HTTP 404"},
      {L"Live", L"/live.m3u8", L"HLS streams aren't supported"},
  };
  size_t added = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(text::wideToUtf8(c.name));
    player.addStation(c.name, url(c.path));
    ++added;
    ASSERT_TRUE(host.waitFor([&] { return player.view().playState == PlayState::Failed; }))
        << text::wideToUtf8(title(host));
    const PlayerView v = player.view();
    EXPECT_EQ(v.statusMessage, c.text);
    EXPECT_EQ(title(host), c.text);
    EXPECT_EQ(v.currentStation, static_cast<int64_t>(added - 1));
    ASSERT_EQ(v.stations.size(), added);
    EXPECT_EQ(v.stations[0].name, L"Keep");
  }
  const Settings saved = loadSettings(host.settingsPath());
  ASSERT_EQ(saved.stations.size(), added);
  EXPECT_EQ(saved.stations[0].url, keep);
  EXPECT_EQ(saved.lastStation, url(L"/live.m3u8"));

  // Next wraps round to the first station, which fails in its own way.
  player.next();
  EXPECT_EQ(player.view().currentStation, 0);
  ASSERT_TRUE(host.waitFor([&] { return player.view().playState == PlayState::Failed; }));
  EXPECT_EQ(player.view().statusMessage, L"The station answered HTTP 404");
  EXPECT_EQ(player.view().stations.size(), added);
  expectNothingLeft(host);
}

TEST_F(RadioWindow, RestoredStationWaitsForPlayAndSurvivesTheBookMode) {
  Settings settings;
  const std::wstring stream = url(L"/restored.mp3");
  settings.stations.push_back({L"Restored", stream});
  settings.lastStation = stream;
  testsupport::MainWindowHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& player = host.player();
  EXPECT_EQ(player.view().currentStation, 0);
  EXPECT_EQ(player.view().playState, PlayState::Idle);
  EXPECT_EQ(title(host), L"Restored");
  EXPECT_EQ(requests(L"/restored.mp3"), 0);

  host.click(kIdPlayPause);
  ASSERT_TRUE(host.waitFor([&] { return player.view().playState == PlayState::Playing; }))
      << text::wideToUtf8(title(host));

  // The book mode stops the station and offers none; back in the library it is chosen again,
  // silent until Play.
  player.setAudiobookMode(true);
  EXPECT_EQ(player.view().currentStation, -1);
  EXPECT_EQ(player.view().playState, PlayState::Idle);
  player.addStation(L"Refused", url(L"/refused.mp3"));
  player.playStation(0);
  EXPECT_EQ(player.view().stations.size(), 1u);
  EXPECT_EQ(player.view().currentStation, -1);
  player.setAudiobookMode(false);
  EXPECT_EQ(player.view().currentStation, 0);
  EXPECT_EQ(player.view().playState, PlayState::Idle);
  EXPECT_EQ(loadSettings(host.settingsPath()).lastStation, stream);
  expectNothingLeft(host);
}

}  // namespace
