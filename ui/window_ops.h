// Operations on the main window's modes and layout, used by the window procedure and the
// context menu.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/layout.h"

struct MainWindow;
class Player;

// A control's place, by its id; the scroll strip, which has none, as kScrollPlace.
struct Place {
  int id;
  layout::Box box;
};
constexpr int kScrollPlace = 0;
// The places of the window's mode at this client size (a control the mode has no place for is
// not among them), with or without the list's scroll strip, and, in full mode, the width of the
// list's column.
std::vector<Place> placesFor(const MainWindow& w, int width, int height, bool withScroll,
                             int* columnWidth);
layout::Box placeOf(const std::vector<Place>& places, int id);
// Whether the window's mode shows the control of this place.
bool shownInMode(const MainWindow& w, int id);
void layoutWindow(MainWindow& w);
// For WM_SIZE: lays the window out again only if its size or anything else its layout follows
// from changed since the last layout.
void layoutForNewSize(MainWindow& w);
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
// Every way of opening a folder or a book (the dialogs, a drop, a second start) asks this
// first: in audiobook mode it leaves the listener's place. True to go on.
bool confirmOpening(Player& player, const std::wstring& path);

// The layout metrics of the window at its DPI.
namespace layout {
struct Metrics;
}
layout::Metrics metricsOf(const MainWindow& w);
// The window style for a mode: the maximise box only in full mode with the list shown.
DWORD mainWindowStyle(bool miniMode, bool listHidden);
// Whether a stored rectangle is known and lies at least partly on some monitor.
bool onSomeMonitor(const SettingsRect& r);
// The window height of a client height, for the style without the maximise box.
int windowHeightFor(const MainWindow& w, int clientHeight);
// Makes the fonts and metrics for the window's DPI and sets the fonts on the controls; the
// old set stays when a font cannot be made.
bool rebuildFonts(MainWindow& w);
// The player's change hook: the window and the media controls.
void notifyChanged(MainWindow& w);
