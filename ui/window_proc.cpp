#include "ui/window_proc.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/handoff.h"
#include "base/messages.h"
#include "player/player.h"
#include "ui/context_menu.h"
#include "ui/drawing.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/player_messages.h"
#include "ui/player_status.h"
#include "ui/startup_time.h"
#include "ui/window_ops.h"
#include "ui/window_texts.h"

namespace {

constexpr double kSeekScale = 10000.0;  // the seek bar's range: ten-thousandths of the track

void onDestroy(MainWindow& w) {
  if (w.player) {
    w.player->shutdown();
    w.player.reset();
  }
  PostQuitMessage(0);
}

void onFirstPaint(MainWindow& w) {
  w.firstPaintDone = true;
  if (w.measureStartup) {
    // The time of the first frame, and in the breakdown the time the controls were made.
    const double firstPaint = millisecondsSinceProcessStart();
    createAfterFirstFrame(w);
    markStartupStage("controls");
    writeStartupTime(firstPaint);
    DestroyWindow(w.hwnd);
  } else {
    createAfterFirstFrame(w);
    PostMessageW(w.hwnd, WM_APP_START, 0, 0);
  }
}

void onMinMaxInfo(MainWindow& w, MINMAXINFO& info) {
  if (w.textHeight == 0) return;  // not measured yet: the system's limits stand
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(w.hwnd, GWL_STYLE));
  const DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(w.hwnd, GWL_EXSTYLE));
  RECT frame = {0, 0, 0, 0};
  AdjustWindowRectExForDpi(&frame, style, FALSE, ex, w.dpi);
  const layout::FrameExtent extent{frame.right - frame.left, frame.bottom - frame.top};
  const layout::Mode mode = w.miniMode     ? layout::Mode::Mini
                            : w.listHidden ? layout::Mode::FullListHidden
                                           : layout::Mode::Full;
  const layout::TrackingLimits limits = layout::trackingLimits(metricsOf(w), mode, extent);
  info.ptMinTrackSize.x = limits.minimum.width;
  info.ptMinTrackSize.y = limits.minimum.height;
  if (limits.maximumHeight > 0) info.ptMaxTrackSize.y = limits.maximumHeight;
}

void selectOnly(HWND list, int row) {
  LVITEMW none = {};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  LVITEMW chosen = {};
  chosen.state = LVIS_SELECTED | LVIS_FOCUSED;
  chosen.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&chosen));
}

LRESULT onListNotify(MainWindow& w, NMHDR& header) {
  Player* p = w.player.get();
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
      LVITEMW& item = info.item;
      if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return 0;
      item.pszText[0] = 0;
      if (!p || item.iItem < 0 || static_cast<size_t>(item.iItem) >= p->trackList().size()) {
        return 0;
      }
      const std::wstring name = p->rowText(static_cast<size_t>(item.iItem));
      const size_t n = std::min(name.size(), static_cast<size_t>(item.cchTextMax - 1));
      std::copy_n(name.data(), n, item.pszText);
      item.pszText[n] = 0;
      return 0;
    }
    case NM_CUSTOMDRAW:
      return customDrawList(w, reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    case LVN_ITEMCHANGED:
      listItemChanged(w, reinterpret_cast<const NMLISTVIEW&>(header));
      return 0;
    case NM_SETFOCUS: {
      if (!p || p->trackList().empty()) return 0;
      if (SendMessageW(w.list, LVM_GETSELECTEDCOUNT, 0, 0) != 0) return 0;
      const int64_t count = static_cast<int64_t>(p->trackList().size());
      const int64_t current = p->trackList().current;
      const int row = static_cast<int>(current >= 0 && current < count ? current : 0);
      selectOnly(w.list, row);
      SendMessageW(w.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
      return 0;
    }
    case NM_DBLCLK: {
      const auto& activate = reinterpret_cast<const NMITEMACTIVATE&>(header);
      if (p && activate.iItem >= 0) p->playRow(activate.iItem);
      return 0;
    }
    default:
      return 0;
  }
}

LRESULT onNotify(MainWindow& w, NMHDR& header) {
  if (header.code == TTN_GETDISPINFOW) {
    auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
    const int id = (info.uFlags & TTF_IDISHWND)
                       ? GetDlgCtrlID(reinterpret_cast<HWND>(header.idFrom))
                       : static_cast<int>(header.idFrom);
    std::wstring tip;
    if (w.player) tip = tooltipText(id, statusOf(w.player->view(), w));
    const size_t n = std::min(tip.size(), std::size(info.szText) - 1);
    std::copy_n(tip.data(), n, info.szText);
    info.szText[n] = 0;
    info.lpszText = info.szText;
    info.hinst = nullptr;
    return 0;
  }
  if (header.hwndFrom && header.hwndFrom == w.list) return onListNotify(w, header);
  if (header.code == NM_CUSTOMDRAW && header.hwndFrom &&
      (header.hwndFrom == w.seek || header.hwndFrom == w.volume)) {
    return customDrawTrackbar(w, reinterpret_cast<NMCUSTOMDRAW&>(header));
  }
  return 0;
}

void onContextMenu(MainWindow& w, HWND source, LPARAM lParam) {
  POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const bool fromKeyboard = at.x == -1 && at.y == -1;
  int64_t row = -1;
  if (!w.miniMode && w.list && IsWindowVisible(w.list)) {
    if (fromKeyboard) {
      if (GetFocus() == w.list) {
        row = SendMessageW(w.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
      }
    } else if (source == w.list) {
      LVHITTESTINFO hit = {};
      hit.pt = at;
      ScreenToClient(w.list, &hit.pt);
      const int item =
          static_cast<int>(SendMessageW(w.list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
      if (item >= 0) {
        selectOnly(w.list, item);
        row = item;
      }
    }
  }
  showContextMenu(w, at, row < 0 ? -1 : row);
}

void onCommand(MainWindow& w, int id) {
  Player* p = w.player.get();
  if (!p) return;
  switch (id) {
    case kIdOpenFolder:
      openFolderCommand(w);
      break;
    case kIdPrevious:
      p->previous();
      break;
    case kIdPlayPause:
      p->playPause();
      break;
    case kIdNext:
      p->next();
      break;
    case kIdShuffle:
      p->setShuffle(!p->view().shuffle);
      break;
    case kIdRepeat:
      p->cycleRepeat();
      break;
    case kIdTopmost:
      setAlwaysOnTop(w, !w.topmost);
      break;
    case kIdMiniMode:
      setMiniMode(w, !w.miniMode);
      break;
    case kIdListButton:
      toggleList(w);
      break;
    default:
      break;
  }
}

void onHScroll(MainWindow& w, HWND bar, int code) {
  Player* p = w.player.get();
  if (!p || !bar) return;
  if (bar == w.volume) {
    const int position = static_cast<int>(SendMessageW(bar, TBM_GETPOS, 0, 0));
    p->setVolume(std::clamp(position, 0, 100));
    return;
  }
  if (bar != w.seek) return;
  const double fraction =
      std::clamp(static_cast<double>(SendMessageW(bar, TBM_GETPOS, 0, 0)) / kSeekScale, 0.0, 1.0);
  if (code == TB_THUMBTRACK) {
    w.seekDragging = true;
    const std::wstring dragText = dragTimeOf(p->view(), fraction);
    if (w.time) SetWindowTextW(w.time, dragText.c_str());
  } else if (code == TB_ENDTRACK) {
    w.seekDragging = false;
    p->jumpToFraction(fraction);
    refreshWindow(w);
  }
}

void onDropFiles(MainWindow& w, HDROP drop) {
  std::vector<std::wstring> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::wstring path(length + 1, L'\0');
    const UINT copied = DragQueryFileW(drop, i, path.data(), length + 1);
    if (copied == 0) continue;
    path.resize(std::min<size_t>(copied, length));
    paths.push_back(std::move(path));
  }
  // The sender waits for the drop to finish; opening may ask a question first.
  DragFinish(drop);
  Player* p = w.player.get();
  if (!p || paths.empty()) return;
  if (!confirmOpening(*p, paths.front())) return;
  p->openPaths(paths);
}

// WM_COPYDATA from a second start: 0 for a message that fails the checks, else restores and
// raises the window, opens the paths (asking first in audiobook mode) and returns 1.
LRESULT onCopyData(MainWindow& w, const COPYDATASTRUCT* data) {
  if (!data) return 0;
  std::vector<std::wstring> paths;
  if (!handoff::readPayload(data->dwData, data->lpData, data->cbData, paths)) return 0;

  if (IsIconic(w.hwnd)) ShowWindow(w.hwnd, SW_RESTORE);
  SetForegroundWindow(w.hwnd);

  if (!paths.empty() && w.player) {
    // Outside audiobook mode (or with nothing playing) the confirmation answers yes at once.
    if (confirmOpening(*w.player, paths.front())) w.player->openPaths(paths);
  }
  return 1;
}

LRESULT handle(MainWindow& w, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  HWND hwnd = w.hwnd;
  switch (message) {
    case WM_CLOSE:
      if (w.player) w.player->save();
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      onDestroy(w);
      return 0;
    case WM_ENDSESSION:
      if (wParam && w.player) w.player->save();
      return 0;
    case WM_SIZE:
      // A minimised window has no client area to lay out; the restore brings its own size.
      if (wParam != SIZE_MINIMIZED) layoutForNewSize(w);
      return 0;
    case WM_PAINT:
      paintWindow(w);
      if (!w.firstPaintDone) onFirstPaint(w);
      return 0;
    case WM_ERASEBKGND: {
      RECT client = {};
      GetClientRect(hwnd, &client);
      if (w.backgroundBrush) {
        FillRect(reinterpret_cast<HDC>(wParam), &client, w.backgroundBrush.get());
      }
      return 1;
    }
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      computeColours(w);
      handled = false;
      return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETHIGHCONTRAST) computeColours(w);
      handled = false;
      return 0;
    case WM_GETMINMAXINFO:
      onMinMaxInfo(w, *reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_DRAWITEM:
      drawItem(w, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_WINDOWPOSCHANGED:
      rememberRect(w);
      handled = false;
      return 0;
    case WM_COPYDATA:
      return onCopyData(w, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_NOTIFY:
      return onNotify(w, *reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU:
      onContextMenu(w, reinterpret_cast<HWND>(wParam), lParam);
      return 0;
    case WM_COMMAND:
      // Only clicks (and menu or accelerator commands) carry notification code 0.
      if (HIWORD(wParam) == 0) onCommand(w, LOWORD(wParam));
      return 0;
    case WM_HSCROLL:
      onHScroll(w, reinterpret_cast<HWND>(lParam), LOWORD(wParam));
      return 0;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(controlColours(w, reinterpret_cast<HDC>(wParam)));
    case WM_MOUSEWHEEL:
      if (w.player) w.player->onWheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_DROPFILES:
      onDropFiles(w, reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_DPICHANGED:
      applyDpi(w, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_APP_START:
      if (w.player) w.player->onStart();
      refreshWindow(w);
      return 0;
    default: {
      LRESULT result = 0;
      if (routePlayerMessage(w.player.get(), message, wParam, lParam, result)) return result;
      handled = false;
      return 0;
    }
  }
}

}  // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    if (!adoptMainWindow(window, lParam)) return FALSE;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  MainWindow* w = mainWindowOf(window);
  if (!w) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    releaseMainWindow(window);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    bool handled = false;
    const LRESULT result = handle(*w, message, wParam, lParam, handled);
    if (handled) return result;
  } catch (...) {
    // Out of memory in a handler: nothing may unwind into the system's dispatcher.
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
