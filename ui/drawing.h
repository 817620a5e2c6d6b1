// The window's own drawing: the palette and brushes, owner-drawn buttons and labels,
// custom-drawn trackbars and list rows, the ornament, the thin scroll window and the
// subclass that gives buttons and trackbars their mouse behaviour.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <vector>

struct MainWindow;
namespace layout {
struct Box;
}

// Palette, brushes, frame colours and list colours (at creation and on system colour,
// theme and high-contrast changes); redraws the window when it exists.
void computeColours(MainWindow& w);
// The DWM caption, caption text and border colours of the window.
void setFrameColours(MainWindow& w);

// WM_DRAWITEM for the buttons, the title line and the time label.
void drawItem(MainWindow& w, const DRAWITEMSTRUCT& item);
// NM_CUSTOMDRAW from either trackbar and from the list; the value WM_NOTIFY returns.
LRESULT customDrawTrackbar(MainWindow& w, NMCUSTOMDRAW& draw);
LRESULT customDrawList(MainWindow& w, NMLVCUSTOMDRAW& draw);
// The current track moved from row a to row b (-1: none): both rows are drawn again and b is
// scrolled into view.
void repaintListRows(MainWindow& w, int64_t a, int64_t b);
// LVN_ITEMCHANGED from the list: a row whose selection or focus changed is drawn again whole.
void listItemChanged(MainWindow& w, const NMLISTVIEW& change);
// WM_PAINT of the main window: the ornament (full mode) or the mini-mode border.
void paintWindow(MainWindow& w);
// What paintWindow draws, into any DC of the main window's client area.
void drawFrame(MainWindow& w, HDC dc);
// WM_CTLCOLORBTN and WM_CTLCOLORSTATIC: background and main text colours; the brush to return.
HBRUSH controlColours(MainWindow& w, HDC dc);

// The seek bar's chapter ticks, from chapter starts in ms (empty: none).
void setChapterTicks(MainWindow& w, const std::vector<uint32_t>& startsMs, uint32_t sampleRate,
                     uint64_t totalFrames);

// "Tarnwick.Scroll": registered once; the window is made beside the list.
bool registerScrollClass(HINSTANCE instance);
HWND createScrollWindow(MainWindow& w, const layout::Box& box, bool visible);
// What the scroll window paints, into any DC of its client area.
void drawScrollWindow(MainWindow& w, HDC dc, const RECT& client);
// Subclasses: buttons and trackbars (hover, wheel, click-to-position), and the list (scroll
// state copied to the scroll window, wheel outside the list to the main window).
void subclassControl(MainWindow& w, HWND control, bool trackbar);
void subclassList(MainWindow& w);
