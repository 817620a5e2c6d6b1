#include "ui/drawing.h"

#include <dwmapi.h>

#include <algorithm>
#include <string>
#include <utility>

#include "base/scoped_win.h"
#include "player/player.h"
#include "ui/draw_math.h"
#include "ui/glyph_shapes.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/window_ops.h"
#include "ui/window_texts.h"

namespace {

// DWMWA_BORDER_COLOR, DWMWA_CAPTION_COLOR and DWMWA_TEXT_COLOR (Windows 11): MinGW-w64's
// dwmapi.h ends its list of attributes before them.
constexpr DWORD kBorderColourAttribute = 34;
constexpr DWORD kCaptionColourAttribute = 35;
constexpr DWORD kCaptionTextColourAttribute = 36;
constexpr COLORREF kSystemDefaultColour = 0xFFFFFFFF;
constexpr int kMaxGlyphLength = 7;
constexpr int kMaxTimeLength = 63;

RECT toRect(const draw::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
draw::Rect fromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Solid fills through the DC brush, so that no brush is made per fill; the DC's own brush
// colour is left as it was (list and trackbar DCs belong to the controls).
void fillSolid(HDC dc, const RECT& r, COLORREF colour) {
  const COLORREF old = SetDCBrushColor(dc, colour);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, old);
}

void fillAll(HDC dc, const std::vector<draw::Fill>& fills) {
  for (const draw::Fill& f : fills) fillSolid(dc, toRect(f.rect), f.colour);
}

void fillBackground(MainWindow& w, HDC dc, const RECT& r) {
  if (w.backgroundBrush) {
    FillRect(dc, &r, w.backgroundBrush.get());
  } else {
    fillSolid(dc, r, w.palette.background);
  }
}

// Polygons are filled through the DC brush with no outline, so that their edges fall where
// the portable geometry puts them.
void fillShapes(HDC dc, const draw::GlyphShapes& shapes, COLORREF colour) {
  for (const draw::Rect& r : shapes.rects) fillSolid(dc, toRect(r), colour);
  if (shapes.polygons.empty()) return;
  const base::SelectObjectScope pen(dc, GetStockObject(NULL_PEN));
  const base::SelectObjectScope brush(dc, GetStockObject(DC_BRUSH));
  const COLORREF old = SetDCBrushColor(dc, colour);
  std::vector<POINT> points;
  for (const std::vector<draw::Point>& polygon : shapes.polygons) {
    points.clear();
    for (const draw::Point& p : polygon) points.push_back({p.x, p.y});
    Polygon(dc, points.data(), static_cast<int>(points.size()));
  }
  SetDCBrushColor(dc, old);
}

bool focusCuesHidden(const MainWindow& w) {
  if (!w.hwnd) return false;
  return (SendMessageW(w.hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
}

std::wstring windowText(HWND control, int maxLength) {
  if (!control) return {};
  std::wstring text(static_cast<size_t>(maxLength) + 1, L'\0');
  const int length = GetWindowTextW(control, text.data(), maxLength + 1);
  text.resize(static_cast<size_t>(std::clamp(length, 0, maxLength)));
  return text;
}

std::wstring fullWindowText(HWND control) {
  if (!control) return {};
  const int length = GetWindowTextLengthW(control);
  return windowText(control, std::max(0, length));
}

// The DC's font, colour and background mode as they were, put back when done.
class DcState {
 public:
  explicit DcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~DcState() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  DcState(const DcState&) = delete;
  DcState& operator=(const DcState&) = delete;

 private:
  HDC dc_;
  int saved_;
};

bool toggleActive(const MainWindow& w, int id) {
  switch (id) {
    case kIdShuffle:
      return w.player && w.player->view().shuffle;
    case kIdRepeat:
      return w.player && w.player->view().repeat != RepeatMode::Off;
    case kIdTopmost:
      return w.topmost;
    case kIdListButton:
      return !w.listHidden;
    default:
      return false;
  }
}

// A button as its owner-drawn control draws itself, into rc of dc.
void paintButton(MainWindow& w, HDC dc, const RECT& rc, int id, const std::wstring& glyph,
                 draw::ButtonState button, bool focus) {
  DcState state(dc);
  button.toggleActive = toggleActive(w, id);
  const draw::ButtonColours colours = draw::buttonColours(w.palette, button);

  const draw::Rect box = fromRect(rc);
  std::vector<draw::Fill> fills;
  fills.push_back({box, colours.background});
  draw::frameBars(box, std::max(1, w.scaled(1)), colours.border, fills);
  fillAll(dc, fills);

  const draw::GlyphShapes shapes =
      w.drawnGlyphs ? draw::glyphShapes(glyph, box, static_cast<int>(w.dpi), button.pressed)
                    : draw::GlyphShapes();
  if (!shapes.empty()) {
    fillShapes(dc, shapes, colours.glyph);
  } else {
    RECT textRect = rc;
    if (button.pressed) OffsetRect(&textRect, 0, w.scaled(1));
    if (w.fonts.icon) SelectObject(dc, w.fonts.icon.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colours.glyph);
    DrawTextW(dc, glyph.c_str(), static_cast<int>(glyph.size()), &textRect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  if (focus && !focusCuesHidden(w)) {
    fills.clear();
    draw::frameBars(draw::inset(box, w.scaled(3), w.scaled(3)), 1, colours.focus, fills);
    fillAll(dc, fills);
  }
}

void drawButton(MainWindow& w, const DRAWITEMSTRUCT& item) {
  draw::ButtonState button;
  button.disabled = (item.itemState & ODS_DISABLED) != 0;
  button.pressed = (item.itemState & ODS_SELECTED) != 0;
  button.hovered = item.hwndItem != nullptr && item.hwndItem == w.hovered;
  paintButton(w, item.hDC, item.rcItem, static_cast<int>(item.CtlID),
              windowText(item.hwndItem, kMaxGlyphLength), button,
              (item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT));
}

// The title line: the title, its suffix (when it ends with it) in the italic accent.
void paintTitle(MainWindow& w, HDC dc, const RECT& rc, const std::wstring& title,
                const std::wstring& suffix) {
  DcState state(dc);
  fillBackground(w, dc, rc);
  SetBkMode(dc, TRANSPARENT);
  const UINT format = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

  const size_t split = draw::titleSplit(title, suffix);
  if (split == std::wstring::npos || !w.fonts.italic) {
    if (w.fonts.text) SelectObject(dc, w.fonts.text.get());
    SetTextColor(dc, w.palette.text);
    RECT r = rc;
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &r, format);
    return;
  }

  const std::wstring first = title.substr(0, split);
  const std::wstring rest = title.substr(split);
  SIZE firstSize = {}, restSize = {};
  if (w.fonts.text) SelectObject(dc, w.fonts.text.get());
  GetTextExtentPoint32W(dc, first.c_str(), static_cast<int>(first.size()), &firstSize);
  SelectObject(dc, w.fonts.italic.get());
  GetTextExtentPoint32W(dc, rest.c_str(), static_cast<int>(rest.size()), &restSize);
  const draw::TitleParts parts = draw::titleParts(fromRect(rc), firstSize.cx, restSize.cx);

  RECT r = toRect(parts.first);
  if (w.fonts.text) SelectObject(dc, w.fonts.text.get());
  SetTextColor(dc, w.palette.text);
  DrawTextW(dc, first.c_str(), static_cast<int>(first.size()), &r, format);
  r = toRect(parts.rest);
  SelectObject(dc, w.fonts.italic.get());
  SetTextColor(dc, w.palette.accent);
  DrawTextW(dc, rest.c_str(), static_cast<int>(rest.size()), &r, format);
}

void paintTime(MainWindow& w, HDC dc, const RECT& rc, const std::wstring& text) {
  DcState state(dc);
  fillBackground(w, dc, rc);
  if (w.fonts.text) SelectObject(dc, w.fonts.text.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, w.palette.timeText);
  RECT r = rc;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// A trackbar (no ticks, neither hot nor focused) at a position of 0..maximum, as it draws
// itself through customDrawTrackbar.
void paintTrackbar(MainWindow& w, HDC dc, const RECT& rc, int position, int maximum, bool enabled) {
  fillBackground(w, dc, rc);
  const int dpi = static_cast<int>(w.dpi);
  const draw::TrackbarParts parts =
      draw::trackbarParts(rc.right - rc.left, rc.bottom - rc.top, position, 0, maximum);
  const draw::TrackbarColours colours = draw::trackbarColours(w.palette, enabled, false);
  std::vector<draw::Fill> fills;
  draw::channelFills(parts.channel, (parts.thumb.left + parts.thumb.right) / 2, colours, dpi,
                     fills);
  draw::thumbFills(draw::trackbarThumb(parts.thumb, dpi), colours, enabled, fills);
  fillAll(dc, fills);
}

// The children are made just after the first frame, which shows each of them where it will
// be, as it will draw itself: the window looks whole from its first frame.
void paintControlPictures(MainWindow& w, HDC dc, const RECT& client) {
  const StatusView& s = w.shown;
  for (const Place& place : placesFor(w, client.right, client.bottom, true, nullptr)) {
    const layout::Box& b = place.box;
    if (b.width <= 0 || b.height <= 0) continue;
    if (!shownInMode(w, place.id)) continue;
    // Each control draws in its own client coordinates, clipped to itself.
    DcState state(dc);
    OffsetViewportOrgEx(dc, b.x, b.y, nullptr);
    IntersectClipRect(dc, 0, 0, b.width, b.height);
    const RECT rc = {0, 0, b.width, b.height};
    switch (place.id) {
      case kIdTitle:
        paintTitle(w, dc, rc, s.title, s.suffix);
        break;
      case kIdTime:
        paintTime(w, dc, rc, s.time);
        break;
      case kIdSeek:
        paintTrackbar(w, dc, rc, draw::seekPosition(s.fraction), draw::kSeekRange, s.seekEnabled);
        break;
      case kIdVolume:
        paintTrackbar(w, dc, rc, std::clamp(s.volume, 0, 100), 100, true);
        break;
      case kIdList:
        fillSolid(dc, rc, w.palette.listEven);
        break;
      case kScrollPlace:
        fillSolid(dc, rc, w.palette.scrollTrack);
        break;
      default: {
        draw::ButtonState button;
        button.disabled = place.id == kIdShuffle && s.audiobook;
        paintButton(w, dc, rc, place.id, buttonGlyph(place.id, s), button, false);
        break;
      }
    }
  }
}

RECT trackbarRect(HWND bar, UINT message) {
  RECT r = {};
  SendMessageW(bar, message, 0, reinterpret_cast<LPARAM>(&r));
  return r;
}

// A podcast episode that is not playable audio is drawn as unavailable.
bool rowUnavailable(const MainWindow& w, int64_t row) {
  return w.player && w.player->rowUnplayable(row);
}

draw::RowState rowState(const MainWindow& w, HWND list, int64_t row) {
  draw::RowState state;
  state.selected = (SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
                    LVIS_SELECTED) != 0;
  state.odd = (row % 2) != 0;
  state.current =
      w.player && w.player->trackList().current >= 0 && w.player->trackList().current == row;
  state.unavailable = rowUnavailable(w, row);
  state.focused = GetFocus() == list && !focusCuesHidden(w) &&
                  SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED) ==
                      static_cast<LRESULT>(row);
  return state;
}

// The list invalidates a row from the end of its left margin (Wine's does), but the item paint
// fills the row from its very edge and the marker and the focus frame lie in that margin.
void invalidateWholeRow(HWND list, int64_t row) {
  RECT bounds = {};
  bounds.left = LVIR_BOUNDS;
  if (SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&bounds))) {
    InvalidateRect(list, &bounds, FALSE);
  }
}

}  // namespace

void computeColours(MainWindow& w) {
  HIGHCONTRASTW contrast = {};
  contrast.cbSize = sizeof(contrast);
  const bool high = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                    (contrast.dwFlags & HCF_HIGHCONTRASTON);
  w.palette = high ? highContrastPalette([](int index) -> uint32_t { return GetSysColor(index); })
                   : fixedPalette();

  w.backgroundBrush.reset(CreateSolidBrush(w.palette.background));
  w.evenRowBrush.reset(CreateSolidBrush(w.palette.listEven));

  if (w.hwnd) setFrameColours(w);
  if (w.list) {
    SendMessageW(w.list, LVM_SETBKCOLOR, 0, w.palette.listEven);
    SendMessageW(w.list, LVM_SETTEXTBKCOLOR, 0, w.palette.listEven);
    SendMessageW(w.list, LVM_SETTEXTCOLOR, 0, w.palette.listText);
  }
  if (w.hwnd) {
    RedrawWindow(w.hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void setFrameColours(MainWindow& w) {
  if (!w.hwnd) return;
  const Palette& p = w.palette;
  const COLORREF border = p.highContrast ? kSystemDefaultColour : colourFromHex(0x8B6914);
  const COLORREF caption = p.highContrast ? kSystemDefaultColour : colourFromHex(0x1A3318);
  const COLORREF captionText = p.highContrast ? kSystemDefaultColour : colourFromHex(0xC9A227);
  // Older systems do not know these attributes; the frame then keeps the system's colours.
  DwmSetWindowAttribute(w.hwnd, kBorderColourAttribute, &border, sizeof(border));
  DwmSetWindowAttribute(w.hwnd, kCaptionColourAttribute, &caption, sizeof(caption));
  DwmSetWindowAttribute(w.hwnd, kCaptionTextColourAttribute, &captionText, sizeof(captionText));
}

void drawItem(MainWindow& w, const DRAWITEMSTRUCT& item) {
  if (!item.hDC) return;
  switch (item.CtlID) {
    case kIdTitle:
      paintTitle(w, item.hDC, item.rcItem, fullWindowText(item.hwndItem),
                 w.shownValid ? w.shown.suffix : std::wstring());
      break;
    case kIdTime:
      paintTime(w, item.hDC, item.rcItem, windowText(item.hwndItem, kMaxTimeLength));
      break;
    default:
      if (item.CtlType == ODT_BUTTON) drawButton(w, item);
      break;
  }
}

LRESULT customDrawTrackbar(MainWindow& w, NMCUSTOMDRAW& d) {
  HWND bar = d.hdr.hwndFrom;
  if (!d.hdc || !bar) return CDRF_DODEFAULT;
  if (d.dwDrawStage == CDDS_PREPAINT) {
    fillBackground(w, d.hdc, d.rc);
    return CDRF_NOTIFYITEMDRAW;
  }
  if (d.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;

  const int dpi = static_cast<int>(w.dpi);
  const bool enabled = IsWindowEnabled(bar) != FALSE;
  const bool hot = (d.uItemState & (CDIS_HOT | CDIS_SELECTED)) != 0;
  const draw::TrackbarColours colours = draw::trackbarColours(w.palette, enabled, hot);
  std::vector<draw::Fill> fills;
  switch (d.dwItemSpec) {
    case TBCD_TICS: {
      const int count = static_cast<int>(SendMessageW(bar, TBM_GETNUMTICS, 0, 0));
      if (draw::drawsTicks(count)) {
        const draw::Rect channel = fromRect(trackbarRect(bar, TBM_GETCHANNELRECT));
        // TBM_GETTICPOS numbers the interior ticks only; the two end ticks are never drawn.
        for (int i = 0; i < count - 2; ++i) {
          const int x = static_cast<int>(SendMessageW(bar, TBM_GETTICPOS, i, 0));
          if (x >= 0) fills.push_back({draw::tickMark(x, channel, dpi), colours.tick});
        }
      }
      break;
    }
    case TBCD_THUMB: {
      const draw::Rect thumb =
          draw::trackbarThumb(fromRect(trackbarRect(bar, TBM_GETTHUMBRECT)), dpi);
      draw::thumbFills(thumb, colours, enabled, fills);
      break;
    }
    case TBCD_CHANNEL: {
      const RECT thumb = trackbarRect(bar, TBM_GETTHUMBRECT);
      draw::channelFills(fromRect(trackbarRect(bar, TBM_GETCHANNELRECT)),
                         (thumb.left + thumb.right) / 2, colours, dpi, fills);
      break;
    }
    default:
      return CDRF_DODEFAULT;
  }
  fillAll(d.hdc, fills);
  return CDRF_SKIPDEFAULT;
}

LRESULT customDrawList(MainWindow& w, NMLVCUSTOMDRAW& d) {
  HWND list = d.nmcd.hdr.hwndFrom;
  switch (d.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      const auto row = static_cast<int64_t>(d.nmcd.dwItemSpec);
      const draw::RowState state = rowState(w, list, row);
      const draw::RowColours colours = draw::rowColours(w.palette, state);
      d.clrText = colours.text;
      d.clrTextBk = colours.background;
      // The list fills only behind the text; the row's margin takes the row colour too.
      RECT bounds = {};
      bounds.left = LVIR_BOUNDS;
      if (d.nmcd.hdc && SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                     reinterpret_cast<LPARAM>(&bounds))) {
        fillSolid(d.nmcd.hdc, bounds, colours.background);
      }
      // Our colours stand for the selection; the list's own highlight and focus rectangle
      // would paint over them.
      d.nmcd.uItemState &= ~(CDIS_SELECTED | CDIS_FOCUS);
      HFONT font = colours.bold && w.fonts.bold
                       ? w.fonts.bold.get()
                       : reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
      if (font && d.nmcd.hdc) SelectObject(d.nmcd.hdc, font);
      return CDRF_NEWFONT | (colours.postPaint ? CDRF_NOTIFYPOSTPAINT : 0);
    }
    case CDDS_ITEMPOSTPAINT: {
      const auto row = static_cast<int64_t>(d.nmcd.dwItemSpec);
      const draw::RowState state = rowState(w, list, row);
      RECT bounds = {};
      bounds.left = LVIR_BOUNDS;
      if (d.nmcd.hdc && SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                     reinterpret_cast<LPARAM>(&bounds))) {
        std::vector<draw::Fill> fills;
        draw::rowPostPaintFills(w.palette, state, fromRect(bounds), static_cast<int>(w.dpi), fills);
        fillAll(d.nmcd.hdc, fills);
      }
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

void repaintListRows(MainWindow& w, int64_t a, int64_t b) {
  if (!w.list || !w.player) return;
  const int64_t count = static_cast<int64_t>(w.player->trackList().size());
  for (int64_t row : {a, b}) {
    if (row < 0 || row >= count) continue;
    SendMessageW(w.list, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
    invalidateWholeRow(w.list, row);
  }
  if (b >= 0 && b < count) SendMessageW(w.list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(b), FALSE);
}

void listItemChanged(MainWindow& w, const NMLISTVIEW& change) {
  if (!w.list || !(change.uChanged & LVIF_STATE)) return;
  if (!((change.uOldState ^ change.uNewState) & (LVIS_SELECTED | LVIS_FOCUSED))) return;
  if (change.iItem < 0) {
    InvalidateRect(w.list, nullptr, FALSE);
  } else {
    invalidateWholeRow(w.list, change.iItem);
  }
}

void drawFrame(MainWindow& w, HDC dc) {
  RECT client = {};
  GetClientRect(w.hwnd, &client);
  const int dpi = static_cast<int>(w.dpi);
  std::vector<draw::Fill> fills;
  if (w.miniMode) {
    draw::miniBorderFills(w.palette, fromRect(client), dpi, fills);
  } else {
    layout::Metrics m;
    m.dpi = dpi;
    m.textHeight = w.textHeight;
    draw::ornamentFills(w.palette, client.right - client.left, layout::titleRowHeight(m),
                        layout::compactHeight(m), dpi, fills);
  }
  fillAll(dc, fills);
  if (!w.title) paintControlPictures(w, dc, client);
}

void paintWindow(MainWindow& w) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(w.hwnd, &paint);
  if (dc) drawFrame(w, dc);
  EndPaint(w.hwnd, &paint);
}

HBRUSH controlColours(MainWindow& w, HDC dc) {
  SetTextColor(dc, w.palette.text);
  SetBkColor(dc, w.palette.background);
  if (w.backgroundBrush) return w.backgroundBrush.get();
  SetDCBrushColor(dc, w.palette.background);
  return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

void setChapterTicks(MainWindow& w, const std::vector<uint32_t>& startsMs, uint32_t sampleRate,
                     uint64_t totalFrames) {
  if (!w.seek) return;
  SendMessageW(w.seek, TBM_CLEARTICS, FALSE, 0);
  // The bar refuses ticks while it has the no-ticks style, so the style goes first.
  const LONG_PTR style = GetWindowLongPtrW(w.seek, GWL_STYLE);
  const LONG_PTR wanted = startsMs.empty() ? (style | TBS_NOTICKS) : (style & ~TBS_NOTICKS);
  if (wanted != style) SetWindowLongPtrW(w.seek, GWL_STYLE, wanted);
  for (int tick : draw::chapterTicks(startsMs, sampleRate, totalFrames)) {
    SendMessageW(w.seek, TBM_SETTIC, 0, tick);
  }
  InvalidateRect(w.seek, nullptr, TRUE);
}
