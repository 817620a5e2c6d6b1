#include "ui/draw_math.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/palette.h"

using namespace draw;

namespace {

// A distinct colour for every system colour index, so that a role taken from the wrong index
// shows.
uint32_t fakeSystemColour(int index) { return 0x0F000000u | (0x010101u * (index + 1)); }
uint32_t sys(int index) { return fakeSystemColour(index) & 0xFFFFFF; }

bool covers(const Fill& f, int x, int y) {
  return x >= f.rect.left && x < f.rect.right && y >= f.rect.top && y < f.rect.bottom;
}
// The colour the last fill covering (x, y) leaves there, or -1.
int64_t colourAt(const std::vector<Fill>& fills, int x, int y) {
  int64_t colour = -1;
  for (const Fill& f : fills)
    if (covers(f, x, y)) colour = f.colour;
  return colour;
}

TEST(Palette, FixedColoursAreInColourRefOrder) {
  const Palette p = fixedPalette();
  EXPECT_FALSE(p.highContrast);
  EXPECT_EQ(p.background, 0x0018331Au);  // #1A3318
  EXPECT_EQ(p.accent, 0x0027A2C9u);      // #C9A227
  EXPECT_EQ(p.listOdd, 0x00203A23u);     // #233A20
  EXPECT_EQ(p.scrollThumbDragging, 0x0023869Du);
  EXPECT_EQ(p.listEven, p.background);
}

TEST(Palette, HighContrastTakesEverySystemColour) {
  const Palette p = highContrastPalette(fakeSystemColour);
  EXPECT_TRUE(p.highContrast);
  const uint32_t window = sys(5), windowText = sys(8), highlight = sys(13), highlightText = sys(14),
                 grayText = sys(17), hotLight = sys(26);
  const std::vector<std::pair<uint32_t, uint32_t>> roles = {{p.background, window},
                                                            {p.text, windowText},
                                                            {p.accent, windowText},
                                                            {p.brightAccent, hotLight},
                                                            {p.pressed, highlight},
                                                            {p.timeText, windowText},
                                                            {p.muted, windowText},
                                                            {p.innerFrame, grayText},
                                                            {p.frameCorner, windowText},
                                                            {p.toggleBackground, highlight},
                                                            {p.toggleGlyph, highlightText},
                                                            {p.thumbUpper, windowText},
                                                            {p.thumbLower, windowText},
                                                            {p.thumbHot, windowText},
                                                            {p.focus, windowText},
                                                            {p.listEven, window},
                                                            {p.listOdd, window},
                                                            {p.listText, windowText},
                                                            {p.currentText, windowText},
                                                            {p.currentMarker, highlight},
                                                            {p.selectedBackground, highlight},
                                                            {p.selectedText, highlightText},
                                                            {p.unavailableText, grayText},
                                                            {p.scrollTrack, window},
                                                            {p.scrollThumb, grayText},
                                                            {p.scrollThumbHover, windowText},
                                                            {p.scrollThumbDragging, highlight}};
  for (size_t i = 0; i < roles.size(); ++i) EXPECT_EQ(roles[i].first, roles[i].second) << i;
  // Every role is listed above: the struct holds nothing else but the flag.
  EXPECT_EQ(sizeof(Palette), roles.size() * sizeof(uint32_t) + sizeof(uint32_t));
}

TEST(Palette, BlendRoundsEachChannelToNearest) {
  EXPECT_EQ(blend(0x000000, 0x0000FF, 0.5), 0x000080u);  // 127.5 rounds up
  EXPECT_EQ(blend(0x0000FF, 0x000000, 0.5), 0x000080u);
  EXPECT_EQ(blend(0x00102030, 0x00305070, 0.25), 0x00182C40u);  // 44.5 + 0.5 truncates to 44
  EXPECT_EQ(blend(0x123456, 0xABCDEF, 0), 0x123456u);
  EXPECT_EQ(blend(0x123456, 0xABCDEF, 1), 0xABCDEFu);
  EXPECT_EQ(blend(0x123456, 0xABCDEF, 7), 0xABCDEFu);  // t beyond 1 is taken as 1
  EXPECT_EQ(blend(0x123456, 0xABCDEF, -1), 0x123456u);
  const Palette p = fixedPalette();
  EXPECT_EQ(blend(p.background, p.accent, 0.6), colourFromHex(0x837621));
}

TEST(Buttons, StatesPickTheirColours) {
  const Palette p = fixedPalette();
  const ButtonColours normal = buttonColours(p, {});
  EXPECT_EQ(normal.background, p.background);
  EXPECT_EQ(normal.glyph, p.accent);
  EXPECT_EQ(normal.border, blend(p.background, p.accent, 0.6));
  EXPECT_EQ(normal.focus, p.focus);

  const ButtonColours disabled = buttonColours(p, {.disabled = true, .toggleActive = true});
  EXPECT_EQ(disabled.background, p.background);
  EXPECT_EQ(disabled.glyph, blend(p.background, p.accent, 0.4));
  EXPECT_EQ(disabled.border, blend(p.background, normal.border, 0.5));

  // Pressed wins over toggle-active and hover.
  const ButtonColours pressed =
      buttonColours(p, {.pressed = true, .toggleActive = true, .hovered = true});
  EXPECT_EQ(pressed.background, p.pressed);
  EXPECT_EQ(pressed.glyph, p.text);
  EXPECT_EQ(pressed.border, p.brightAccent);
  EXPECT_EQ(pressed.focus, p.toggleGlyph);

  const ButtonColours toggle = buttonColours(p, {.toggleActive = true});
  EXPECT_EQ(toggle.background, p.toggleBackground);
  EXPECT_EQ(toggle.glyph, p.toggleGlyph);
  EXPECT_EQ(toggle.border, p.brightAccent);
  EXPECT_EQ(buttonColours(p, {.toggleActive = true, .hovered = true}).background, p.brightAccent);

  const ButtonColours hovered = buttonColours(p, {.hovered = true});
  EXPECT_EQ(hovered.background, blend(p.background, p.accent, 0.14));
  EXPECT_EQ(hovered.glyph, p.brightAccent);
  EXPECT_EQ(hovered.border, p.brightAccent);

  const Palette hc = highContrastPalette(fakeSystemColour);
  EXPECT_EQ(buttonColours(hc, {}).border, hc.muted);
}

TEST(TitleLine, SplitsAtTheFirstSuffixAndLimitsTheRest) {
  EXPECT_EQ(titleSplit(L"Book - Ch 1 - Ch 1", L" - Ch 1"), 4u);
  EXPECT_EQ(titleSplit(L"Book", L""), std::wstring_view::npos);
  EXPECT_EQ(titleSplit(L"Book", L" - Ch 1"), std::wstring_view::npos);

  const Rect label{10, 5, 210, 25};
  // The rest gets at most half the label; the first part gives way to it.
  TitleParts parts = titleParts(label, 150, 120);
  EXPECT_EQ(parts.first, (Rect{10, 5, 110, 25}));
  EXPECT_EQ(parts.rest, (Rect{110, 5, 210, 25}));
  // Short texts: the rest follows the first part directly and runs to the right edge.
  parts = titleParts(label, 50, 30);
  EXPECT_EQ(parts.first, (Rect{10, 5, 60, 25}));
  EXPECT_EQ(parts.rest, (Rect{60, 5, 210, 25}));
  // A label of no width gives empty parts, never reversed ones.
  parts = titleParts({10, 5, 10, 25}, 50, 30);
  EXPECT_TRUE(parts.first.empty());
  EXPECT_TRUE(parts.rest.empty());
  EXPECT_GE(parts.rest.right, parts.rest.left);
}

TEST(Trackbar, DisabledBarIsAllMuted) {
  const Palette p = fixedPalette();
  const TrackbarColours off = trackbarColours(p, false, true);
  for (uint32_t c :
       {off.thumbUpper, off.thumbLower, off.thumbFrame, off.played, off.unplayed, off.tick})
    EXPECT_EQ(c, p.muted);
  std::vector<Fill> fills;
  const Rect thumb{10, 0, 17, 18};
  thumbFills(thumb, off, false, fills);
  channelFills({0, 20, 100, 24}, 13, off, 96, fills);
  for (const Fill& f : fills) EXPECT_EQ(f.colour, p.muted);
  EXPECT_EQ(fills.size(), 3u);  // one thumb block, both channel halves
}

TEST(Trackbar, EnabledThumbHalvesChannelAndHotFrame) {
  const Palette p = fixedPalette();
  const TrackbarColours on = trackbarColours(p, true, false);
  const TrackbarColours hot = trackbarColours(p, true, true);
  EXPECT_EQ(hot.thumbUpper, p.thumbHot);
  EXPECT_EQ(hot.thumbLower, p.thumbUpper);
  EXPECT_EQ(hot.thumbFrame, p.text);
  EXPECT_EQ(on.thumbFrame, p.thumbHot);
  EXPECT_EQ(trackbarColours(highContrastPalette(fakeSystemColour), true, true).thumbFrame, sys(8));

  // S(7) x min(S(18), height), centred in the control's thumb rectangle.
  EXPECT_EQ(trackbarThumb({100, 2, 111, 30}, 96), (Rect{102, 7, 109, 25}));
  EXPECT_EQ(trackbarThumb({100, 2, 111, 12}, 96), (Rect{102, 2, 109, 12}));
  EXPECT_EQ(trackbarThumb({100, 0, 120, 40}, 144).width(), 11);  // S(7) at 144 DPI

  std::vector<Fill> fills;
  const Rect thumb{0, 0, 7, 18};
  thumbFills(thumb, on, true, fills);
  EXPECT_EQ(colourAt(fills, 3, 4), p.thumbUpper);
  EXPECT_EQ(colourAt(fills, 3, 12), p.thumbLower);
  EXPECT_EQ(colourAt(fills, 0, 9), p.thumbHot);  // frame
  EXPECT_EQ(colourAt(fills, 3, 17), p.thumbHot);

  fills.clear();
  channelFills({10, 20, 110, 30}, 60, on, 96, fills);
  EXPECT_EQ(colourAt(fills, 59, 24), p.accent);
  EXPECT_EQ(colourAt(fills, 60, 25), p.muted);
  EXPECT_EQ(colourAt(fills, 60, 26), -1);  // 2 pixels tall around the middle (25)
  EXPECT_EQ(colourAt(fills, 60, 23), -1);
  // A thumb centre outside the channel never makes a reversed bar.
  fills.clear();
  channelFills({10, 20, 110, 30}, 500, on, 96, fills);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].rect, (Rect{10, 24, 110, 26}));

  EXPECT_EQ(tickMark(40, {10, 20, 110, 30}, 96), (Rect{40, 33, 41, 38}));
  EXPECT_FALSE(drawsTicks(2));
  EXPECT_TRUE(drawsTicks(3));
}

TEST(Trackbar, ClickToPositionClampsToTheSpan) {
  const Rect channel{10, 20, 210, 24};  // span 15..205 with a 10-pixel thumb
  EXPECT_EQ(clickPosition(0, channel, 10, 0, 100), 0);
  EXPECT_EQ(clickPosition(15, channel, 10, 0, 100), 0);
  EXPECT_EQ(clickPosition(205, channel, 10, 0, 100), 100);
  EXPECT_EQ(clickPosition(1000, channel, 10, 0, 100), 100);
  EXPECT_EQ(clickPosition(110, channel, 10, 0, 100), 50);
  EXPECT_EQ(clickPosition(110, channel, 10, 0, 10000), 5000);
  EXPECT_EQ(clickPosition(16, channel, 10, 0, 10000), 53);  // MulDiv rounds 52.6
  EXPECT_EQ(clickPosition(110, channel, 10, 20, 120), 70);
  // A channel no wider than the thumb has no span: nothing moves.
  EXPECT_EQ(clickPosition(12, {10, 20, 20, 24}, 10, 0, 100), std::nullopt);
  EXPECT_EQ(clickPosition(12, {10, 20, 15, 24}, 10, 0, 100), std::nullopt);
}

TEST(Trackbar, ChapterTicksSkipTheEnds) {
  // 1000 s at 1000 Hz: 1 tick = 100 ms.
  const uint64_t total = 1000000;
  EXPECT_EQ(chapterTicks({0, 500000, 1000000}, 1000, total), (std::vector<int>{5000}));
  EXPECT_EQ(chapterTicks({49, 50, 999949, 999950}, 1000, total), (std::vector<int>{1, 9999}));
  EXPECT_EQ(chapterTicks({2000000, 4294967295u}, 1000, total), std::vector<int>{});
  // 44.1 kHz: 60 s into a 120 s track is the middle.
  EXPECT_EQ(chapterTicks({60000}, 44100, 44100ull * 120), (std::vector<int>{5000}));
  EXPECT_TRUE(chapterTicks({500}, 0, total).empty());
  EXPECT_TRUE(chapterTicks({500}, 1000, 0).empty());
}

TEST(ListRows, ColoursFollowTheRowState) {
  const Palette p = fixedPalette();
  EXPECT_EQ(rowColours(p, {}).background, p.listEven);
  EXPECT_EQ(rowColours(p, {.odd = true}).background, p.listOdd);
  EXPECT_EQ(rowColours(p, {.odd = true}).text, p.listText);
  EXPECT_FALSE(rowColours(p, {.odd = true}).postPaint);

  const RowColours selected = rowColours(p, {.selected = true, .odd = true});
  EXPECT_EQ(selected.background, p.selectedBackground);
  EXPECT_EQ(selected.text, p.selectedText);

  const RowColours current = rowColours(p, {.current = true});
  EXPECT_TRUE(current.bold);
  EXPECT_TRUE(current.postPaint);
  EXPECT_EQ(current.text, p.currentText);
  EXPECT_EQ(rowColours(p, {.selected = true, .current = true}).text, p.selectedText);
  EXPECT_EQ(rowColours(p, {.selected = true, .current = true, .unavailable = true}).text,
            p.unavailableText);
  EXPECT_TRUE(rowColours(p, {.focused = true}).postPaint);
  EXPECT_EQ(rowColours(p, {.focused = true}).focusFrame, p.focus);
  EXPECT_EQ(rowColours(p, {.selected = true, .focused = true}).focusFrame, p.selectedText);

  std::vector<Fill> fills;
  const Rect row{0, 40, 300, 60};
  rowPostPaintFills(p, {.current = true, .focused = true}, row, 144, fills);
  EXPECT_EQ(colourAt(fills, 4, 50), p.currentMarker);  // S(3) = 5 at 144 DPI
  EXPECT_EQ(colourAt(fills, 5, 50), -1);
  EXPECT_EQ(colourAt(fills, 150, 42), p.focus);  // the frame inset by S(1) = 2
  EXPECT_EQ(colourAt(fills, 150, 41), -1);
  EXPECT_EQ(colourAt(fills, 297, 50), p.focus);
  fills.clear();
  rowPostPaintFills(p, {}, row, 96, fills);
  EXPECT_TRUE(fills.empty());
}

TEST(WindowPainting, OrnamentFramesCornersAndRule) {
  const Palette p = fixedPalette();
  std::vector<Fill> fills;
  // 96 DPI, 420 wide, R = 26, compact height 108.
  ornamentFills(p, 420, 26, 108, 96, fills);
  EXPECT_EQ(colourAt(fills, 2, 2), p.frameCorner);
  EXPECT_EQ(colourAt(fills, 13, 3), p.frameCorner);     // S(12) along the top
  EXPECT_EQ(colourAt(fills, 14, 2), p.muted);           // then the outer frame
  EXPECT_EQ(colourAt(fills, 417, 105), p.frameCorner);  // bottom right
  EXPECT_EQ(colourAt(fills, 417, 94), p.frameCorner);
  EXPECT_EQ(colourAt(fills, 417, 93), p.muted);
  EXPECT_EQ(colourAt(fills, 5, 50), p.innerFrame);  // inset by a further S(3)
  EXPECT_EQ(colourAt(fills, 1, 50), -1);
  EXPECT_EQ(colourAt(fills, 6, 50), -1);

  // The rule at y = R + S(4)/2 + S(8) - 1 = 35, from 8 to 8 + (1260 - 48) / 5 = 250.
  EXPECT_EQ(colourAt(fills, 8, 35), p.pressed);
  EXPECT_EQ(colourAt(fills, 7, 35), -1);
  EXPECT_EQ(colourAt(fills, 8, 34), -1);
  EXPECT_EQ(colourAt(fills, 8, 36), -1);
  EXPECT_EQ(colourAt(fills, 11, 35), blend(p.pressed, p.background, 3.0 / 242));
  EXPECT_EQ(colourAt(fills, 249, 35), blend(p.pressed, p.background, 240.0 / 242));
  EXPECT_EQ(colourAt(fills, 250, 35), -1);

  fills.clear();
  ornamentFills(highContrastPalette(fakeSystemColour), 420, 26, 108, 96, fills);
  EXPECT_EQ(colourAt(fills, 100, 35), sys(8));
  EXPECT_EQ(colourAt(fills, 5, 50), sys(17));

  // Too narrow for a rule or an inner frame: nothing reversed, nothing outside.
  fills.clear();
  ornamentFills(p, 6, 26, 108, 96, fills);
  for (const Fill& f : fills) {
    EXPECT_FALSE(f.rect.empty());
    EXPECT_GE(f.rect.left, 0);
  }

  fills.clear();
  miniBorderFills(p, {0, 0, 300, 38}, 96, fills);
  EXPECT_EQ(colourAt(fills, 0, 20), p.muted);
  EXPECT_EQ(colourAt(fills, 299, 37), p.muted);
  EXPECT_EQ(colourAt(fills, 1, 1), -1);
}

TEST(ScrollWindow, ThumbVisibility) {
  EXPECT_TRUE(thumbVisible(true, {0, 99, 20, 0}));
  EXPECT_FALSE(thumbVisible(false, {0, 99, 20, 0}));
  EXPECT_FALSE(thumbVisible(true, {0, 9, 20, 0}));   // fewer rows than fit
  EXPECT_FALSE(thumbVisible(true, {0, 19, 20, 0}));  // exactly a page
  EXPECT_FALSE(thumbVisible(true, {0, 99, 0, 0}));
  EXPECT_FALSE(thumbVisible(true, {0, -1, 20, 0}));  // an empty list
  EXPECT_FALSE(thumbVisible(true, {0, 99, -5, 0}));
  EXPECT_TRUE(thumbVisible(true, {-2147483647 - 1, 2147483647, 20, 0}));
}

TEST(ScrollWindow, LongListsKeepAUsableThumb) {
  const ScrollInfo rows{0, 9999, 20, 0};
  Thumb t = thumbGeometry(300, rows, 96);
  EXPECT_EQ(t.length, 24);
  EXPECT_EQ(t.top, 0);
  EXPECT_EQ(thumbGeometry(450, rows, 144).length, 36);
  t = thumbGeometry(300, {0, 9999, 20, 9980}, 96);
  EXPECT_EQ(t.top, 276);
  EXPECT_EQ(thumbGeometry(300, {0, 9999, 20, 4990}, 96).top, 138);
  // Proportional when the list is short; never longer than the window.
  EXPECT_EQ(thumbGeometry(300, {0, 99, 50, 0}, 96).length, 150);
  EXPECT_EQ(thumbGeometry(300, {0, 99, 50, 50}, 96).top, 150);
  EXPECT_EQ(thumbGeometry(10, rows, 96).length, 10);
  // A range beyond 32 bits takes the whole height.
  t = thumbGeometry(300, {-2147483647 - 1, 2147483647, 20, 5}, 96);
  EXPECT_EQ(t.length, 300);
  EXPECT_EQ(t.top, 0);
  // A position past the end keeps the thumb inside.
  EXPECT_EQ(thumbGeometry(300, {0, 99, 50, 5000}, 96).top, 150);

  EXPECT_EQ(thumbRect(12, {100, 24}, 96), (Rect{2, 102, 10, 122}));
  EXPECT_EQ(pagingDirection(99, {100, 24}), -1);
  EXPECT_EQ(pagingDirection(100, {100, 24}), 0);
  EXPECT_EQ(pagingDirection(123, {100, 24}), 0);
  EXPECT_EQ(pagingDirection(124, {100, 24}), 1);
}

TEST(ScrollWindow, DraggingClampsAtBothEnds) {
  const ScrollInfo rows{0, 9999, 20, 300};
  const Thumb t = thumbGeometry(300, rows, 96);  // travel 276
  EXPECT_EQ(dragPosition(-500, 10, 300, t, rows), 0);
  EXPECT_EQ(dragPosition(10, 10, 300, t, rows), 0);
  EXPECT_EQ(dragPosition(286, 10, 300, t, rows), 9980);
  EXPECT_EQ(dragPosition(5000, 10, 300, t, rows), 9980);
  EXPECT_EQ(dragPosition(148, 10, 300, t, rows), 4990);  // (138 + 9980 x 138) / 276

  const ScrollInfo shifted{5, 104, 50, 5};
  const Thumb s = thumbGeometry(300, shifted, 96);  // 150 long, travel 150
  EXPECT_EQ(dragPosition(0, 0, 300, s, shifted), 5);
  EXPECT_EQ(dragPosition(300, 0, 300, s, shifted), 55);
  EXPECT_EQ(dragPosition(75, 0, 300, s, shifted), 30);

  // A thumb that fills the window has nowhere to go.
  EXPECT_EQ(dragPosition(100, 0, 300, {0, 300}, {0, 99, 50, 7}), 7);
  EXPECT_EQ(dragPosition(100, 0, 0, {0, 0}, {0, 99, 50, 7}), 7);

  const Palette p = fixedPalette();
  EXPECT_EQ(scrollThumbColour(p, true, true), p.scrollThumbDragging);
  EXPECT_EQ(scrollThumbColour(p, false, true), p.scrollThumbHover);
  EXPECT_EQ(scrollThumbColour(p, false, false), p.scrollThumb);
}

TEST(Frames, BarsSkipWhatIsEmpty) {
  std::vector<Fill> fills;
  frameBars({0, 0, 10, 10}, 2, 7, fills);
  EXPECT_EQ(fills.size(), 4u);
  EXPECT_EQ(colourAt(fills, 5, 1), 7);
  EXPECT_EQ(colourAt(fills, 5, 5), -1);
  fills.clear();
  frameBars({0, 0, 0, 10}, 2, 7, fills);
  EXPECT_TRUE(fills.empty());
  frameBars({0, 0, 3, 3}, 2, 7, fills);
  for (const Fill& f : fills) EXPECT_FALSE(f.rect.empty());
}

}  // namespace
