#include "ui/podcast_commands.h"

#include <string>

#include "player/player.h"
#include "ui/add_podcast_dialog.h"
#include "ui/context_menu.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace {

// The subscription the menu showed at this index, if it is still there.
bool stillListed(const Player& player, const PodcastMenuState& shown, size_t index) {
  const auto& podcasts = player.podcastList();
  return index < shown.urls.size() && index < podcasts.size() &&
         podcasts[index].url == shown.urls[index];
}

}  // namespace

void takePodcastMenuState(const Player& player, PodcastMenuState& state) {
  const std::wstring feedUrl = player.view().feedUrl;
  for (const Settings::Podcast& podcast : player.podcastList()) {
    if (!feedUrl.empty() && podcast.url == feedUrl) {
      state.open = static_cast<int64_t>(state.titles.size());
    }
    state.titles.push_back(podcast.title);
    state.urls.push_back(podcast.url);
  }
}

bool runPodcastCommand(MainWindow& w, const MenuSnapshot& snapshot, UINT id) {
  Player* player = w.player.get();
  const PodcastMenuState& shown = snapshot.state.podcasts;
  if (id >= kCmdPodcastFirst && id < kCmdPodcastFirst + Settings::kMaxPodcasts) {
    const size_t index = id - kCmdPodcastFirst;
    if (player && stillListed(*player, shown, index)) player->openPodcast(index);
    return true;
  }
  switch (id) {
    case kCmdAddPodcast: {
      std::wstring url;
      // The dialog's loop runs the window meanwhile; the player may be gone after it.
      if (askFeedUrl(w.hwnd, url) && mainWindowOf(w.hwnd) == &w && w.player) {
        w.player->addPodcast(url);
      }
      return true;
    }
    case kCmdRemovePodcast:
      if (player && shown.open >= 0 &&
          stillListed(*player, shown, static_cast<size_t>(shown.open))) {
        player->removePodcast(static_cast<size_t>(shown.open));
      }
      return true;
    case kCmdFindPodcasts:
      openWebPage(kPodcastDirectoryUrl);
      return true;
    default:
      return false;
  }
}
