// The window's colours: a fixed dark green and gold palette, or the system's colours when high
// contrast is on. Colours are 0x00BBGGRR (COLORREF order) so the shell uses them as they are.
#pragma once

#include <cstdint>

struct Palette {
  uint32_t background = 0;      // also the main brush
  uint32_t text = 0;            // main text
  uint32_t accent = 0;          // glyphs, played part of a bar, ticks, title suffix
  uint32_t brightAccent = 0;    // hover and pressed borders
  uint32_t pressed = 0;         // pressed button background; start of the rule gradient
  uint32_t timeText = 0;
  uint32_t muted = 0;           // outer frame, disabled parts, unplayed part of a bar
  uint32_t innerFrame = 0;
  uint32_t frameCorner = 0;
  uint32_t toggleBackground = 0;
  uint32_t toggleGlyph = 0;
  uint32_t thumbUpper = 0;
  uint32_t thumbLower = 0;
  uint32_t thumbHot = 0;
  uint32_t focus = 0;
  uint32_t listEven = 0;        // also the list's brush
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
