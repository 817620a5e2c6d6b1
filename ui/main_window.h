// The main window: its state, its creation and the operations on its modes. The window
// procedure, the drawing and the context menu work on the one MainWindow the window owns.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/scoped_win.h"
#include "base/settings.h"
#include "player/start_options.h"
#include "ui/control_ids.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/palette.h"
#include "ui/status_view.h"

class Player;

constexpr wchar_t kMainWindowClass[] = L"Tarnwick.Main";

// What the thin scroll window beside the list knows of the list's vertical scroll state.
struct ScrollState {
  int minimum = 0, maximum = 0, page = 0, position = 0, trackPosition = 0;
  bool thumbVisible = false;
  bool hover = false;
  bool dragging = false;
  int dragOffset = 0;       // where in the thumb the drag started
  int pagingDirection = 0;  // -1 paging up, +1 down, 0 none
};

struct MainWindow {
  HWND hwnd = nullptr;
  HINSTANCE instance = nullptr;
  std::unique_ptr<Player> player;
  UINT dpi = 96;

  // The window's own settings, kept here only and added to the record the player saves.
  bool topmost = true;
  bool miniMode = false;
  bool listHidden = false;
  int opacity = 100;
  SettingsRect fullRect;  // the stored rectangles (screen coordinates)
  SettingsRect miniRect;

  Fonts fonts;
  int textHeight = 0;
  int timeWidth = 0;
  std::wstring textFace;
  std::wstring iconFace;
  bool drawnGlyphs = false;  // no icon face installed: the buttons draw their glyphs as shapes

  Palette palette;
  base::ScopedBrush backgroundBrush;
  base::ScopedBrush evenRowBrush;

  // Children.
  HWND title = nullptr;
  HWND seek = nullptr;
  HWND time = nullptr;
  HWND buttons[10] = {};  // by id - kIdOpenFolder for 104..113; the volume slot (110) is unused
  HWND volume = nullptr;
  HWND list = nullptr;
  HWND scroll = nullptr;
  HWND tooltip = nullptr;

  // Everything the children's places follow from, as of the last layout: a WM_SIZE that
  // changes none of it (the one of the first show) moves nothing.
  struct LayoutInputs {
    int width = -1, height = -1;
    bool miniMode = false, listHidden = false;
    UINT dpi = 0;
    int textHeight = 0, timeWidth = 0;
    HWND list = nullptr, scroll = nullptr;
    bool operator==(const LayoutInputs&) const = default;
  };
  LayoutInputs laidOut;

  HWND hovered = nullptr;  // the subclassed button or trackbar under the mouse
  ScrollState scrollState;

  // What the window shows now, so that a refresh changes only what differs.
  StatusView shown;
  bool shownValid = false;
  int shownSeekPosition = -1;
  std::wstring shownTicksKey;  // the chapter set the seek bar's ticks were made for
  bool seekDragging = false;
  bool firstPaintDone = false;
  bool measureStartup = false;  // "--measure-startup": the first paint ends the program
  bool ready = false;           // creation finished: rectangles are remembered from now on

  HWND button(int id) const { return buttons[id - kIdOpenFolder]; }
  int scaled(int n) const { return layout::scale(n, static_cast<int>(dpi)); }
};

// Creates the main window ("Tarnwick.Main") and its Player; null on failure.
HWND createMainWindow(HINSTANCE instance, const StartOptions& options, const Settings& settings,
                      const std::wstring& settingsPath, int showCommand);

// What the first frame can do without, made once it is on the screen: the children, which the
// first frame painted in their places as they look (the list empty, as it is before the scan),
// and the tooltip window with its tools.
void createAfterFirstFrame(MainWindow& w);

// The MainWindow of the main window (null before WM_NCCREATE finished and after WM_NCDESTROY).
MainWindow* mainWindowOf(HWND window);
