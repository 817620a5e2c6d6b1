// The "Audio CD" submenu of the context menu: the computer's CD drives, the one whose disc is
// the list marked, and what choosing one does.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/menu_model.h"

struct MainWindow;
struct MenuSnapshot;

// "Drive D:" per drive in drive order, ids kCmdDriveFirst + index; greyed in audiobook mode.
// Nothing is added without drives.
void appendCdMenu(const MenuState& state, std::vector<MenuEntry>& menu);

// The drives as the menu lists them (upper-case letters, in order).
std::vector<wchar_t> cdDrivesForMenu();

// Plays the disc in the drive the menu listed under this id. A drive that went away while
// the menu was open is ignored. False when the id is no drive command.
bool runCdCommand(MainWindow& w, const MenuSnapshot& snapshot, uint32_t id);
