// The window's colours: a fixed dark green and gold palette, or the system's colours when high
// contrast is on. Colours are 0x00BBGGRR (COLORREF order) so the shell uses them as they are.
#pragma once

#include <cstdint>
#include <functional>

struct Palette {
  uint32_t background = 0;    // also the main brush
  uint32_t text = 0;          // main text
  uint32_t accent = 0;        // glyphs, played part of a bar, ticks, title suffix
  uint32_t brightAccent = 0;  // hover and pressed borders
  uint32_t pressed = 0;       // pressed button background; start of the rule gradient
  uint32_t timeText = 0;
  uint32_t muted = 0;  // outer frame, disabled parts, unplayed part of a bar
  uint32_t innerFrame = 0;
  uint32_t frameCorner = 0;
  uint32_t toggleBackground = 0;
  uint32_t toggleGlyph = 0;
  uint32_t thumbUpper = 0;
  uint32_t thumbLower = 0;
  uint32_t thumbHot = 0;
  uint32_t focus = 0;
  uint32_t listEven = 0;  // also the list's brush
  uint32_t listOdd = 0;
  uint32_t listText = 0;
  uint32_t currentText = 0;
  uint32_t currentMarker = 0;
  uint32_t selectedBackground = 0;
  uint32_t selectedText = 0;
  uint32_t unavailableText = 0;
  uint32_t scrollTrack = 0;
  uint32_t scrollThumb = 0;
  uint32_t scrollThumbHover = 0;
  uint32_t scrollThumbDragging = 0;
  bool highContrast = false;
};

// The system colour indices the high-contrast palette uses (the values of <windows.h>).
enum SystemColourIndex : int {
  kSysWindow = 5,          // COLOR_WINDOW
  kSysWindowText = 8,      // COLOR_WINDOWTEXT
  kSysHighlight = 13,      // COLOR_HIGHLIGHT
  kSysHighlightText = 14,  // COLOR_HIGHLIGHTTEXT
  kSysGrayText = 17,       // COLOR_GRAYTEXT
  kSysHotLight = 26,       // COLOR_HOTLIGHT
};

// #RRGGBB as a COLORREF.
constexpr uint32_t colourFromHex(uint32_t rrggbb) {
  return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16);
}

Palette fixedPalette();
// Every role from the system colour of its index (GetSysColor in the shell).
Palette highContrastPalette(const std::function<uint32_t(int index)>& systemColour);

// Per channel a + (b - a) x t, rounded to nearest; t is taken within 0..1.
uint32_t blend(uint32_t a, uint32_t b, double t);
