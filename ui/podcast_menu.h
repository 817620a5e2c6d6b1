// The "Podcasts" submenu as data. No platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct MenuEntry;

// The subscriptions as the menu shows them, taken when it opens.
struct PodcastMenuState {
  std::vector<std::wstring> titles;
  std::vector<std::wstring> urls;  // parallel to titles: a command checks its target still is
  int64_t open = -1;               // the subscription whose feed is the list, -1 none
};

// One entry per podcast (the open one with the radio mark), "Add podcast..." (greyed at the
// limit), "Find podcasts online..." and the remove entry for the open podcast.
std::vector<MenuEntry> podcastMenuEntries(const PodcastMenuState& state);
