// The main window's geometry: scaling, mode heights, control rectangles at 96 and 144 DPI,
// tracking limits, and the rules for stored and remembered window rectangles.
#include "ui/layout.h"

#include <gtest/gtest.h>

#include <climits>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using layout::Box;
using layout::Metrics;

Metrics metrics96() { return Metrics{96, 16, 120, 17}; }
Metrics metrics144() { return Metrics{144, 24, 180, 26}; }

SettingsRect rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return SettingsRect{left, top, right, bottom};
}

TEST(LayoutScale, MulDivRoundsHalfAwayFromZeroAndFailsAsTheSystemDoes) {
  EXPECT_EQ(layout::mulDiv(5, 3, 2), 8);
  EXPECT_EQ(layout::mulDiv(-5, 3, 2), -8);
  EXPECT_EQ(layout::mulDiv(5, -3, 2), -8);
  EXPECT_EQ(layout::mulDiv(5, 3, -2), -8);
  EXPECT_EQ(layout::mulDiv(-5, -3, -2), -8);
  EXPECT_EQ(layout::mulDiv(-5, -3, 2), 8);
  EXPECT_EQ(layout::mulDiv(2, 1, 3), 1);
  EXPECT_EQ(layout::mulDiv(1, 1, 3), 0);
  EXPECT_EQ(layout::mulDiv(-1, 1, 3), 0);
  EXPECT_EQ(layout::mulDiv(7, 0, 3), 0);
  EXPECT_EQ(layout::mulDiv(7, 5, 0), -1);
  EXPECT_EQ(layout::mulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(layout::mulDiv(INT_MIN, 1, 1), -1);
  EXPECT_EQ(layout::mulDiv(INT_MIN, -1, 2), 1073741824);
  EXPECT_EQ(layout::mulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);

  // S(n) at the common DPIs, each term rounded on its own.
  EXPECT_EQ(layout::scale(420, 144), 630);
  EXPECT_EQ(layout::scale(480, 144), 720);
  EXPECT_EQ(layout::scale(2, 120), 3);
  EXPECT_EQ(layout::scale(1, 120), 1);
  EXPECT_EQ(layout::scale(26, 120), 33);
  EXPECT_EQ(layout::scale(17, 144), 26);
}

#ifdef _WIN32
TEST(LayoutScale, MulDivAgreesWithTheSystem) {
  const int values[] = {0,  1,  2,   3,    5,     7,       26,      95,
                        96, 97, 255, 1000, 65535, 1 << 20, INT_MAX, INT_MAX - 1};
  for (int a : values) {
    for (int b : values) {
      for (int d : {1, 2, 3, 7, 96, 100, 255, 65536}) {
        for (int sign = 0; sign < 8; ++sign) {
          const int x = (sign & 1) ? -a : a;
          const int y = (sign & 2) ? -b : b;
          const int z = (sign & 4) ? -d : d;
          ASSERT_EQ(layout::mulDiv(x, y, z), MulDiv(x, y, z)) << x << " * " << y << " / " << z;
        }
      }
    }
  }
}
#endif

TEST(LayoutHeights, CompactAndMiniSizesAt96And144Dpi) {
  EXPECT_EQ(layout::titleRowHeight(metrics96()), 26);
  EXPECT_EQ(layout::compactHeight(metrics96()), 108);
  Metrics tall = metrics96();
  tall.textHeight = 30;  // a text taller than the row sets the row
  EXPECT_EQ(layout::titleRowHeight(tall), 30);
  EXPECT_EQ(layout::compactHeight(tall), 112);
  EXPECT_EQ(layout::compactHeight(metrics144()), 162);

  const layout::Size mini96 = layout::miniClientSize(metrics96());
  EXPECT_EQ(mini96.width, 326);
  EXPECT_EQ(mini96.height, 38);
  const layout::Size mini144 = layout::miniClientSize(metrics144());
  EXPECT_EQ(mini144.width, 489);
  EXPECT_EQ(mini144.height, 57);
  // 120 DPI shows the term-by-term rounding: 3 x S(10) is 39, not S(30) = 38.
  const layout::Size mini120 = layout::miniClientSize(Metrics{120, 20, 150, 21});
  EXPECT_EQ(mini120.width, 39 + 75 + 90 + 180 + 6 + 20);
  EXPECT_EQ(mini120.height, 38 + 2 * 5);

  // The default window at 144 DPI.
  EXPECT_EQ(layout::scale(layout::kDefaultWidth, 144), 630);
  EXPECT_EQ(layout::scale(layout::kDefaultHeight, 144), 720);
}

TEST(LayoutTracking, MinimumSizesPerModeAndFixedHeights) {
  const layout::FrameExtent frame{16, 39};
  const layout::TrackingLimits full =
      layout::trackingLimits(metrics96(), layout::Mode::Full, frame);
  EXPECT_EQ(full.minimum.width, 354 + 16);
  EXPECT_EQ(full.minimum.height, 60 + 108 + 39);
  EXPECT_EQ(full.maximumHeight, 0);
  const layout::TrackingLimits hidden =
      layout::trackingLimits(metrics96(), layout::Mode::FullListHidden, frame);
  EXPECT_EQ(hidden.minimum.width, 354 + 16);
  EXPECT_EQ(hidden.minimum.height, 108 + 39);
  EXPECT_EQ(hidden.maximumHeight, hidden.minimum.height);
  const layout::TrackingLimits mini =
      layout::trackingLimits(metrics144(), layout::Mode::Mini, frame);
  EXPECT_EQ(mini.minimum.width, 489 + 16);
  EXPECT_EQ(mini.minimum.height, 57 + 39);
  EXPECT_EQ(mini.maximumHeight, 57 + 39);
}

TEST(LayoutFull, ControlRectanglesAt96Dpi) {
  const layout::FullLayout l = layout::fullLayout(metrics96(), 420, 441, true);
  EXPECT_EQ(l.title, (Box{8, 13, 320, 16}));
  EXPECT_EQ(l.listButton, (Box{330, 8, 26, 26}));
  EXPECT_EQ(l.miniButton, (Box{358, 8, 26, 26}));
  EXPECT_EQ(l.topmostButton, (Box{386, 8, 26, 26}));
  EXPECT_EQ(l.seek, (Box{4, 38, 288, 28}));
  EXPECT_EQ(l.time, (Box{292, 44, 120, 16}));
  EXPECT_EQ(l.openFolder, (Box{8, 70, 36, 30}));
  EXPECT_EQ(l.previous, (Box{54, 70, 36, 30}));
  EXPECT_EQ(l.playPause, (Box{92, 70, 36, 30}));
  EXPECT_EQ(l.next, (Box{130, 70, 36, 30}));
  EXPECT_EQ(l.shuffle, (Box{176, 70, 36, 30}));
  EXPECT_EQ(l.repeat, (Box{214, 70, 36, 30}));
  EXPECT_EQ(l.volume, (Box{316, 71, 96, 28}));
  // The list's own scroll bar is pushed past the client edge; the thin one covers the edge.
  EXPECT_EQ(l.list, (Box{0, 108, 425, 333}));
  EXPECT_EQ(l.scroll, (Box{408, 108, 12, 333}));
  EXPECT_EQ(l.columnWidth, 408);

  const layout::FullLayout plain = layout::fullLayout(metrics96(), 420, 441, false);
  EXPECT_EQ(plain.list, (Box{0, 108, 420, 333}));
  EXPECT_EQ(plain.columnWidth, -1);

  // A system scroll bar narrower than S(12) sets the thin one's width.
  Metrics narrowBar = metrics96();
  narrowBar.scrollBarWidth = 10;
  const layout::FullLayout narrow = layout::fullLayout(narrowBar, 420, 441, true);
  EXPECT_EQ(narrow.list, (Box{0, 108, 420, 333}));
  EXPECT_EQ(narrow.scroll, (Box{410, 108, 10, 333}));
}

TEST(LayoutFull, ControlRectanglesAt144Dpi) {
  const layout::FullLayout l = layout::fullLayout(metrics144(), 630, 661, true);
  EXPECT_EQ(l.title, (Box{12, 19, 480, 24}));
  EXPECT_EQ(l.listButton, (Box{495, 12, 39, 39}));
  EXPECT_EQ(l.miniButton, (Box{537, 12, 39, 39}));
  EXPECT_EQ(l.topmostButton, (Box{579, 12, 39, 39}));
  EXPECT_EQ(l.seek, (Box{6, 57, 432, 42}));
  EXPECT_EQ(l.time, (Box{438, 66, 180, 24}));
  EXPECT_EQ(l.openFolder, (Box{12, 105, 54, 45}));
  EXPECT_EQ(l.previous, (Box{81, 105, 54, 45}));
  EXPECT_EQ(l.playPause, (Box{138, 105, 54, 45}));
  EXPECT_EQ(l.next, (Box{195, 105, 54, 45}));
  EXPECT_EQ(l.shuffle, (Box{264, 105, 54, 45}));
  EXPECT_EQ(l.repeat, (Box{321, 105, 54, 45}));
  EXPECT_EQ(l.volume, (Box{474, 106, 144, 42}));
  EXPECT_EQ(l.list, (Box{0, 162, 638, 499}));
  EXPECT_EQ(l.scroll, (Box{612, 162, 18, 499}));
  EXPECT_EQ(l.columnWidth, 612);
}

TEST(LayoutFull, TooSmallAClientClampsSizesToZero) {
  const layout::FullLayout l = layout::fullLayout(metrics96(), 40, 50, true);
  EXPECT_EQ(l.title.width, 0);
  EXPECT_EQ(l.seek.width, 0);
  EXPECT_EQ(l.list.height, 0);
  EXPECT_EQ(l.scroll.height, 0);
  EXPECT_EQ(l.columnWidth, 28);
  const layout::FullLayout none = layout::fullLayout(metrics96(), 0, 0, true);
  EXPECT_EQ(none.columnWidth, 0);
  EXPECT_GE(none.list.width, 0);
}

TEST(LayoutMini, ControlRectanglesAt96And144Dpi) {
  const layout::MiniLayout l = layout::miniLayout(metrics96(), 326);
  EXPECT_EQ(l.previous, (Box{8, 4, 36, 30}));
  EXPECT_EQ(l.playPause, (Box{46, 4, 36, 30}));
  EXPECT_EQ(l.next, (Box{84, 4, 36, 30}));
  EXPECT_EQ(l.volume, (Box{200, 5, 72, 28}));
  EXPECT_EQ(l.title, (Box{130, 11, 60, 16}));
  EXPECT_EQ(l.miniButton, (Box{282, 4, 36, 30}));

  const layout::MiniLayout big = layout::miniLayout(metrics144(), 489);
  EXPECT_EQ(big.previous, (Box{12, 6, 54, 45}));
  EXPECT_EQ(big.playPause, (Box{69, 6, 54, 45}));
  EXPECT_EQ(big.next, (Box{126, 6, 54, 45}));
  EXPECT_EQ(big.volume, (Box{300, 7, 108, 42}));
  EXPECT_EQ(big.title, (Box{195, 16, 90, 24}));
  EXPECT_EQ(big.miniButton, (Box{423, 6, 54, 45}));

  // Narrower than the buttons: the title has no room and is 0 wide, not negative.
  EXPECT_EQ(layout::miniLayout(metrics96(), 200).title.width, 0);
}

TEST(LayoutStoredRect, TooSmallTooLargeOrOffScreenRectanglesAreIgnored) {
  EXPECT_FALSE(layout::acceptStoredRect(rect(0, 0, 150, 500), false, true));
  EXPECT_TRUE(layout::acceptStoredRect(rect(0, 0, 200, 100), false, true));
  EXPECT_FALSE(layout::acceptStoredRect(rect(0, 0, 200, 99), false, true));
  EXPECT_TRUE(layout::acceptStoredRect(rect(0, 0, 200, 20), true, true));
  EXPECT_FALSE(layout::acceptStoredRect(rect(0, 0, 200, 19), true, true));
  EXPECT_TRUE(layout::acceptStoredRect(rect(-100, -100, 16284, 300), false, true));
  EXPECT_FALSE(layout::acceptStoredRect(rect(-100, 0, 16285, 300), false, true));
  EXPECT_FALSE(layout::acceptStoredRect(rect(0, 0, 400, 16385), false, true));
  EXPECT_FALSE(layout::acceptStoredRect(rect(0, 0, 420, 480), false, false));
  EXPECT_FALSE(layout::acceptStoredRect(SettingsRect(), false, true));
  // Extreme coordinates must not overflow into a plausible size.
  EXPECT_FALSE(layout::acceptStoredRect(rect(INT32_MIN, 0, INT32_MAX, 300), false, true));
}

TEST(LayoutRemember, HidingAndShowingTheListRestoresTheHeightAfterAMove) {
  layout::StoredRects stored;
  const int compact = 147;
  stored = layout::rememberRect(layout::Mode::Full, false, rect(100, 100, 520, 700), stored, 96);
  EXPECT_EQ(stored.full, rect(100, 100, 520, 700));

  // Hidden: the window shrinks to the compact height; the stored height stays.
  const SettingsRect hidden =
      layout::listToggleTarget(false, rect(100, 100, 520, 700), stored.full, true, compact, 96);
  EXPECT_EQ(hidden, rect(100, 100, 520, 100 + compact));
  stored = layout::rememberRect(layout::Mode::FullListHidden, false, hidden, stored, 96);
  EXPECT_EQ(stored.full, rect(100, 100, 520, 700));

  // Moved and widened while hidden.
  stored = layout::rememberRect(layout::Mode::FullListHidden, false,
                                rect(300, 50, 800, 50 + compact), stored, 96);
  EXPECT_EQ(stored.full, rect(300, 50, 800, 650));

  const SettingsRect shown = layout::listToggleTarget(true, rect(300, 50, 800, 50 + compact),
                                                      stored.full, true, compact, 96);
  EXPECT_EQ(shown, rect(300, 50, 800, 650));

  // A stored full rectangle off every monitor gives the default height instead.
  EXPECT_EQ(
      layout::listToggleTarget(true, rect(300, 50, 800, 197), stored.full, false, compact, 144),
      rect(300, 50, 800, 50 + 720));
}

TEST(LayoutRemember, EachModeKeepsItsOwnRectangle) {
  layout::StoredRects stored{rect(10, 10, 430, 490), rect(5, 5, 340, 80)};
  // Minimised or maximised windows leave both alone.
  EXPECT_EQ(layout::rememberRect(layout::Mode::Full, true, rect(0, 0, 1280, 1024), stored, 96).full,
            stored.full);
  const layout::StoredRects mini =
      layout::rememberRect(layout::Mode::Mini, false, rect(50, 60, 400, 137), stored, 96);
  EXPECT_EQ(mini.mini, rect(50, 60, 400, 137));
  EXPECT_EQ(mini.full, stored.full);
  // Hidden list with no full rectangle yet: the default height at this DPI is kept for later.
  const layout::StoredRects fresh = layout::rememberRect(
      layout::Mode::FullListHidden, false, rect(20, 30, 500, 177), layout::StoredRects(), 144);
  EXPECT_EQ(fresh.full, rect(20, 30, 500, 30 + 720));
}

TEST(LayoutModeChange, TargetRectangles) {
  const SettingsRect current = rect(100, 100, 520, 580);
  // To mini with a usable mini rectangle: that place, at the mini-mode height.
  EXPECT_EQ(
      layout::modeChangeTarget(true, false, current, rect(40, 50, 400, 95), true, 77, 147, 96),
      rect(40, 50, 400, 127));
  // To mini without one: where the window is, at the mini-mode height.
  EXPECT_EQ(
      layout::modeChangeTarget(true, false, current, rect(40, 50, 150, 95), true, 77, 147, 96),
      rect(100, 100, 520, 177));
  // Back to full with a usable full rectangle.
  const SettingsRect mini = rect(100, 100, 520, 177);
  EXPECT_EQ(layout::modeChangeTarget(false, false, mini, rect(0, 0, 600, 800), true, 77, 147, 96),
            rect(0, 0, 600, 800));
  // ... unusable (off screen): the current place at S(480).
  EXPECT_EQ(layout::modeChangeTarget(false, false, mini, rect(0, 0, 600, 800), false, 77, 147, 144),
            rect(100, 100, 520, 820));
  // ... with the list hidden: the compact height wherever it goes.
  EXPECT_EQ(layout::modeChangeTarget(false, true, mini, rect(0, 0, 600, 800), true, 77, 147, 96),
            rect(0, 0, 600, 147));
}

TEST(LayoutOpacity, AlphaIsMulDivOfThePercent) {
  EXPECT_EQ(layout::opacityAlpha(50), 128);
  EXPECT_EQ(layout::opacityAlpha(90), 230);
  EXPECT_EQ(layout::opacityAlpha(60), 153);
  EXPECT_EQ(layout::opacityAlpha(100), 255);
  EXPECT_EQ(layout::opacityAlpha(250), 255);
  EXPECT_EQ(layout::opacityAlpha(-5), 0);
}

}  // namespace
