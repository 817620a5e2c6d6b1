#include "ui/glyph_shapes.h"

#include <algorithm>

#include "ui/layout.h"

namespace draw {
namespace {

// The icon font's code points for the buttons.
constexpr wchar_t kOpenFolder = 0xE838;
constexpr wchar_t kPrevious = 0xE892;
constexpr wchar_t kPlay = 0xE768;
constexpr wchar_t kPause = 0xE769;
constexpr wchar_t kNext = 0xE893;
constexpr wchar_t kShuffle = 0xE8B1;
constexpr wchar_t kRepeatAll = 0xE8EE;
constexpr wchar_t kRepeatOne = 0xE8ED;
constexpr wchar_t kTopmost = 0xE718;
constexpr wchar_t kToMini = 0xE73F;
constexpr wchar_t kToFull = 0xE740;
constexpr wchar_t kList = 0xE8FD;

// A glyph in grid units: solid bars, outlines one unit thick, and filled polygons. Each is
// drawn so that its bounding box is centred on the grid, as the font centres its glyphs.
struct Bar {
  int x, y, w, h;
};
struct Design {
  std::vector<Bar> bars;
  std::vector<Bar> outlines;
  std::vector<std::vector<Point>> polygons;
};

Design previousDesign() { return {{{2, 3, 2, 10}}, {}, {{{14, 3}, {4, 8}, {14, 13}}}}; }

Design mirrored(Design d) {
  for (Bar& b : d.bars) b.x = kGlyphGrid - b.x - b.w;
  for (Bar& b : d.outlines) b.x = kGlyphGrid - b.x - b.w;
  for (auto& polygon : d.polygons) {
    for (Point& p : polygon) p.x = kGlyphGrid - p.x;
  }
  return d;
}

// A loop of two bent bars, each ending in an arrowhead: right along the top, left along the
// bottom.
Design repeatDesign() {
  return {{{2, 2, 10, 2}, {2, 2, 2, 6}, {4, 12, 10, 2}, {12, 8, 2, 6}},
          {},
          {{{11, 0}, {15, 3}, {11, 6}}, {{5, 10}, {1, 13}, {5, 16}}}};
}

Design design(wchar_t glyph) {
  switch (glyph) {
    case kOpenFolder:
      return {{}, {}, {{{1, 3}, {6, 3}, {8, 5}, {15, 5}, {15, 13}, {1, 13}}}};
    case kPrevious:
      return previousDesign();
    case kNext:
      return mirrored(previousDesign());
    case kPlay:
      return {{}, {}, {{{3, 2}, {13, 8}, {3, 14}}}};
    case kPause:
      return {{{4, 2, 3, 12}, {9, 2, 3, 12}}, {}, {}};
    case kShuffle:
      // Two paths that cross, each from a tail on the left to an arrowhead on the right.
      return {{},
              {},
              {{{0, 3}, {4, 3}, {10, 11}, {11, 11}, {11, 13}, {9, 13}, {3, 5}, {0, 5}},
               {{0, 13}, {4, 13}, {10, 5}, {11, 5}, {11, 3}, {9, 3}, {3, 11}, {0, 11}},
               {{11, 9}, {16, 12}, {11, 15}},
               {{11, 7}, {16, 4}, {11, 1}}}};
    case kRepeatAll:
      return repeatDesign();
    case kRepeatOne: {
      // The loop with a "1" inside.
      Design d = repeatDesign();
      d.bars.push_back({7, 5, 2, 6});
      d.polygons.push_back({{5, 7}, {7, 5}, {7, 7}});
      return d;
    }
    case kTopmost:
      // A window in front of another.
      return {{{5, 5, 10, 10}}, {{1, 1, 10, 10}}, {}};
    case kToMini:
      // A window with a small one in its lower corner.
      return {{{3, 8, 6, 4}}, {{1, 2, 14, 12}}, {}};
    case kToFull:
      // A whole window with its title bar.
      return {{{1, 2, 14, 3}}, {{1, 2, 14, 12}}, {}};
    case kList:
      return {
          {{1, 3, 2, 2}, {1, 7, 2, 2}, {1, 11, 2, 2}, {5, 3, 10, 2}, {5, 7, 10, 2}, {5, 11, 10, 2}},
          {},
          {}};
    default:
      return {};
  }
}

}  // namespace

GlyphShapes glyphShapes(std::wstring_view glyph, const Rect& button, int dpi, bool pressed) {
  GlyphShapes out;
  if (glyph.size() != 1) return out;
  const Design d = design(glyph[0]);
  auto s = [dpi](int n) { return layout::scale(n, dpi); };
  const int box = s(kGlyphGrid);
  const int x = button.left + (button.width() - box) / 2;
  const int y = button.top + (button.height() - box) / 2 + (pressed ? s(1) : 0);
  // Position and size are scaled apart, so that bars of one width stay alike.
  auto place = [&](const Bar& b) {
    const int left = x + s(b.x), top = y + s(b.y);
    return Rect{left, top, left + s(b.w), top + s(b.h)};
  };

  for (const Bar& b : d.bars) out.rects.push_back(place(b));
  std::vector<Fill> frame;
  for (const Bar& b : d.outlines) frameBars(place(b), std::max(1, s(1)), 0, frame);
  for (const Fill& f : frame) out.rects.push_back(f.rect);
  for (const auto& polygon : d.polygons) {
    std::vector<Point> points;
    for (const Point& p : polygon) points.push_back({x + s(p.x), y + s(p.y)});
    out.polygons.push_back(std::move(points));
  }
  return out;
}

}  // namespace draw
