// The messages the main window hands to its Player: the worker results, the media keys and
// buttons and the player's timers. Beside the window procedure, which routes everything else.
#pragma once

#include <windows.h>

class Player;

// Handles WM_APP_LOAD_DONE, WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES,
// WM_APP_MEDIA_BUTTON, WM_APP_RADIO, WM_APP_FEED_DONE, WM_APP_CD_DONE, WM_APPCOMMAND and the
// player's timers. A record that comes with a message is freed on every path, also without a
// player. False (result untouched) for any other message and for media keys left to default
// processing.
bool routePlayerMessage(Player* player, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) noexcept;
