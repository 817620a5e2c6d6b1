// The main window's geometry as plain arithmetic: scaled metrics, the heights of the modes,
// the rectangles of every control, and the rules for stored and remembered window rectangles.
// Portable: no platform headers. Every metric is given at 96 DPI and scaled term by term.
#pragma once

#include <cstdint>

#include "base/settings_rect.h"

namespace layout {

// MulDiv as the system computes it: a 64-bit product divided with rounding half away from
// zero; -1 for a zero divisor or a result outside 32 bits.
int mulDiv(int number, int numerator, int denominator);

// S(n) at a DPI.
inline int scale(int n, int dpi) { return mulDiv(n, dpi, 96); }

constexpr int kDefaultWidth = 420;  // at 96 DPI, without a usable stored rectangle
constexpr int kDefaultHeight = 480;
constexpr int kMaxRectSide = 16384;

struct Metrics {
  int dpi = 96;
  int textHeight = 0;      // of the text font
  int timeWidth = 0;       // "00:00:00 / 00:00:00" in the text font, plus S(4)
  int scrollBarWidth = 0;  // the system's vertical scroll bar at this DPI

  int s(int n) const { return scale(n, dpi); }
};

struct Size {
  int width = 0;
  int height = 0;
};

// A control's place in the client area (what DeferWindowPos takes).
struct Box {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Box&) const = default;
};

// The title row height R.
int titleRowHeight(const Metrics& m);
// The client height of full mode without the list (H).
int compactHeight(const Metrics& m);
Size miniClientSize(const Metrics& m);

// What the non-client frame adds to a client size (from AdjustWindowRectExForDpi).
struct FrameExtent {
  int width = 0;
  int height = 0;
};

enum class Mode { Full, FullListHidden, Mini };

struct TrackingLimits {
  Size minimum;           // window size
  int maximumHeight = 0;  // window height; 0 means no limit of our own
};
TrackingLimits trackingLimits(const Metrics& m, Mode mode, FrameExtent frame);

struct FullLayout {
  Box title, listButton, miniButton, topmostButton;
  Box seek, time;
  Box openFolder, previous, playPause, next, shuffle, repeat, volume;
  Box list;
  Box scroll;            // meaningful only with the scroll window
  int columnWidth = -1;  // -1: fit the column to the list (no scroll window)
};
FullLayout fullLayout(const Metrics& m, int clientWidth, int clientHeight, bool hasScrollWindow);

struct MiniLayout {
  Box previous, playPause, next, volume, title, miniButton;
};
MiniLayout miniLayout(const Metrics& m, int clientWidth);

// A stored rectangle is used only when it is big enough for the mode, not absurdly big, and
// lies on some monitor (onMonitor: the shell's MonitorFromRect answer).
bool acceptStoredRect(const SettingsRect& r, bool miniMode, bool onMonitor);

struct StoredRects {
  SettingsRect full;
  SettingsRect mini;
};

// The stored rectangles after the window moved or changed size. With the list hidden the full
// rectangle keeps its height, so that showing the list again brings the old height back.
StoredRects rememberRect(Mode mode, bool minimizedOrMaximized, const SettingsRect& window,
                         const StoredRects& stored, int dpi);

// Where the window goes when the mode changes to mini or back to full: the new mode's stored
// rectangle when acceptable, else the current one, with the height fixed where the mode fixes
// it. The window heights are those of the mini-mode and compact client heights.
SettingsRect modeChangeTarget(bool toMini, bool listHidden, const SettingsRect& current,
                              const SettingsRect& stored, bool storedOnMonitor,
                              int miniWindowHeight, int compactWindowHeight, int dpi);

// Where the window goes when the list is shown or hidden: same position and width, the stored
// full height (or the default) when showing, the compact height when hiding.
SettingsRect listToggleTarget(bool showList, const SettingsRect& current,
                              const SettingsRect& fullRect, bool fullRectOnMonitor,
                              int compactWindowHeight, int dpi);

// The layered window's alpha for an opacity percent.
uint8_t opacityAlpha(int percent);

}  // namespace layout
