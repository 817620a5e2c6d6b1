#include "ui/layout.h"

#include <algorithm>
#include <climits>

namespace layout {

int mulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  int64_t a = number;
  int64_t d = denominator;
  if (d < 0) {
    a = -a;
    d = -d;
  }
  const int64_t product = a * numerator;
  // Round half away from zero, as the system's MulDiv does.
  const int64_t result = product >= 0 ? (product + d / 2) / d : (product - d / 2) / d;
  if (result > INT_MAX || result < -INT_MAX) return -1;
  return static_cast<int>(result);
}

namespace {

int clamp0(int v) { return std::max(0, v); }

Box box(int x, int y, int width, int height) { return Box{x, y, clamp0(width), clamp0(height)}; }

int height(const SettingsRect& r) { return static_cast<int>(int64_t{r.bottom} - r.top); }

SettingsRect withHeight(SettingsRect r, int h) {
  r.bottom = static_cast<int32_t>(int64_t{r.top} + h);
  return r;
}

}  // namespace

int titleRowHeight(const Metrics& m) { return std::max(m.s(26), m.textHeight); }

int compactHeight(const Metrics& m) {
  return m.s(8) + titleRowHeight(m) + m.s(4) + m.s(28) + m.s(4) + m.s(30) + m.s(8);
}

Size miniClientSize(const Metrics& m) {
  return Size{3 * m.s(10) + m.s(60) + m.s(72) + 4 * m.s(36) + 2 * m.s(2) + 2 * m.s(8),
              m.s(30) + 2 * m.s(4)};
}

TrackingLimits trackingLimits(const Metrics& m, Mode mode, FrameExtent frame) {
  TrackingLimits limits;
  Size client;
  if (mode == Mode::Mini) {
    client = miniClientSize(m);
  } else {
    client.width = 3 * m.s(2) + 6 * m.s(36) + 2 * m.s(8) + 2 * m.s(10) + m.s(96);
    client.height = mode == Mode::Full ? m.s(60) + compactHeight(m) : compactHeight(m);
  }
  limits.minimum = Size{client.width + frame.width, client.height + frame.height};
  if (mode != Mode::Full) limits.maximumHeight = limits.minimum.height;
  return limits;
}

FullLayout fullLayout(const Metrics& m, int W, int clientHeight, bool hasScrollWindow) {
  FullLayout l;
  const int M = m.s(8);
  const int G = m.s(2);
  const int B = m.s(26);
  const int R = titleRowHeight(m);
  const int H = compactHeight(m);

  l.title = box(M, M + (R - m.textHeight) / 2, W - 2 * M - 3 * G - 3 * B, m.textHeight);
  const int buttonY = M + (R - B) / 2;
  l.listButton = box(W - 3 * B - 2 * G - M, buttonY, B, B);
  l.miniButton = box(W - 2 * B - G - M, buttonY, B, B);
  l.topmostButton = box(W - B - M, buttonY, B, B);

  const int y1 = M + R + m.s(4);
  const int barHeight = m.s(28);
  l.seek = box(M - m.s(4), y1, W - 2 * M - m.timeWidth + m.s(4), barHeight);
  l.time = box(W - m.timeWidth - M, y1 + (barHeight - m.textHeight) / 2, m.timeWidth, m.textHeight);

  const int y2 = y1 + barHeight + m.s(4);
  const int bw = m.s(36);
  const int bh = m.s(30);
  int x = M;
  l.openFolder = box(x, y2, bw, bh);
  x += bw + m.s(10);
  l.previous = box(x, y2, bw, bh);
  x += bw + G;
  l.playPause = box(x, y2, bw, bh);
  x += bw + G;
  l.next = box(x, y2, bw, bh);
  x += bw + m.s(10);
  l.shuffle = box(x, y2, bw, bh);
  x += bw + G;
  l.repeat = box(x, y2, bw, bh);
  l.volume = box(W - m.s(96) - M, y2 + (bh - barHeight) / 2, m.s(96), barHeight);

  const int listHeight = clientHeight - H;
  if (hasScrollWindow) {
    const int U = std::min(m.s(12), m.scrollBarWidth);
    // The list's own scroll bar lies past the client edge and is clipped away; the thin
    // scroll window covers the list's right edge instead.
    l.list = box(0, H, W + m.scrollBarWidth - U, listHeight);
    l.scroll = box(W - U, H, U, listHeight);
    l.columnWidth = clamp0(W - U);
  } else {
    l.list = box(0, H, W, listHeight);
    l.columnWidth = -1;
  }
  return l;
}

MiniLayout miniLayout(const Metrics& m, int W) {
  MiniLayout l;
  const int L = m.s(8);
  const int K = m.s(36);
  const int rowHeight = m.s(30);
  const int y = m.s(4);
  const int G = m.s(2);
  l.previous = box(L, y, K, rowHeight);
  l.playPause = box(L + K + G, y, K, rowHeight);
  l.next = box(L + 2 * K + 2 * G, y, K, rowHeight);
  const int barHeight = m.s(28);
  l.volume =
      box(W - m.s(72) - K - L - m.s(10), y + (rowHeight - barHeight) / 2, m.s(72), barHeight);
  const int titleX = L + 3 * K + 2 * G + m.s(10);
  l.title =
      box(titleX, y + (rowHeight - m.textHeight) / 2, l.volume.x - m.s(10) - titleX, m.textHeight);
  l.miniButton = box(W - K - L, y, K, rowHeight);
  return l;
}

bool acceptStoredRect(const SettingsRect& r, bool miniMode, bool onMonitor) {
  const int64_t w = int64_t{r.right} - r.left;
  const int64_t h = int64_t{r.bottom} - r.top;
  const int64_t minHeight = miniMode ? 20 : 100;
  return w >= 200 && h >= minHeight && w <= kMaxRectSide && h <= kMaxRectSide && onMonitor;
}

StoredRects rememberRect(Mode mode, bool minimizedOrMaximized, const SettingsRect& window,
                         const StoredRects& stored, int dpi) {
  StoredRects out = stored;
  if (minimizedOrMaximized) return out;
  switch (mode) {
    case Mode::Mini:
      out.mini = window;
      break;
    case Mode::Full:
      out.full = window;
      break;
    case Mode::FullListHidden: {
      const int keptHeight = stored.full.known() ? height(stored.full) : scale(kDefaultHeight, dpi);
      out.full = window;
      out.full = withHeight(out.full, keptHeight);
      break;
    }
  }
  return out;
}

SettingsRect modeChangeTarget(bool toMini, bool listHidden, const SettingsRect& current,
                              const SettingsRect& stored, bool storedOnMonitor,
                              int miniWindowHeight, int compactWindowHeight, int dpi) {
  SettingsRect r;
  if (acceptStoredRect(stored, toMini, storedOnMonitor)) {
    r = stored;
  } else {
    r = withHeight(current, toMini ? miniWindowHeight : scale(kDefaultHeight, dpi));
  }
  if (toMini) {
    r = withHeight(r, miniWindowHeight);
  } else if (listHidden) {
    r = withHeight(r, compactWindowHeight);
  }
  return r;
}

SettingsRect listToggleTarget(bool showList, const SettingsRect& current,
                              const SettingsRect& fullRect, bool fullRectOnMonitor,
                              int compactWindowHeight, int dpi) {
  if (!showList) return withHeight(current, compactWindowHeight);
  const int h = acceptStoredRect(fullRect, false, fullRectOnMonitor) ? height(fullRect)
                                                                     : scale(kDefaultHeight, dpi);
  return withHeight(current, h);
}

uint8_t opacityAlpha(int percent) {
  return static_cast<uint8_t>(std::clamp(mulDiv(std::clamp(percent, 0, 100), 255, 100), 0, 255));
}

}  // namespace layout
