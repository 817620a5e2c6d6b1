// The context menu's podcast side: what the "Podcasts" submenu shows and what its commands do.
#pragma once

#include <windows.h>

#include "ui/podcast_menu.h"

class Player;
struct MainWindow;
struct MenuSnapshot;

void takePodcastMenuState(const Player& player, PodcastMenuState& state);

// Carries out a podcast command; false when the id is not one.
bool runPodcastCommand(MainWindow& w, const MenuSnapshot& snapshot, UINT id);
