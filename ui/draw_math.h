// The arithmetic of the window's own drawing: which colours a control's state takes, where
// the trackbar's thumb, channel and ticks go, the ornament, the title line's split and the
// thin scroll window's thumb. Portable: no platform headers; the shell only fills what this
// computes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "ui/palette.h"

namespace draw {

// Client-area rectangle, as RECT: right and bottom exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// One solid fill.
struct Fill {
  Rect rect;
  uint32_t colour = 0;
};

// The four bars of width w inside r, each only if non-empty.
void frameBars(const Rect& r, int w, uint32_t colour, std::vector<Fill>& out);
Rect inset(const Rect& r, int dx, int dy);

// Glyph buttons.
struct ButtonState {
  bool disabled = false;
  bool pressed = false;
  bool toggleActive = false;
  bool hovered = false;
};
struct ButtonColours {
  uint32_t background = 0;
  uint32_t glyph = 0;
  uint32_t border = 0;
  uint32_t focus = 0;  // the focus frame
};
ButtonColours buttonColours(const Palette& p, const ButtonState& state);

// The title line: the text splits at the first occurrence of a non-empty suffix. npos when
// it does not split.
size_t titleSplit(std::wstring_view title, std::wstring_view suffix);
struct TitleParts {
  Rect first;  // text font, main text colour
  Rect rest;   // italic font, accent colour
};
// From the label's rectangle and the measured widths of both parts.
TitleParts titleParts(const Rect& label, int firstWidth, int restWidth);

// Trackbars.
struct TrackbarColours {
  uint32_t thumbUpper = 0;
  uint32_t thumbLower = 0;
  uint32_t thumbFrame = 0;
  uint32_t played = 0;    // channel left of the thumb's centre
  uint32_t unplayed = 0;  // channel right of it
  uint32_t tick = 0;
};
// hot: the thumb is hot or selected (being dragged).
TrackbarColours trackbarColours(const Palette& p, bool enabled, bool hot);
// Where the common trackbar (horizontal, thumb below, no ticks) puts its channel and its thumb
// rectangle in a client area of this size, with the thumb length it takes by default: what
// the first frame draws before the bar exists.
struct TrackbarParts {
  Rect channel;
  Rect thumb;
};
TrackbarParts trackbarParts(int width, int height, int position, int minimum, int maximum);
// The drawn thumb: S(7) wide, min(S(18), height) tall, centred in the control's thumb rectangle.
Rect trackbarThumb(const Rect& thumbRect, int dpi);
// Fills for the thumb: upper and lower halves and the frame, or one muted block when disabled.
void thumbFills(const Rect& thumb, const TrackbarColours& c, bool enabled, std::vector<Fill>& out);
// The channel bar: 2 x max(1, S(1)) tall on the channel's vertical middle, split at the
// thumb's centre (kept within the channel).
void channelFills(const Rect& channel, int thumbCentreX, const TrackbarColours& c, int dpi,
                  std::vector<Fill>& out);
// An interior tick's mark: S(1) x S(5) with its left at x, S(3) below the channel.
Rect tickMark(int x, const Rect& channel, int dpi);
// The ticks are drawn only for more than the two end ticks.
inline bool drawsTicks(int tickCount) { return tickCount > 2; }

// Click-to-position: the bar position for a click at x, or none when the usable span (channel
// less half a thumb at each end) is empty.
std::optional<int> clickPosition(int x, const Rect& channel, int thumbWidth, int minimum,
                                 int maximum);

// The seek bar's ticks (0..10000) for chapter starts; only those in 1..9999 are kept.
constexpr int kSeekRange = 10000;
// The seek bar's position for a fraction of the track (kept within 0..1).
int seekPosition(double fraction);
std::vector<int> chapterTicks(const std::vector<uint32_t>& startsMs, uint32_t sampleRate,
                              uint64_t totalFrames);

// List rows.
struct RowState {
  bool selected = false;
  bool odd = false;
  bool current = false;      // the current track's row
  bool unavailable = false;  // a podcast episode that is not playable audio
  bool focused = false;      // shows the keyboard focus
};
struct RowColours {
  uint32_t background = 0;
  uint32_t text = 0;
  bool bold = false;
  bool postPaint = false;
  uint32_t focusFrame = 0;
};
RowColours rowColours(const Palette& p, const RowState& row);
// What the item post-paint adds to a row: the current track's marker, the focus frame.
void rowPostPaintFills(const Palette& p, const RowState& row, const Rect& bounds, int dpi,
                       std::vector<Fill>& out);

// The main window's painting: the mini-mode border, or the full-mode ornament over the top
// panel (client width, title row height and compact height from the layout).
void miniBorderFills(const Palette& p, const Rect& client, int dpi, std::vector<Fill>& out);
void ornamentFills(const Palette& p, int clientWidth, int titleRowHeight, int compactHeight,
                   int dpi, std::vector<Fill>& out);

// The thin scroll window.
struct ScrollInfo {
  int minimum = 0;
  int maximum = 0;
  int page = 0;
  int position = 0;
};
// The list has a vertical scroll bar, a page, and a page smaller than the range.
bool thumbVisible(bool hasScrollBar, const ScrollInfo& s);
struct Thumb {
  int top = 0;
  int length = 0;
};
Thumb thumbGeometry(int clientHeight, const ScrollInfo& s, int dpi);
// The thumb as drawn: inset by S(2) on every side.
Rect thumbRect(int clientWidth, const Thumb& thumb, int dpi);
// -1 above the thumb, +1 below, 0 on it.
int pagingDirection(int y, const Thumb& thumb);
// The list's new top row while the thumb is dragged to y (offset: where in the thumb it was
// taken), kept within [minimum, maximum - page + 1].
int dragPosition(int y, int offset, int clientHeight, const Thumb& thumb, const ScrollInfo& s);
uint32_t scrollThumbColour(const Palette& p, bool dragging, bool hover);

}  // namespace draw
