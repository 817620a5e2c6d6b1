// The buttons' glyphs as shapes, for systems without an icon font (Wine has neither Segoe
// face): triangles, bars, arrows and window symbols on a 16 x 16 grid, the icon font's size at
// 96 DPI, scaled with the DPI. Portable: no platform headers; the shell only fills them.
#pragma once

#include <string_view>
#include <vector>

#include "ui/draw_math.h"

namespace draw {

constexpr int kGlyphGrid = 16;

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct GlyphShapes {
  std::vector<Rect> rects;                   // solid fills
  std::vector<std::vector<Point>> polygons;  // filled without an outline, as GDI fills them
  bool empty() const { return rects.empty() && polygons.empty(); }
};

// The shapes that stand for an icon-font glyph (a button's text), in an S(16) square centred
// in the button and moved down by S(1) while pressed, as the font's text would be. Empty for
// a text that is not one of the buttons' glyphs.
GlyphShapes glyphShapes(std::wstring_view glyph, const Rect& button, int dpi, bool pressed);

}  // namespace draw
