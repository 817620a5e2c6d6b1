// Operations on the main window's modes and layout, used by the window procedure and the
// context menu.
#pragma once

#include <windows.h>

struct MainWindow;

void layoutWindow(MainWindow& w);
void showControlsForMode(MainWindow& w);
void rememberRect(MainWindow& w);
void setMiniMode(MainWindow& w, bool on);
void toggleList(MainWindow& w);
void setAlwaysOnTop(MainWindow& w, bool on);
void setOpacity(MainWindow& w, int percent);
void applyDpi(MainWindow& w, UINT dpi, const RECT* suggested);
// Composes the status and updates only what changed (texts, glyphs, bars, ticks).
void refreshWindow(MainWindow& w);
// The command of the open-folder button and of the menu's "Open folder...".
void openFolderCommand(MainWindow& w);
