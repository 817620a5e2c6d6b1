// The "Radio" submenu's commands.
#pragma once

#include <windows.h>

struct MainWindow;
struct MenuSnapshot;

// Carries out a station command (add, remove, find, play one); false for any other id.
bool runRadioCommand(MainWindow& w, const MenuSnapshot& snapshot, UINT id);
