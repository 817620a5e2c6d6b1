// The system media controls with a real Player in a hidden window: the button handler the
// platform calls, the player's pushes to a recording stand-in, and the player without the
// controls, as under Wine, where activating them fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "player/player.h"
#include "smtc/platform_win.h"
#include "smtc/smtc.h"
#include "tests/support/chaptered_mp3.h"
#include "tests/support/player_host.h"
#include "tests/support/recording_media_platform.h"
#include "tests/support/wav_writer.h"

namespace {

using testsupport::MediaCallLog;
using testsupport::PlayerHost;
using testsupport::recordingPlatform;
using testsupport::TempFolder;
using testwav::tone;
using Calls = std::vector<std::wstring>;

constexpr uint32_t kLongRate = 8000;  // long tracks stay small

bool playingIndex(Player& p, int64_t index) {
  return p.view().playState == PlayState::Playing && p.view().load.id == -1 &&
         p.view().playing.id != -1 && p.view().playing.index == index;
}

LRESULT appCommand(HWND window, int command) {
  return SendMessageW(window, WM_APPCOMMAND, reinterpret_cast<WPARAM>(window),
                      MAKELPARAM(0, command));
}

// A button press as the platform hands it to the handler.
class PressedButton final : public smtc::abi::ISystemMediaTransportControlsButtonPressedEventArgs {
 public:
  explicit PressedButton(int button) : button_(button) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetIids(ULONG*, IID**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Button(int* value) override {
    *value = button_;
    return S_OK;
  }

 private:
  int button_;
};

bool buttonQueued(HWND window) {
  MSG msg;
  return PeekMessageW(&msg, window, WM_APP_MEDIA_BUTTON, WM_APP_MEDIA_BUTTON, PM_NOREMOVE);
}

TEST(MediaControlsButtons, EachButtonReachesThePlayerThroughTheWindow) {
  // The platform's buttons.
  constexpr int Play = 0, Pause = 1, Stop = 2, Record = 3, FastForward = 4, Rewind = 5, Next = 6,
                Previous = 7, ChannelUp = 8, ChannelDown = 9;
  TempFolder music;
  music.write(L"1.wav", tone(20.0, kLongRate));
  music.write(L"2.wav", tone(20.0, kLongRate));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  auto handler = smtc::makeButtonHandler(host.window(), WM_APP_MEDIA_BUTTON);
  ASSERT_TRUE(handler);
  const auto press = [&](int button) {
    PressedButton args(button);
    return handler->Invoke(nullptr, &args);
  };

  // The platform asks for the handler's own interface and for agility.
  for (const IID& iid : {smtc::abi::kButtonPressedHandlerId, IID_IUnknown, IID_IAgileObject}) {
    IUnknown* asked = nullptr;
    ASSERT_EQ(handler->QueryInterface(iid, reinterpret_cast<void**>(&asked)), S_OK);
    asked->Release();
  }
  void* other = nullptr;
  EXPECT_EQ(handler->QueryInterface(smtc::abi::kControlsId, &other), E_NOINTERFACE);

  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "playing"));

  ASSERT_EQ(press(Pause), S_OK);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Paused; }, "paused"));
  for (int ignored : {Stop, Record, FastForward, Rewind, ChannelUp, ChannelDown, 42}) {
    EXPECT_EQ(press(ignored), S_OK);
  }
  EXPECT_EQ(handler->Invoke(nullptr, nullptr), E_INVALIDARG);
  EXPECT_FALSE(buttonQueued(host.window()));

  ASSERT_EQ(press(Play), S_OK);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "playing again"));
  ASSERT_EQ(press(Next), S_OK);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 1); }, "the next track"));
  ASSERT_EQ(press(Previous), S_OK);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "the previous track"));
}

TEST(MediaControlsPlayer, TheOverlayFollowsThePlayer) {
  TempFolder music;
  music.write(L"1.wav", tone(20.0, kLongRate, "First Song"));
  music.write(L"2.wav", tone(20.0, kLongRate));
  PlayerHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  auto log = std::make_shared<MediaCallLog>();
  ASSERT_TRUE(p.startMediaControls(recordingPlatform(log)));
  EXPECT_TRUE(p.view().mediaControlsActive);
  EXPECT_TRUE(log->listening);
  // The controls deliver the media keys now; the window's own handling stands back.
  EXPECT_EQ(appCommand(host.window(), APPCOMMAND_MEDIA_PLAY), FALSE);
  EXPECT_EQ(p.view().playState, PlayState::Idle);

  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor(
      [&] { return log->status == smtc::Status::Playing && log->title == L"First Song"; },
      "the overlay showing the first track"));
  const Calls started = log->take();
  EXPECT_NE(std::find(started.begin(), started.end(), L"status 1"), started.end());  // loading
  p.updateMediaControls();
  p.updateMediaControls();
  EXPECT_TRUE(log->take().empty());

  SendMessageW(host.window(), WM_APP_MEDIA_BUTTON, 1, 0);
  EXPECT_EQ(log->take(), (Calls{L"status 4"}));

  p.setAudiobookMode(true);
  p.offerMediaPreviousNext();
  EXPECT_FALSE(log->nextEnabled);
  EXPECT_FALSE(log->previousEnabled);
  p.setAudiobookMode(false);
  p.offerMediaPreviousNext();
  EXPECT_TRUE(log->nextEnabled);
  EXPECT_TRUE(log->previousEnabled);

  log->take();
  host.destroy();
  const Calls calls = log->take();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(Calls(calls.end() - 3, calls.end()), (Calls{L"stop listening", L"status 0", L"clear"}));
  EXPECT_FALSE(log->listening);
}

TEST(MediaControlsPlayer, ABookShowsItsChapterAndOffersNoPreviousOrNext) {
  TempFolder folder;
  const std::wstring book = folder.write(
      L"book.mp3", testsupport::chapteredMp3(30, {{0, "One"}, {10000, "Two"}, {20000, ""}}));
  Settings settings;
  settings.audiobook = true;
  PlayerHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  auto log = std::make_shared<MediaCallLog>();
  ASSERT_TRUE(p.startMediaControls(recordingPlatform(log)));
  EXPECT_FALSE(log->nextEnabled);
  EXPECT_FALSE(log->previousEnabled);

  ASSERT_TRUE(host.loadPaused(folder.root(), book, 12000));
  EXPECT_EQ(log->title, L"Two");
  EXPECT_EQ(log->status, smtc::Status::Paused);
  p.seekTo(21000);
  EXPECT_EQ(log->title, L"Chapter 3");
  p.seekTo(1000);
  EXPECT_EQ(log->title, L"One");
}

// Wine has no such controls: activation fails, and the player starts, plays, takes the media
// keys itself and shuts down as before.
TEST(MediaControlsPlayer, WithoutThePlatformControlsThePlayerWorksAsBefore) {
  TempFolder music;
  const std::wstring track = music.write(L"1.wav", tone(20.0, kLongRate, "Only Song"));
  StartOptions options;
  options.paths = {track};
  PlayerHost host(Settings(), options);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  smtc::Controls controls;
  EXPECT_FALSE(smtc::init(controls, host.window(), WM_APP_MEDIA_BUTTON));
  EXPECT_FALSE(controls.active());

  p.onStart();
  EXPECT_FALSE(p.view().mediaControlsActive);
  ASSERT_TRUE(host.waitFor([&] { return playingIndex(p, 0); }, "the command line's track"));
  EXPECT_EQ(appCommand(host.window(), APPCOMMAND_MEDIA_PLAY_PAUSE), TRUE);
  EXPECT_EQ(p.view().playState, PlayState::Paused);
  EXPECT_EQ(appCommand(host.window(), APPCOMMAND_MEDIA_PLAY), TRUE);
  EXPECT_EQ(p.view().playState, PlayState::Playing);
  host.destroy();
}

}  // namespace
