#include "ui/podcast_menu.h"

#include "base/settings.h"
#include "ui/menu_model.h"

std::vector<MenuEntry> podcastMenuEntries(const PodcastMenuState& state) {
  std::vector<MenuEntry> entries;
  for (size_t i = 0; i < state.titles.size(); ++i) {
    MenuEntry e;
    e.text = escapeMenuText(state.titles[i]);
    e.id = kCmdPodcastFirst + static_cast<uint32_t>(i);
    e.radio = state.open == static_cast<int64_t>(i);
    entries.push_back(std::move(e));
  }
  if (!state.titles.empty()) {
    MenuEntry line;
    line.separator = true;
    entries.push_back(std::move(line));
  }
  MenuEntry add;
  add.text = L"Add podcast...";
  add.id = kCmdAddPodcast;
  add.greyed = state.titles.size() >= Settings::kMaxPodcasts;
  entries.push_back(std::move(add));
  MenuEntry find;
  find.text = L"Find podcasts online...";
  find.id = kCmdFindPodcasts;
  entries.push_back(std::move(find));
  MenuEntry remove;
  remove.id = kCmdRemovePodcast;
  if (state.open >= 0 && static_cast<size_t>(state.open) < state.titles.size()) {
    remove.text =
        L"Remove \"" + escapeMenuText(state.titles[static_cast<size_t>(state.open)]) + L"\"";
  } else {
    remove.text = L"Remove podcast";
    remove.greyed = true;
  }
  entries.push_back(std::move(remove));
  return entries;
}
