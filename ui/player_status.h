// The status line's view of the player and the window: what composeStatus reads, taken from
// the player's view and the window's own flags.
#pragma once

#include <string>

#include "player/player_view.h"
#include "ui/status_view.h"

struct MainWindow;

// The state as plain values.
StatusInput statusInputOf(const PlayerView& player, const MainWindow& window);

StatusView statusOf(const PlayerView& player, const MainWindow& window);

// The time label while the seek bar is dragged to `fraction` of the playing track.
std::wstring dragTimeOf(const PlayerView& player, double fraction);
