// "Tarnwick.Scroll": the thin scroll bar drawn beside the list in the window's colours. It
// keeps no scroll state of its own: the list's subclass copies the list's into the
// MainWindow, and everything here pages or scrolls the list itself.
#include <windows.h>

#include <windowsx.h>

#include <climits>

#include "ui/draw_math.h"
#include "ui/drawing.h"
#include "ui/main_window.h"

namespace {

constexpr wchar_t kScrollClass[] = L"Tarnwick.Scroll";
constexpr UINT_PTR kPagingTimer = 1;
constexpr UINT kFirstRepeatMs = 350;
constexpr UINT kRepeatMs = 50;

MainWindow* ownerOf(HWND window) {
  return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

draw::ScrollInfo infoOf(const ScrollState& s) { return {s.minimum, s.maximum, s.page, s.position}; }

int clientHeight(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  return client.bottom - client.top;
}

draw::Thumb thumbOf(const MainWindow& w, HWND window) {
  return draw::thumbGeometry(clientHeight(window), infoOf(w.scrollState), static_cast<int>(w.dpi));
}

void page(const MainWindow& w, int direction) {
  if (w.list) SendMessageW(w.list, WM_VSCROLL, direction < 0 ? SB_PAGEUP : SB_PAGEDOWN, 0);
}

// Pages once more while the pointer still lies on the side of the thumb the paging began on.
void pageAgain(MainWindow& w, HWND window) {
  const int direction = w.scrollState.pagingDirection;
  if (direction == 0 || !w.scrollState.thumbVisible) return;
  POINT at = {};
  GetCursorPos(&at);
  ScreenToClient(window, &at);
  if (draw::pagingDirection(at.y, thumbOf(w, window)) == direction) page(w, direction);
}

void dragTo(MainWindow& w, HWND window, int y) {
  if (!w.list) return;
  const ScrollState& s = w.scrollState;
  const int h = clientHeight(window);
  const int target = draw::dragPosition(y, s.dragOffset, h, thumbOf(w, window), infoOf(s));
  if (target == s.position) return;
  RECT row = {};
  row.left = LVIR_BOUNDS;
  if (!SendMessageW(w.list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row))) return;
  const long long dy = static_cast<long long>(target - s.position) * (row.bottom - row.top);
  if (dy == 0 || dy > INT_MAX || dy < INT_MIN) return;
  SendMessageW(w.list, LVM_SCROLL, 0, static_cast<LPARAM>(dy));
}

LRESULT CALLBACK scrollProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(window, message, wParam, lParam);
  }
  MainWindow* w = ownerOf(window);
  if (!w) return DefWindowProcW(window, message, wParam, lParam);
  ScrollState& s = w->scrollState;

  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the paint covers everything
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      if (dc) {
        RECT client = {};
        GetClientRect(window, &client);
        drawScrollWindow(*w, dc, client);
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      if (!s.thumbVisible) return 0;
      SetCapture(window);
      const int y = GET_Y_LPARAM(lParam);
      const draw::Thumb thumb = thumbOf(*w, window);
      const int direction = draw::pagingDirection(y, thumb);
      if (direction == 0) {
        s.dragging = true;
        s.dragOffset = y - thumb.top;
        InvalidateRect(window, nullptr, FALSE);
      } else {
        s.pagingDirection = direction;
        page(*w, direction);
        SetTimer(window, kPagingTimer, kFirstRepeatMs, nullptr);
      }
      return 0;
    }
    case WM_TIMER:
      if (wParam != kPagingTimer) break;
      pageAgain(*w, window);
      SetTimer(window, kPagingTimer, kRepeatMs, nullptr);
      return 0;
    case WM_MOUSEMOVE:
      if (!s.hover) {
        s.hover = true;
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
        InvalidateRect(window, nullptr, FALSE);
      }
      if (s.dragging) dragTo(*w, window, GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSELEAVE:
      s.hover = false;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == window) ReleaseCapture();
      return 0;
    case WM_CAPTURECHANGED:
      KillTimer(window, kPagingTimer);
      s.dragging = false;
      s.pagingDirection = 0;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_MOUSEWHEEL:
      if (w->list) return SendMessageW(w->list, message, wParam, lParam);
      return 0;
    case WM_NCDESTROY:
      KillTimer(window, kPagingTimer);
      if (w->scroll == window) w->scroll = nullptr;
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool registerScrollClass(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = scrollProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kScrollClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND createScrollWindow(MainWindow& w, const layout::Box& box, bool visible) {
  if (!w.hwnd) return nullptr;
  w.scrollState = ScrollState();
  return CreateWindowExW(0, kScrollClass, nullptr, WS_CHILD | (visible ? WS_VISIBLE : 0), box.x,
                         box.y, box.width, box.height, w.hwnd, nullptr, w.instance, &w);
}

void drawScrollWindow(MainWindow& w, HDC dc, const RECT& client) {
  const ScrollState& s = w.scrollState;
  std::vector<draw::Fill> fills;
  const draw::Rect area{client.left, client.top, client.right, client.bottom};
  fills.push_back({area, w.palette.scrollTrack});
  if (s.thumbVisible) {
    const int dpi = static_cast<int>(w.dpi);
    const draw::Thumb thumb = draw::thumbGeometry(area.height(), infoOf(s), dpi);
    const draw::Rect r = draw::thumbRect(area.width(), thumb, dpi);
    if (!r.empty()) {
      fills.push_back({r, draw::scrollThumbColour(w.palette, s.dragging, s.hover)});
    }
  }
  for (const draw::Fill& f : fills) {
    const RECT r = {f.rect.left, f.rect.top, f.rect.right, f.rect.bottom};
    const COLORREF old = SetDCBrushColor(dc, f.colour);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, old);
  }
}
