#include "ui/window_ops.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "base/path.h"
#include "base/text.h"
#include "player/player.h"
#include "ui/dialogs.h"
#include "ui/draw_math.h"
#include "ui/drawing.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/player_status.h"
#include "ui/window_texts.h"

namespace {

constexpr DWORD kBaseStyle =
    WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

SettingsRect windowRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return SettingsRect{r.left, r.top, r.right, r.bottom};
}

layout::Mode modeOf(const MainWindow& w) {
  if (w.miniMode) return layout::Mode::Mini;
  return w.listHidden ? layout::Mode::FullListHidden : layout::Mode::Full;
}

void restoreIfNeeded(HWND window) {
  if (IsIconic(window) || IsZoomed(window)) ShowWindow(window, SW_RESTORE);
}

void applyStyle(MainWindow& w) {
  const LONG_PTR style = GetWindowLongPtrW(w.hwnd, GWL_STYLE);
  const LONG_PTR wanted = (style & ~static_cast<LONG_PTR>(WS_MAXIMIZEBOX)) |
                          (mainWindowStyle(w.miniMode, w.listHidden) & WS_MAXIMIZEBOX);
  if (wanted != style) SetWindowLongPtrW(w.hwnd, GWL_STYLE, wanted);
}

void moveAndRepaint(MainWindow& w, const SettingsRect& r) {
  SetWindowPos(w.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER);
  layoutWindow(w);
  RedrawWindow(w.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void place(HDWP& batch, HWND control, const layout::Box& b) {
  if (!control) return;
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (batch) batch = DeferWindowPos(batch, control, nullptr, b.x, b.y, b.width, b.height, flags);
  // A failed batch is gone; the remaining controls are moved one by one.
  if (!batch) SetWindowPos(control, nullptr, b.x, b.y, b.width, b.height, flags);
}

void show(HWND control, bool visible) {
  if (control) ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void setText(HWND control, const std::wstring& text) {
  if (control) SetWindowTextW(control, text.c_str());
}

void setEnabled(HWND control, bool enabled) {
  if (control && (IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
}

void redraw(HWND control) {
  if (control) InvalidateRect(control, nullptr, TRUE);
}

// The chapter set the seek bar marks, as text so that a change is one comparison.
std::wstring ticksKey(const PlayerView& p, std::vector<uint32_t>& starts) {
  starts.clear();
  if (p.playing.id == -1 || p.currentStation != -1 || p.playing.chapterStarts.empty()) {
    return std::wstring();
  }
  starts = p.playing.chapterStarts;
  std::wstring key = text::toDecimal(static_cast<uint64_t>(p.playing.sampleRate)) + L"/" +
                     text::toDecimal(p.playing.totalFrames);
  for (uint32_t start : starts) key += L"," + text::toDecimal(static_cast<uint64_t>(start));
  return key;
}

}  // namespace

bool onSomeMonitor(const SettingsRect& r) {
  if (!r.known()) return false;
  const RECT rect = {r.left, r.top, r.right, r.bottom};
  return MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
}

DWORD mainWindowStyle(bool miniMode, bool listHidden) {
  return kBaseStyle | (!miniMode && !listHidden ? WS_MAXIMIZEBOX : 0);
}

layout::Metrics metricsOf(const MainWindow& w) {
  layout::Metrics m;
  m.dpi = static_cast<int>(w.dpi);
  m.textHeight = w.textHeight;
  m.timeWidth = w.timeWidth;
  m.scrollBarWidth = GetSystemMetricsForDpi(SM_CXVSCROLL, w.dpi);
  return m;
}

int windowHeightFor(const MainWindow& w, int clientHeight) {
  RECT r = {0, 0, 100, clientHeight};
  const DWORD ex = w.hwnd ? static_cast<DWORD>(GetWindowLongPtrW(w.hwnd, GWL_EXSTYLE)) : 0;
  AdjustWindowRectExForDpi(&r, kBaseStyle, FALSE, ex, w.dpi);
  return r.bottom - r.top;
}

bool rebuildFonts(MainWindow& w) {
  Fonts made;
  if (!makeFonts(w.dpi, w.textFace, w.iconFace, made)) return false;
  // Released only at the end, once no control uses them any more.
  const Fonts old = std::exchange(w.fonts, std::move(made));
  measureFonts(w.hwnd, w.fonts.text.get(), w.dpi, w.textHeight, w.timeWidth);
  for (HWND button : w.buttons) {
    if (button) {
      SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(w.fonts.icon.get()), TRUE);
    }
  }
  for (HWND control : {w.title, w.time, w.list}) {
    if (control) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(w.fonts.text.get()), TRUE);
    }
  }
  return true;
}

void notifyChanged(MainWindow& w) {
  refreshWindow(w);
  if (w.player) w.player->updateMediaControls();
}

namespace {

MainWindow::LayoutInputs layoutInputsOf(const MainWindow& w) {
  RECT client = {};
  GetClientRect(w.hwnd, &client);
  return {client.right - client.left,
          client.bottom - client.top,
          w.miniMode,
          w.listHidden,
          w.dpi,
          w.textHeight,
          w.timeWidth,
          w.list,
          w.scroll};
}

HWND controlOf(const MainWindow& w, int id) {
  switch (id) {
    case kIdTitle:
      return w.title;
    case kIdSeek:
      return w.seek;
    case kIdTime:
      return w.time;
    case kIdVolume:
      return w.volume;
    case kIdList:
      return w.list;
    case kScrollPlace:
      return w.scroll;
    default:
      return w.button(id);
  }
}

}  // namespace

void layoutForNewSize(MainWindow& w) {
  if (w.hwnd && layoutInputsOf(w) != w.laidOut) layoutWindow(w);
}

std::vector<Place> placesFor(const MainWindow& w, int width, int height, bool withScroll,
                             int* columnWidth) {
  const layout::Metrics m = metricsOf(w);
  if (w.miniMode) {
    const layout::MiniLayout l = layout::miniLayout(m, width);
    return {{kIdPrevious, l.previous}, {kIdPlayPause, l.playPause}, {kIdNext, l.next},
            {kIdVolume, l.volume},     {kIdTitle, l.title},         {kIdMiniMode, l.miniButton}};
  }
  const layout::FullLayout l = layout::fullLayout(m, width, height, withScroll);
  if (columnWidth) *columnWidth = l.columnWidth;
  return {{kIdTitle, l.title},
          {kIdListButton, l.listButton},
          {kIdMiniMode, l.miniButton},
          {kIdTopmost, l.topmostButton},
          {kIdSeek, l.seek},
          {kIdTime, l.time},
          {kIdOpenFolder, l.openFolder},
          {kIdPrevious, l.previous},
          {kIdPlayPause, l.playPause},
          {kIdNext, l.next},
          {kIdShuffle, l.shuffle},
          {kIdRepeat, l.repeat},
          {kIdVolume, l.volume},
          {kIdList, l.list},
          {kScrollPlace, l.scroll}};
}

layout::Box placeOf(const std::vector<Place>& places, int id) {
  for (const Place& p : places) {
    if (p.id == id) return p.box;
  }
  return {};
}

void layoutWindow(MainWindow& w) {
  if (!w.hwnd || !w.title) return;
  w.laidOut = layoutInputsOf(w);
  int columnWidth = -1;
  const std::vector<Place> places =
      placesFor(w, w.laidOut.width, w.laidOut.height, w.scroll != nullptr, &columnWidth);
  HDWP batch = BeginDeferWindowPos(static_cast<int>(places.size()));
  for (const Place& p : places) place(batch, controlOf(w, p.id), p.box);
  if (batch) EndDeferWindowPos(batch);
  if (w.list && !w.miniMode) {
    SendMessageW(w.list, LVM_SETCOLUMNWIDTH, 0,
                 columnWidth >= 0 ? columnWidth : LVSCW_AUTOSIZE_USEHEADER);
  }
}

bool shownInMode(const MainWindow& w, int id) {
  if (id == kIdList || id == kScrollPlace) return !w.miniMode && !w.listHidden;
  if (!w.miniMode) return true;
  switch (id) {
    case kIdTitle:
    case kIdPrevious:
    case kIdPlayPause:
    case kIdNext:
    case kIdVolume:
    case kIdMiniMode:
      return true;
    default:
      return false;
  }
}

void showControlsForMode(MainWindow& w) {
  if (!w.hwnd) return;
  const HWND focus = GetFocus();
  for (int id :
       std::initializer_list<int>{kIdSeek, kIdTime, kIdTopmost, kIdListButton, kIdOpenFolder,
                                  kIdShuffle, kIdRepeat, kIdList, kScrollPlace}) {
    show(controlOf(w, id), shownInMode(w, id));
  }
  StatusView glyphState;
  glyphState.miniMode = w.miniMode;
  setText(w.button(kIdMiniMode), buttonGlyph(kIdMiniMode, glyphState));
  w.shown.miniMode = w.miniMode;
  // Focus on a control that just disappeared would leave the keyboard nowhere.
  if (focus && focus != w.hwnd && IsChild(w.hwnd, focus) && !IsWindowVisible(focus)) {
    SetFocus(w.button(kIdPlayPause));
  }
}

void rememberRect(MainWindow& w) {
  if (!w.ready || !w.hwnd) return;
  const layout::StoredRects stored{w.fullRect, w.miniRect};
  const layout::StoredRects now =
      layout::rememberRect(modeOf(w), IsIconic(w.hwnd) || IsZoomed(w.hwnd), windowRect(w.hwnd),
                           stored, static_cast<int>(w.dpi));
  w.fullRect = now.full;
  w.miniRect = now.mini;
}

void setMiniMode(MainWindow& w, bool on) {
  if (!w.hwnd || on == w.miniMode) return;
  restoreIfNeeded(w.hwnd);
  const SettingsRect current = windowRect(w.hwnd);
  w.miniMode = on;
  notifyChanged(w);
  showControlsForMode(w);
  applyStyle(w);
  const layout::Metrics m = metricsOf(w);
  const SettingsRect& stored = on ? w.miniRect : w.fullRect;
  const SettingsRect target =
      layout::modeChangeTarget(on, w.listHidden, current, stored, onSomeMonitor(stored),
                               windowHeightFor(w, layout::miniClientSize(m).height),
                               windowHeightFor(w, layout::compactHeight(m)), m.dpi);
  moveAndRepaint(w, target);
}

void toggleList(MainWindow& w) {
  if (!w.hwnd || w.miniMode) return;
  restoreIfNeeded(w.hwnd);
  const SettingsRect current = windowRect(w.hwnd);
  w.listHidden = !w.listHidden;
  notifyChanged(w);
  showControlsForMode(w);
  applyStyle(w);
  const layout::Metrics m = metricsOf(w);
  const SettingsRect target =
      layout::listToggleTarget(!w.listHidden, current, w.fullRect, onSomeMonitor(w.fullRect),
                               windowHeightFor(w, layout::compactHeight(m)), m.dpi);
  moveAndRepaint(w, target);
}

void setAlwaysOnTop(MainWindow& w, bool on) {
  if (!w.hwnd) return;
  SetWindowPos(w.hwnd, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  w.topmost = on;
  notifyChanged(w);
}

void setOpacity(MainWindow& w, int percent) {
  if (!w.hwnd) return;
  const LONG_PTR ex = GetWindowLongPtrW(w.hwnd, GWL_EXSTYLE);
  if (percent < 100) {
    if (!(ex & WS_EX_LAYERED)) SetWindowLongPtrW(w.hwnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetLayeredWindowAttributes(w.hwnd, 0, layout::opacityAlpha(percent), LWA_ALPHA);
  } else {
    if (ex & WS_EX_LAYERED) SetWindowLongPtrW(w.hwnd, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    RedrawWindow(w.hwnd, nullptr, nullptr,
                 RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  }
  w.opacity = percent;
}

void applyDpi(MainWindow& w, UINT dpi, const RECT* suggested) {
  if (!w.hwnd || dpi == 0) return;
  w.dpi = dpi;
  // Without new fonts the old ones and their metrics stay.
  rebuildFonts(w);
  if (suggested) {
    SetWindowPos(w.hwnd, nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  layoutWindow(w);
  RedrawWindow(w.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void refreshWindow(MainWindow& w) {
  if (!w.hwnd || !w.player) return;
  const PlayerView p = w.player->view();
  const StatusView s = statusOf(p, w);
  if (!w.title) {
    // Before the children exist the first frame paints what they will show, from here; they
    // take all of it once made.
    if (s.caption != w.shown.caption) SetWindowTextW(w.hwnd, s.caption.c_str());
    w.shown = s;
    w.shownValid = false;
    return;
  }
  const bool all = !w.shownValid;
  const StatusView old = w.shown;
  // The drawing reads the shown record, so it is current before anything repaints.
  w.shown = s;
  w.shownValid = true;

  if (all || s.title != old.title || s.suffix != old.suffix) {
    setText(w.title, s.title);
    redraw(w.title);
  }
  if (all || s.caption != old.caption) SetWindowTextW(w.hwnd, s.caption.c_str());
  if (w.seekDragging) {
    w.shown.time = old.time;  // the label shows the drag time; set it again once the drag ends
  } else if (all || s.time != old.time) {
    setText(w.time, s.time);
  }
  // Moving the thumb under a dragging mouse would fight the user.
  if (!w.seekDragging && w.seek) {
    const int position = draw::seekPosition(s.fraction);
    if (position != w.shownSeekPosition) {
      SendMessageW(w.seek, TBM_SETPOS, TRUE, position);
      w.shownSeekPosition = position;
    }
  }
  setEnabled(w.seek, s.seekEnabled);
  if (all || s.playing != old.playing) {
    setText(w.button(kIdPlayPause), buttonGlyph(kIdPlayPause, s));
  }
  if (all || s.repeat != old.repeat) setText(w.button(kIdRepeat), buttonGlyph(kIdRepeat, s));
  if (all || s.miniMode != old.miniMode) {
    setText(w.button(kIdMiniMode), buttonGlyph(kIdMiniMode, s));
  }
  setEnabled(w.button(kIdShuffle), !s.audiobook);
  if (!all) {
    if (s.shuffle != old.shuffle) redraw(w.button(kIdShuffle));
    if (s.repeat != old.repeat) redraw(w.button(kIdRepeat));
    if (s.topmost != old.topmost) redraw(w.button(kIdTopmost));
    if (s.listHidden != old.listHidden) redraw(w.button(kIdListButton));
  }
  if ((all || s.volume != old.volume) && w.volume) {
    SendMessageW(w.volume, TBM_SETPOS, TRUE, std::clamp(s.volume, 0, 100));
  }

  std::vector<uint32_t> starts;
  std::wstring key = ticksKey(p, starts);
  if (key != w.shownTicksKey) {
    setChapterTicks(w, starts, p.playing.sampleRate, p.playing.totalFrames);
    w.shownTicksKey = std::move(key);
  }
}

void openFolderCommand(MainWindow& w) {
  if (!w.player) return;
  const PlayerView p = w.player->view();
  bool include = p.includeSubfolders;
  std::wstring folder;
  if (pickFolder(w.hwnd, p.sourceFolder, include, folder) && confirmOpening(*w.player, folder))
    w.player->openPath(folder, include, true);
}

bool confirmOpening(Player& player, const std::wstring& path) {
  // A drive root is named by its drive.
  return player.confirm(L"Open " +
                        std::wstring(paths::fileName(paths::withoutTrailingSeparator(path))));
}
