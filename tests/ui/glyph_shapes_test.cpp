#include "ui/glyph_shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "ui/layout.h"

using namespace draw;

namespace {

const std::wstring kGlyphs[] = {L"\xE838", L"\xE892", L"\xE768", L"\xE769", L"\xE893", L"\xE8B1",
                                L"\xE8EE", L"\xE8ED", L"\xE718", L"\xE73F", L"\xE740", L"\xE8FD"};

Rect bounds(const GlyphShapes& g) {
  Rect b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  auto grow = [&](int x0, int y0, int x1, int y1) {
    b = {std::min(b.left, x0), std::min(b.top, y0), std::max(b.right, x1), std::max(b.bottom, y1)};
  };
  for (const Rect& r : g.rects) grow(r.left, r.top, r.right, r.bottom);
  for (const auto& polygon : g.polygons) {
    for (const Point& p : polygon) grow(p.x, p.y, p.x, p.y);
  }
  return b;
}

TEST(GlyphShapes, EveryGlyphIsCentredInItsScaledBoxAndFollowsThePress) {
  for (int dpi : {96, 144, 192}) {
    const int box = dpi * kGlyphGrid / 96;
    for (const Rect& button : {Rect{10, 20, 10 + dpi * 36 / 96, 20 + dpi * 30 / 96},
                               Rect{0, 0, dpi * 26 / 96, dpi * 26 / 96}}) {
      const int cx2 = button.left + button.right, cy2 = button.top + button.bottom;
      for (const std::wstring& glyph : kGlyphs) {
        const GlyphShapes g = glyphShapes(glyph, button, dpi, false);
        ASSERT_FALSE(g.empty()) << dpi;
        const Rect b = bounds(g);
        EXPECT_LE(b.width(), box);
        EXPECT_LE(b.height(), box);
        EXPECT_GE(std::max(b.width(), b.height()), box * 10 / 16) << std::hex << int(glyph[0]);
        // Centred to within a pixel at 96 DPI, the rounding of S() beyond.
        EXPECT_LE(std::abs(b.left + b.right - cx2), dpi / 48) << std::hex << int(glyph[0]);
        EXPECT_LE(std::abs(b.top + b.bottom - cy2), dpi / 48) << std::hex << int(glyph[0]);
        for (const Rect& r : g.rects) EXPECT_FALSE(r.empty());
        for (const auto& polygon : g.polygons) EXPECT_GE(polygon.size(), 3u);

        const GlyphShapes pressed = glyphShapes(glyph, button, dpi, true);
        const Rect p = bounds(pressed);
        EXPECT_EQ(p.left, b.left);
        EXPECT_EQ(p.top - b.top, layout::scale(1, dpi));
        EXPECT_EQ(p.height(), b.height());
      }
    }
  }
}

TEST(GlyphShapes, PairsDifferWhereTheButtonsDo) {
  const Rect button{0, 0, 36, 30};
  // Next is previous turned around; repeat one is the loop with something inside.
  const GlyphShapes previous = glyphShapes(L"\xE892", button, 96, false);
  const GlyphShapes next = glyphShapes(L"\xE893", button, 96, false);
  ASSERT_EQ(previous.rects.size(), 1u);
  ASSERT_EQ(next.rects.size(), 1u);
  EXPECT_EQ(previous.rects[0].left - 10, 26 - next.rects[0].right);
  EXPECT_EQ(previous.polygons[0][1].x - 10, 26 - next.polygons[0][1].x);
  const GlyphShapes all = glyphShapes(L"\xE8EE", button, 96, false);
  const GlyphShapes one = glyphShapes(L"\xE8ED", button, 96, false);
  EXPECT_GT(one.rects.size(), all.rects.size());
  EXPECT_GT(one.polygons.size(), all.polygons.size());

  // Outlines stay at least a pixel and grow with the DPI.
  const GlyphShapes top = glyphShapes(L"\xE718", {0, 0, 39, 39}, 144, false);
  int thinnest = INT_MAX;
  for (const Rect& r : top.rects) thinnest = std::min({thinnest, r.width(), r.height()});
  EXPECT_EQ(thinnest, 2);

  // A text that is not a glyph of the buttons draws nothing: the font's text is used.
  EXPECT_TRUE(glyphShapes(L"", button, 96, false).empty());
  EXPECT_TRUE(glyphShapes(L"W", button, 96, false).empty());
  EXPECT_TRUE(glyphShapes(L"\xE768\xE769", button, 96, false).empty());
}

}  // namespace
