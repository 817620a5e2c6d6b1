// The subclasses of the main window's controls: buttons and trackbars get hover tracking,
// the wheel goes to the main window and a click beside a trackbar's thumb jumps there; the
// list reports its scroll state to the thin scroll window. The subclass id is the MainWindow
// the control belongs to; trackbars carry reference data 1.
#include <windows.h>

#include <commctrl.h>
#include <windowsx.h>

#include "ui/draw_math.h"
#include "ui/drawing.h"
#include "ui/main_window.h"

namespace {

constexpr DWORD_PTR kTrackbarMark = 1;

void redraw(HWND control) {
  if (control) InvalidateRect(control, nullptr, FALSE);
}

RECT barRect(HWND bar, UINT message) {
  RECT r = {};
  SendMessageW(bar, message, 0, reinterpret_cast<LPARAM>(&r));
  return r;
}

// A click outside the thumb moves the bar to the clicked place first, so that the default
// handling then finds the thumb under the pointer and drags it.
void jumpToClick(HWND bar, LPARAM lParam) {
  const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const RECT thumb = barRect(bar, TBM_GETTHUMBRECT);
  if (PtInRect(&thumb, at)) return;
  const RECT channel = barRect(bar, TBM_GETCHANNELRECT);
  const int minimum = static_cast<int>(SendMessageW(bar, TBM_GETRANGEMIN, 0, 0));
  const int maximum = static_cast<int>(SendMessageW(bar, TBM_GETRANGEMAX, 0, 0));
  const auto position =
      draw::clickPosition(at.x, {channel.left, channel.top, channel.right, channel.bottom},
                          thumb.right - thumb.left, minimum, maximum);
  if (position) SendMessageW(bar, TBM_SETPOS, TRUE, *position);
}

LRESULT CALLBACK controlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                             DWORD_PTR data) {
  auto* w = reinterpret_cast<MainWindow*>(id);
  const bool trackbar = data == kTrackbarMark;
  switch (message) {
    case WM_MOUSEWHEEL:
      if (w->hwnd) return SendMessageW(w->hwnd, message, wParam, lParam);
      break;
    case WM_MOUSEMOVE:
      if (!trackbar && w->hovered != control) {
        HWND previous = w->hovered;
        w->hovered = control;
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, control, 0};
        TrackMouseEvent(&track);
        redraw(previous);
        redraw(control);
      }
      break;
    case WM_MOUSELEAVE:
      if (w->hovered == control) {
        w->hovered = nullptr;
        redraw(control);
      }
      break;
    case WM_LBUTTONDOWN:
      if (trackbar) jumpToClick(control, lParam);
      break;
    case WM_NCDESTROY:
      if (w->hovered == control) w->hovered = nullptr;
      RemoveWindowSubclass(control, controlProc, id);
      break;
    default:
      break;
  }
  if (!trackbar || message == WM_NCDESTROY)
    return DefSubclassProc(control, message, wParam, lParam);
  // The bar repaints only around the thumb when its position changes, but the channel's played
  // part ends at the thumb: without a whole repaint old pieces of it stay behind.
  const LRESULT before = DefSubclassProc(control, TBM_GETPOS, 0, 0);
  const LRESULT result = DefSubclassProc(control, message, wParam, lParam);
  if (message != WM_DESTROY && DefSubclassProc(control, TBM_GETPOS, 0, 0) != before) {
    redraw(control);
  }
  return result;
}

// Copies the list's vertical scroll state; repaints the scroll window when it changed.
void syncScrollState(MainWindow& w, HWND list) {
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  const bool hasBar =
      (GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL) != 0 && GetScrollInfo(list, SB_VERT, &info);
  if (!hasBar) info = SCROLLINFO{};
  const int page = info.nPage > static_cast<UINT>(INT_MAX) ? INT_MAX : static_cast<int>(info.nPage);
  const draw::ScrollInfo now{info.nMin, info.nMax, page, info.nPos};
  const bool visible = draw::thumbVisible(hasBar, now);
  ScrollState& s = w.scrollState;
  if (visible == s.thumbVisible && now.minimum == s.minimum && now.maximum == s.maximum &&
      now.page == s.page && now.position == s.position && info.nTrackPos == s.trackPosition) {
    return;
  }
  s.thumbVisible = visible;
  s.minimum = now.minimum;
  s.maximum = now.maximum;
  s.page = now.page;
  s.position = now.position;
  s.trackPosition = info.nTrackPos;
  redraw(w.scroll);
}

LRESULT CALLBACK listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                          DWORD_PTR) {
  auto* w = reinterpret_cast<MainWindow*>(id);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(list, listProc, id);
    return DefSubclassProc(list, message, wParam, lParam);
  }
  if (message == WM_MOUSEWHEEL && w->hwnd) {
    RECT bounds = {};
    GetWindowRect(list, &bounds);
    const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (!PtInRect(&bounds, at)) return SendMessageW(w->hwnd, message, wParam, lParam);
  }
  const LRESULT result = DefSubclassProc(list, message, wParam, lParam);
  if (message != WM_DESTROY) syncScrollState(*w, list);
  return result;
}

}  // namespace

void subclassControl(MainWindow& w, HWND control, bool trackbar) {
  if (!control) return;
  SetWindowSubclass(control, controlProc, reinterpret_cast<UINT_PTR>(&w),
                    trackbar ? kTrackbarMark : 0);
}

void subclassList(MainWindow& w) {
  if (!w.list) return;
  SetWindowSubclass(w.list, listProc, reinterpret_cast<UINT_PTR>(&w), 0);
  syncScrollState(w, w.list);
}
