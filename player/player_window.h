// The player's side of the window procedure: the worker results, media keys and buttons and
// the tick timer handed to the Player, and a plain window that hosts a Player on its own.
#pragma once

#include <windows.h>

#include <string>

#include "base/settings.h"
#include "player/start_options.h"

class Player;

// Handles the messages addressed to the player: WM_APP_LOAD_DONE, WM_APP_SCAN_PROGRESS,
// WM_APP_SCAN_DONE, WM_APP_TITLES, WM_APP_MEDIA_BUTTON, WM_APPCOMMAND and WM_TIMER 1. A
// record that comes with a message is freed on every path, also without a player. False
// (result untouched) for any other message and for media keys left to default processing.
bool routePlayerMessage(Player* player, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) noexcept;

struct PlayerWindowParams {
  Settings settings;
  StartOptions options;
  std::wstring settingsPath;
};

// A hidden top-level window of the class "Tarnwick.PlayerHost" that creates a Player from
// the parameters, routes its messages, saves on WM_CLOSE and WM_ENDSESSION and shuts the
// player down and deletes it on WM_DESTROY. Null when the window or the player cannot be
// created.
HWND createPlayerWindow(HINSTANCE instance, const PlayerWindowParams& params);

// The Player of such a window (null once it is destroyed).
Player* playerOf(HWND window);
