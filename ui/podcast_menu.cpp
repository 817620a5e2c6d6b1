#include "ui/podcast_menu.h"

#include "base/settings.h"
#include "ui/menu_model.h"

std::vector<MenuEntry> podcastMenuEntries(const PodcastMenuState& state) {
  SourceMenu menu;
  menu.names = &state.titles;
  menu.chosen = state.open;
  menu.firstId = kCmdPodcastFirst;
  menu.addText = L"Add podcast...";
  menu.addId = kCmdAddPodcast;
  menu.limit = Settings::kMaxPodcasts;
  menu.findText = L"Find podcasts online...";
  menu.findId = kCmdFindPodcasts;
  menu.removeId = kCmdRemovePodcast;
  menu.removeNoneText = L"Remove podcast";
  return sourceMenuEntries(menu);
}
