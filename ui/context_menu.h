// The context menu: built afresh on each opening, shown at a point (or, from the keyboard,
// point (-1, -1), at the window's corner) and its command carried out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/scoped_win.h"
#include "ui/menu_model.h"

struct MainWindow;

void showContextMenu(MainWindow& w, POINT screenPoint, int64_t row);

// What the menu showed when it opened: commands act on this, so that a target that changed
// while the menu was open is recognised.
struct MenuSnapshot {
  MenuState state;
  int64_t row = -1;        // the list row it was opened on, -1 none
  int64_t playingId = -1;  // the loaded track whose chapters it listed
};

MenuSnapshot takeMenuSnapshot(const MainWindow& w, int64_t row);

// The popup menu for these entries (submenus included); empty when it cannot be made.
base::ScopedMenu createMenuFromEntries(const std::vector<MenuEntry>& entries);

// Carries out a command of the menu (0: none chosen).
void runMenuCommand(MainWindow& w, const MenuSnapshot& snapshot, UINT id);
