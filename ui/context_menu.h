// The context menu: built afresh on each opening, shown at a point (or, from the keyboard,
// point (-1, -1), at the window's corner) and its command carried out.
#pragma once

#include <windows.h>

#include <cstdint>

struct MainWindow;

void showContextMenu(MainWindow& w, POINT screenPoint, int64_t row);
