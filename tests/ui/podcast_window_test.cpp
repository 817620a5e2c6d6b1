// Podcasts on the real main window: subscribing through the "Add podcast" dialog to a feed the
// loopback server serves, the episodes as the list, the subscription and the heard marks kept
// across a restart, an episode streamed with Range requests and heard through the device, and
// feeds that fail without costing anything.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/settings_file.h"
#include "base/text.h"
#include "net/podcast/episode.h"
#include "player/player.h"
#include "tests/support/audio_capture.h"
#include "tests/support/files.h"
#include "tests/support/main_window_host.h"
#include "tests/support/modal_robot.h"
#include "tests/support/player_host.h"
#include "tests/support/test_server.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"
#include "ui/add_podcast_dialog.h"
#include "ui/context_menu.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"
#include "ui/menu_model.h"

namespace {

using testsupport::pressButton;
using testsupport::Robot;
using testsupport::RobotRun;

const std::wstring kEdgeCases = L"/file/edge_cases.xml";
const std::wstring kHeardEpisode = L"https://example.com/a.mp3";
const std::wstring kRestoredEpisode = L"https://example.com/b.m4b";

class PodcastHost : public testsupport::MainWindowHost {
 public:
  using MainWindowHost::MainWindowHost;
  void run(UINT id) const { runMenuCommand(w(), takeMenuSnapshot(w(), -1), id); }
  PlayerView view() const { return player().view(); }
  bool feedDone() const {
    return waitFor([this] { return view().pendingFeedId == 0; });
  }
  std::wstring titleLine() const {
    wchar_t buffer[512] = {};
    GetWindowTextW(item(kIdTitle), buffer, 512);
    return buffer;
  }
};

std::wstring dialogText(HWND dialog, int id) {
  wchar_t buffer[2200] = {};
  GetDlgItemTextW(dialog, id, buffer, 2200);
  return buffer;
}

// Enters each URL in turn into the "Add podcast" dialog and presses "Add"; the hint line's
// text after each refused URL is noted.
struct AddPodcastRun {
  std::vector<std::wstring> hints;
  bool closed = false;
  Robot robot;

  AddPodcastRun(const PodcastHost& host, std::vector<std::wstring> urls) {
    robot = Robot{L"#32770", L"Add podcast", [this, urls](HWND dialog) {
                    for (size_t i = 0; i + 1 < urls.size(); ++i) {
                      SetDlgItemTextW(dialog, kIdFeedUrl, urls[i].c_str());
                      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                      hints.push_back(dialogText(dialog, kIdFeedHint));
                    }
                    SetDlgItemTextW(dialog, kIdFeedUrl, urls.back().c_str());
                    pressButton(dialog, IDOK);
                  }};
    RobotRun run(robot);
    host.run(kCmdAddPodcast);
    closed = testsupport::findThreadWindow(L"#32770", L"Add podcast") == nullptr;
  }
};

TEST(PodcastWindow, SubscribesThroughTheDialogAndKeepsItAcrossARestart) {
  testsupport::TestServer server("http_server.py", {"--root", TWK_UNIX_PODCAST_DATA});
  ASSERT_TRUE(server.ok()) << server.error();
  const std::wstring feed = server.url(kEdgeCases);
  Settings saved;
  {
    PodcastHost host;
    ASSERT_TRUE(host.ok());
    EXPECT_EQ(host.view().feedUrl, L"");

    // A URL with a space is refused in the dialog; one padded with blanks is trimmed.
    AddPodcastRun add(host,
                      {L"http://host/a b.xml", L"ftp://host/feed.xml", L"  " + feed + L"\t "});
    ASSERT_TRUE(add.robot.acted);
    EXPECT_FALSE(add.robot.gaveUp);
    EXPECT_TRUE(add.closed);
    EXPECT_EQ(add.hints, (std::vector<std::wstring>{kFeedUrlRequired, kFeedUrlRequired}));
    EXPECT_EQ(host.view().pendingFeedId != 0, true);
    EXPECT_EQ(host.titleLine(), L"Loading podcast...");

    ASSERT_TRUE(host.feedDone());
    ASSERT_EQ(host.itemCount(), 7);
    EXPECT_EQ(host.rowText(0), L"Unknown zone (5 Mar 2024)");
    EXPECT_EQ(host.rowText(1), L"Two-digit year and +0200 (5 Mar 2024, 1 min)");
    EXPECT_EQ(host.rowText(2), L"No time is midnight (5 Mar 2024, 62 min)");
    EXPECT_EQ(host.rowText(3), L"Ogg, undated (3 min)");
    EXPECT_EQ(host.rowText(6), L"untitled.mp3");
    EXPECT_EQ(host.player().trackList().path(1), kHeardEpisode);
    ASSERT_EQ(host.player().podcastList().size(), 1u);
    EXPECT_EQ(host.player().podcastList()[0].title, L"Edge Cases");
    EXPECT_EQ(host.player().podcastList()[0].url, feed);
    EXPECT_EQ(host.view().feedUrl, feed);

    // The submenu marks the open podcast and offers to remove it.
    const MenuSnapshot menu = takeMenuSnapshot(host.w(), -1);
    EXPECT_EQ(menu.state.podcasts.open, 0);
    EXPECT_EQ(menu.state.podcasts.titles, std::vector<std::wstring>{L"Edge Cases"});

    // The Ogg episode is refused with a notice, not handed to the loader.
    const int32_t nextId = host.view().nextId;
    EXPECT_TRUE(host.player().rowUnplayable(3));
    host.player().playRow(3);
    EXPECT_EQ(host.view().nextId, nextId);
    EXPECT_EQ(host.view().load.id, -1);
    EXPECT_EQ(host.titleLine(), L"This episode isn't MP3 or M4A audio");

    // Entering a stored feed again opens it without a second subscription.
    host.player().addPodcast(feed);
    ASSERT_TRUE(host.feedDone());
    EXPECT_EQ(host.player().podcastList().size(), 1u);
    EXPECT_EQ(host.itemCount(), 7);

    saved = loadSettings(host.settingsPath());
  }
  ASSERT_EQ(saved.podcasts.size(), 1u);
  EXPECT_EQ(saved.podcasts[0].title, L"Edge Cases");
  EXPECT_EQ(saved.podcast, feed);

  // Start again with an episode heard and another one to take up: the open podcast comes
  // back, the heard row carries its mark, and the episode is asked of the loader paused at
  // its place.
  // The feed answers late this time, so the restore is seen from its start.
  const std::wstring slowFeed = server.url(kEdgeCases + L"?delay=500");
  saved.podcasts[0].url = slowFeed;
  saved.podcast = slowFeed;
  saved.heard = {kHeardEpisode};
  saved.lastTrackPath = kRestoredEpisode;
  saved.lastPositionMs = 61000;
  PodcastHost host(saved);
  ASSERT_TRUE(host.ok());
  ASSERT_TRUE(host.waitFor([&] {
    const PlayerView v = host.view();
    return v.pendingFeedId == 0 && v.load.path == kRestoredEpisode;
  }));
  const PlayerView restored = host.view();
  EXPECT_TRUE(restored.load.startPaused);
  EXPECT_EQ(restored.load.startPositionMs, 61000u);
  EXPECT_EQ(restored.load.index, 2);
  EXPECT_EQ(host.player().trackList().current, 2);
  ASSERT_EQ(host.itemCount(), 7);
  EXPECT_EQ(host.rowText(1), L"\u2713 Two-digit year and +0200 (5 Mar 2024, 1 min)");
  EXPECT_EQ(host.rowText(0), L"Unknown zone (5 Mar 2024)");

  ASSERT_TRUE(host.player().save());
  const Settings again = loadSettings(host.settingsPath());
  EXPECT_EQ(again.heard, std::vector<std::wstring>{kHeardEpisode});
  EXPECT_EQ(again.podcast, slowFeed);

  // Removing the open podcast forgets the subscription; its episodes stay on show.
  host.run(kCmdRemovePodcast);
  EXPECT_TRUE(host.player().podcastList().empty());
  EXPECT_TRUE(loadSettings(host.settingsPath()).podcasts.empty());
  EXPECT_EQ(host.itemCount(), 7);
}

TEST(PodcastWindow, AFeedThatFailsSaysWhyAndLosesNothing) {
  testsupport::TestServer server("http_server.py", {"--root", TWK_UNIX_PODCAST_DATA});
  ASSERT_TRUE(server.ok()) << server.error();
  const std::wstring feed = server.url(kEdgeCases);
  PodcastHost host;
  ASSERT_TRUE(host.ok());
  host.player().addPodcast(feed);
  ASSERT_TRUE(host.feedDone());
  ASSERT_EQ(host.itemCount(), 7);

  const struct {
    const wchar_t* path;
    const wchar_t* shown;
  } broken[] = {
      {L"/file/web_page.html", L"Podcast: Not a valid podcast feed (XML error)"},
      {L"/file/missing.xml", L"Podcast: The feed answered HTTP 404"},
      {L"/file/atom_no_channel.xml", L"Podcast: Not a podcast feed (no RSS channel)"},
      {L"/file/edge_cases.xml?stall=headers", L"Podcast: The server didn't answer in time"},
  };
  for (const auto& b : broken) {
    SCOPED_TRACE(testing::Message() << b.path);
    AddPodcastRun add(host, {server.url(b.path)});
    ASSERT_TRUE(add.robot.acted);
    ASSERT_TRUE(host.feedDone());
    EXPECT_EQ(host.titleLine(), b.shown);
    EXPECT_EQ(host.player().podcastList().size(), 1u);
    EXPECT_EQ(host.itemCount(), 7);
    EXPECT_EQ(host.view().feedUrl, feed);
  }
  EXPECT_EQ(loadSettings(host.settingsPath()).podcasts.size(), 1u);

  // Opening a folder while a feed stalls stops the download: nothing arrives, nothing leaks.
  testsupport::TempFolder folder(L"twk_podcast_");
  folder.write(L"one.wav", testwav::tone(1.0, 8000));
  host.player().addPodcast(server.url(L"/file/edge_cases.xml?stall=headers"));
  ASSERT_NE(host.view().pendingFeedId, 0);
  ASSERT_TRUE(host.open(folder.root(), false));
  EXPECT_EQ(host.view().pendingFeedId, 0);
  EXPECT_EQ(host.view().feedUrl, L"");
  ASSERT_EQ(host.itemCount(), 1);
  EXPECT_EQ(host.rowText(0), L"one");
  EXPECT_FALSE(host.player().rowUnplayable(0));
  EXPECT_EQ(podcast::FeedResult::live(), 0);
  EXPECT_EQ(host.player().podcastList().size(), 1u);

  // The submenu's entry brings the podcast back.
  host.run(kCmdPodcastFirst);
  ASSERT_TRUE(host.feedDone());
  EXPECT_EQ(host.itemCount(), 7);
  EXPECT_EQ(host.view().feedUrl, feed);
  EXPECT_TRUE(host.player().rowUnplayable(3));
}

TEST(PodcastWindow, AnEpisodeStreamsThroughTheDeviceIsHeardAndStaysHeardAfterARestart) {
  // The feed names the episode by the server's port, so it is written once the server runs.
  testsupport::TestServer server(
      "http_server.py", {"--root", TWK_UNIX_EPISODE_FEEDS, "--root", TWK_UNIX_EPISODE_AUDIO});
  ASSERT_TRUE(server.ok()) << server.error();
  const std::wstring episode = server.url(L"/file/tone440_44100.mp3");
  const std::wstring feed = server.url(L"/file/one_episode.xml");
  const std::filesystem::path feeds = text::utf8ToWide("Z:" TWK_UNIX_EPISODE_FEEDS);
  std::filesystem::create_directories(feeds);
  const std::string enclosure =
      "<enclosure url=\"" + text::wideToUtf8(episode) + "\" type=\"audio/mpeg\"/>";
  ASSERT_TRUE(testsupport::writeFile(
      feeds / L"one_episode.xml",
      "<?xml version=\"1.0\"?><rss version=\"2.0\" "
      "xmlns:itunes=\"http://www.itunes.com/dtds/podcast-1.0.dtd\"><channel>"
      "<title>Tone Test</title><item><title>Tone</title>"
      "<pubDate>Tue, 05 Mar 2024 09:00:00 GMT</pubDate><itunes:duration>0:03</itunes:duration>" +
          enclosure + "</item></channel></rss>"));

  testsupport::TempFolder data(L"twk_podcast_");
  const std::wstring settingsPath = data.path(L"settings.ini");
  const testsupport::AudioCapture capture;
  {
    PodcastHost host(Settings(), SW_SHOWNOACTIVATE, settingsPath);
    ASSERT_TRUE(host.ok());
    AddPodcastRun add(host, {feed});
    ASSERT_TRUE(add.robot.acted);
    ASSERT_TRUE(host.feedDone());
    ASSERT_EQ(host.itemCount(), 1);
    EXPECT_EQ(host.rowText(0), L"Tone (5 Mar 2024)");

    Player& player = host.player();
    player.playRow(0);
    ASSERT_TRUE(host.waitFor([&] { return testsupport::playsNow(player, episode); }))
        << text::wideToUtf8(host.titleLine());
    ASSERT_TRUE(host.waitFor([&] { return player.view().playState == PlayState::Stopped; }))
        << text::wideToUtf8(host.titleLine());
    EXPECT_EQ(host.rowText(0), L"\u2713 Tone (5 Mar 2024)");

    // The URL branch: a byte source over Range requests, not a download.
    bool ranged = false;
    for (const auto& r : testsupport::loggedRequests(server, L"/file/tone440_44100.mp3")) {
      if (r.range.rfind("bytes=", 0) == 0) ranged = true;
    }
    EXPECT_TRUE(ranged);

    if (capture.available()) {
      // The whole three seconds of the 440 Hz tone, at the fixture's level (-24.6 dB).
      std::vector<float> sound;
      const auto whole = [&] {
        sound = testsupport::withoutSilence(capture.samples());
        return sound.size() / 2 >= testsupport::AudioCapture::kDeviceRate * 29 / 10;
      };
      EXPECT_TRUE(host.waitFor(whole)) << sound.size() / 2 << " frames of sound";
      const size_t frames = sound.size() / 2;
      EXPECT_LE(frames, testsupport::AudioCapture::kDeviceRate * 32 / 10);
      for (int channel : {0, 1}) {
        const testsupport::ToneLevel tone = testsupport::measureTone(
            sound, channel, frames / 8, frames * 7 / 8, testsupport::AudioCapture::kDeviceRate);
        EXPECT_NEAR(tone.hz, 440.0, 4.0) << "channel " << channel;
        EXPECT_NEAR(tone.rms, 0.0589, 0.006) << "channel " << channel;
      }
    }
    // Closed by the user, which saves.
    SendMessageW(host.hwnd(), WM_CLOSE, 0, 0);
  }
  const Settings saved = loadSettings(settingsPath);
  EXPECT_EQ(saved.heard, std::vector<std::wstring>{episode});
  EXPECT_EQ(saved.podcast, feed);
  EXPECT_EQ(saved.lastTrackPath, episode);

  // Started again on the same folder, as the program starts: the podcast is open again, its
  // episode marked and taken up where it stopped, through the server once more.
  PodcastHost host(saved, SW_SHOWNOACTIVATE, settingsPath);
  ASSERT_TRUE(host.ok());
  ASSERT_TRUE(host.waitFor([&] { return testsupport::pausedOn(host.player(), episode); }))
      << text::wideToUtf8(host.titleLine());
  EXPECT_EQ(host.view().feedUrl, feed);
  ASSERT_EQ(host.player().podcastList().size(), 1u);
  EXPECT_EQ(host.player().podcastList()[0].title, L"Tone Test");
  ASSERT_EQ(host.itemCount(), 1);
  EXPECT_EQ(host.rowText(0), L"\u2713 Tone (5 Mar 2024)");
  EXPECT_EQ(host.view().positionFrames, 0u);
}

}  // namespace
