#include "ui/draw_math.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "ui/layout.h"

namespace draw {
namespace {

int unit(int dpi) { return std::max(1, layout::scale(1, dpi)); }

void add(std::vector<Fill>& out, const Rect& r, uint32_t colour) {
  if (!r.empty()) out.push_back({r, colour});
}

Rect intersect(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

int clampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

}  // namespace

Rect inset(const Rect& r, int dx, int dy) {
  return {r.left + dx, r.top + dy, r.right - dx, r.bottom - dy};
}

void frameBars(const Rect& r, int w, uint32_t colour, std::vector<Fill>& out) {
  add(out, {r.left, r.top, r.right, std::min(r.top + w, r.bottom)}, colour);
  add(out, {r.left, std::max(r.bottom - w, r.top), r.right, r.bottom}, colour);
  add(out, {r.left, r.top, std::min(r.left + w, r.right), r.bottom}, colour);
  add(out, {std::max(r.right - w, r.left), r.top, r.right, r.bottom}, colour);
}

ButtonColours buttonColours(const Palette& p, const ButtonState& state) {
  ButtonColours c;
  c.background = p.background;
  c.glyph = p.accent;
  c.border = p.highContrast ? p.muted : blend(p.background, p.accent, 0.6);
  if (state.disabled) {
    c.glyph = blend(p.background, p.accent, 0.4);
    c.border = blend(p.background, c.border, 0.5);
  } else if (state.pressed) {
    c.background = p.pressed;
    c.glyph = p.text;
    c.border = p.brightAccent;
  } else if (state.toggleActive) {
    c.background = state.hovered ? p.brightAccent : p.toggleBackground;
    c.border = p.brightAccent;
    c.glyph = p.toggleGlyph;
  } else if (state.hovered) {
    c.background = blend(p.background, p.accent, 0.14);
    c.glyph = p.brightAccent;
    c.border = p.brightAccent;
  }
  c.focus = state.toggleActive ? p.toggleGlyph : p.focus;
  return c;
}

size_t titleSplit(std::wstring_view title, std::wstring_view suffix) {
  if (suffix.empty()) return std::wstring_view::npos;
  return title.find(suffix);
}

TitleParts titleParts(const Rect& label, int firstWidth, int restWidth) {
  const int limit = std::max(0, label.width()) / 2;
  const int rest = std::clamp(restWidth, 0, limit);
  const int firstEnd =
      std::max(label.left, std::min(label.left + std::max(0, firstWidth), label.right - rest));
  TitleParts parts;
  parts.first = {label.left, label.top, firstEnd, label.bottom};
  parts.rest = {firstEnd, label.top, std::max(firstEnd, label.right), label.bottom};
  return parts;
}

TrackbarColours trackbarColours(const Palette& p, bool enabled, bool hot) {
  TrackbarColours c;
  if (!enabled) {
    c.thumbUpper = c.thumbLower = c.thumbFrame = p.muted;
    c.played = c.unplayed = c.tick = p.muted;
    return c;
  }
  c.thumbUpper = hot ? p.thumbHot : p.thumbUpper;
  c.thumbLower = hot ? p.thumbUpper : p.thumbLower;
  c.thumbFrame = (hot && !p.highContrast) ? p.text : p.thumbHot;
  c.played = p.accent;
  c.unplayed = p.muted;
  c.tick = p.accent;
  return c;
}

TrackbarParts trackbarParts(int width, int height, int position, int minimum, int maximum) {
  // The bar's default thumb is 21 long; one made lower than that takes five less than its
  // height. The thumb is half its length wide (odd), and the channel, 4 high, ends that half
  // width plus 3 from each side.
  const int length = height > 20 ? 21 : std::max(0, height - 5);
  const int thumbWidth = (length / 2) | 1;
  const int edge = thumbWidth / 2 + 3;
  TrackbarParts parts;
  parts.channel = {edge, length / 2 - 1, std::max(edge, width - edge), length / 2 + 3};
  const int64_t range = std::max<int64_t>(1, static_cast<int64_t>(maximum) - minimum);
  const int64_t at = std::clamp<int64_t>(static_cast<int64_t>(position) - minimum, 0, range);
  const int span = std::max(0, parts.channel.width() - thumbWidth);
  const int left = edge + static_cast<int>(span * at / range);
  parts.thumb = {left, 2, left + thumbWidth, 2 + length};
  return parts;
}

Rect trackbarThumb(const Rect& thumbRect, int dpi) {
  const int w = layout::scale(7, dpi);
  const int h = std::max(0, std::min(layout::scale(18, dpi), thumbRect.height()));
  const int left = thumbRect.left + (thumbRect.width() - w) / 2;
  const int top = thumbRect.top + (thumbRect.height() - h) / 2;
  return {left, top, left + w, top + h};
}

void thumbFills(const Rect& thumb, const TrackbarColours& c, bool enabled, std::vector<Fill>& out) {
  if (!enabled) {
    add(out, thumb, c.thumbUpper);
    return;
  }
  const int middle = thumb.top + thumb.height() / 2;
  add(out, {thumb.left, thumb.top, thumb.right, middle}, c.thumbUpper);
  add(out, {thumb.left, middle, thumb.right, thumb.bottom}, c.thumbLower);
  frameBars(thumb, 1, c.thumbFrame, out);
}

void channelFills(const Rect& channel, int thumbCentreX, const TrackbarColours& c, int dpi,
                  std::vector<Fill>& out) {
  const int u = unit(dpi);
  const int top = channel.top + channel.height() / 2 - u;
  const int split = std::clamp(thumbCentreX, channel.left, std::max(channel.left, channel.right));
  add(out, {channel.left, top, split, top + 2 * u}, c.played);
  add(out, {split, top, channel.right, top + 2 * u}, c.unplayed);
}

int seekPosition(double fraction) {
  return static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * kSeekRange));
}

Rect tickMark(int x, const Rect& channel, int dpi) {
  const int top = channel.bottom + layout::scale(3, dpi);
  return {x, top, x + layout::scale(1, dpi), top + layout::scale(5, dpi)};
}

std::optional<int> clickPosition(int x, const Rect& channel, int thumbWidth, int minimum,
                                 int maximum) {
  const int start = channel.left + thumbWidth / 2;
  const int end = channel.right - thumbWidth / 2;
  const int span = end - start;
  if (span <= 0) return std::nullopt;
  const int at = std::clamp(x, start, end);
  return minimum + layout::mulDiv(at - start, maximum - minimum, span);
}

std::vector<int> chapterTicks(const std::vector<uint32_t>& startsMs, uint32_t sampleRate,
                              uint64_t totalFrames) {
  std::vector<int> ticks;
  if (sampleRate == 0 || totalFrames == 0) return ticks;
  // Exact rounding of start x rate / 1000 / total x 10000 (the product needs 78 bits).
  using Wide = unsigned __int128;
  const Wide denominator = static_cast<Wide>(totalFrames) * 1000;
  for (uint32_t start : startsMs) {
    const Wide numerator = static_cast<Wide>(start) * sampleRate * kSeekRange;
    const Wide tick = (2 * numerator + denominator) / (2 * denominator);
    if (tick >= 1 && tick < kSeekRange) ticks.push_back(static_cast<int>(tick));
  }
  return ticks;
}

RowColours rowColours(const Palette& p, const RowState& row) {
  RowColours c;
  c.background = row.selected ? p.selectedBackground : (row.odd ? p.listOdd : p.listEven);
  c.text = row.selected ? p.selectedText : p.listText;
  if (row.current) {
    c.bold = true;
    if (!row.selected) c.text = p.currentText;
    c.postPaint = true;
  }
  if (row.unavailable) c.text = p.unavailableText;
  if (row.focused) c.postPaint = true;
  c.focusFrame = row.selected ? p.selectedText : p.focus;
  return c;
}

void rowPostPaintFills(const Palette& p, const RowState& row, const Rect& bounds, int dpi,
                       std::vector<Fill>& out) {
  if (row.current) {
    add(out, {bounds.left, bounds.top, bounds.left + layout::scale(3, dpi), bounds.bottom},
        p.currentMarker);
  }
  if (row.focused) {
    const int in = layout::scale(1, dpi);
    frameBars(inset(bounds, in, in), 1, rowColours(p, row).focusFrame, out);
  }
}

void miniBorderFills(const Palette& p, const Rect& client, int dpi, std::vector<Fill>& out) {
  frameBars(client, unit(dpi), p.muted, out);
}

void ornamentFills(const Palette& p, int clientWidth, int titleRowHeight, int compactHeight,
                   int dpi, std::vector<Fill>& out) {
  const int u = unit(dpi);
  const Rect outer =
      inset({0, 0, clientWidth, compactHeight}, layout::scale(2, dpi), layout::scale(2, dpi));
  frameBars(outer, u, p.muted, out);
  frameBars(inset(outer, layout::scale(3, dpi), layout::scale(3, dpi)), u, p.innerFrame, out);

  // The corner Ls, kept within the outer frame on a window too small for them.
  const int length = layout::scale(12, dpi);
  const int thick = layout::scale(2, dpi);
  const Rect& o = outer;
  const Rect corners[] = {
      {o.left, o.top, o.left + length, o.top + thick},
      {o.left, o.top, o.left + thick, o.top + length},
      {o.right - length, o.top, o.right, o.top + thick},
      {o.right - thick, o.top, o.right, o.top + length},
      {o.left, o.bottom - thick, o.left + length, o.bottom},
      {o.left, o.bottom - length, o.left + thick, o.bottom},
      {o.right - length, o.bottom - thick, o.right, o.bottom},
      {o.right - thick, o.bottom - length, o.right, o.bottom},
  };
  for (const Rect& corner : corners) add(out, intersect(corner, outer), p.frameCorner);

  // The rule under the title: a gradient from the pressed colour into the background.
  const int y = titleRowHeight + layout::scale(4, dpi) / 2 + layout::scale(8, dpi) - 1;
  const int start = layout::scale(8, dpi);
  const int end = start + (3 * clientWidth - 6 * layout::scale(8, dpi)) / 5;
  const int step = std::max(1, layout::scale(3, dpi));
  for (int x = start; x < end; x += step) {
    const uint32_t colour = p.highContrast ? p.muted
                                           : blend(p.pressed, p.background,
                                                   static_cast<double>(x - start) / (end - start));
    add(out, {x, y, std::min(x + step, end), y + u}, colour);
  }
}

bool thumbVisible(bool hasScrollBar, const ScrollInfo& si) {
  const int64_t range = static_cast<int64_t>(si.maximum) - si.minimum + 1;
  return hasScrollBar && si.page > 0 && si.page < range;
}

Thumb thumbGeometry(int clientHeight, const ScrollInfo& si, int dpi) {
  const int h = std::max(0, clientHeight);
  const int64_t n = static_cast<int64_t>(si.maximum) - si.minimum + 1;
  Thumb t;
  if (n <= 0 || n > INT_MAX) {
    t.length = h;
  } else {
    t.length = std::max(layout::scale(24, dpi),
                        layout::mulDiv(h, std::max(0, si.page), static_cast<int>(n)));
  }
  t.length = std::min(t.length, h);
  const int travel = h - t.length;
  const int64_t along = static_cast<int64_t>(si.position) - si.minimum;
  const int64_t over = n - si.page;
  int top = 0;
  if (over > 0 && over <= INT_MAX) {
    top = std::max(0, layout::mulDiv(travel, clampToInt(along), static_cast<int>(over)));
  }
  t.top = std::min(travel, top);
  return t;
}

Rect thumbRect(int clientWidth, const Thumb& thumb, int dpi) {
  const int in = layout::scale(2, dpi);
  return {in, thumb.top + in, clientWidth - in, thumb.top + thumb.length - in};
}

int pagingDirection(int y, const Thumb& thumb) {
  if (y < thumb.top) return -1;
  if (y >= thumb.top + thumb.length) return 1;
  return 0;
}

int dragPosition(int y, int offset, int clientHeight, const Thumb& thumb, const ScrollInfo& si) {
  const int64_t travel = static_cast<int64_t>(clientHeight) - thumb.length;
  if (travel <= 0) return si.position;  // the thumb fills the window: nothing to drag along
  const int64_t moved = std::clamp<int64_t>(static_cast<int64_t>(y) - offset, 0, travel);
  const int64_t rows = static_cast<int64_t>(si.maximum) - si.page - si.minimum + 1;
  const int64_t p = si.minimum + (travel / 2 + rows * moved) / travel;
  const int64_t last =
      std::max<int64_t>(si.minimum, static_cast<int64_t>(si.maximum) - si.page + 1);
  return clampToInt(std::clamp<int64_t>(p, si.minimum, last));
}

uint32_t scrollThumbColour(const Palette& p, bool dragging, bool hover) {
  if (dragging) return p.scrollThumbDragging;
  if (hover) return p.scrollThumbHover;
  return p.scrollThumb;
}

}  // namespace draw
