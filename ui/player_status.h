// The status line's view of the live Player: what composeStatus reads, taken from it.
#pragma once

#include "ui/status_view.h"

class Player;

// The player's state as plain values (notices compared with the tick count now).
StatusInput statusInputOf(const Player& player);

StatusView statusOf(const Player& player);

// The time label while the seek bar is dragged to `fraction` of the playing track.
std::wstring dragTimeOf(const Player& player, double fraction);
