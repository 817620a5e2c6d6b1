#include "ui/palette.h"

#include <cmath>

Palette fixedPalette() {
  Palette p;
  p.background = colourFromHex(0x1A3318);
  p.text = colourFromHex(0xF4EDD8);
  p.accent = colourFromHex(0xC9A227);
  p.brightAccent = colourFromHex(0xE8B84B);
  p.pressed = colourFromHex(0x8B6914);
  p.timeText = colourFromHex(0xD9B441);
  p.muted = colourFromHex(0x585116);
  p.innerFrame = colourFromHex(0x3A4217);
  p.frameCorner = colourFromHex(0x9D8623);
  p.toggleBackground = colourFromHex(0xC9A227);
  p.toggleGlyph = colourFromHex(0x1A3318);
  p.thumbUpper = colourFromHex(0xE8B84B);
  p.thumbLower = colourFromHex(0xC9A227);
  p.thumbHot = colourFromHex(0xF4DC8A);
  p.focus = colourFromHex(0xF4EDD8);
  p.listEven = colourFromHex(0x1A3318);
  p.listOdd = colourFromHex(0x233A20);
  p.listText = colourFromHex(0xCDCCB5);
  p.currentText = colourFromHex(0xE8B84B);
  p.currentMarker = colourFromHex(0xC9A227);
  p.selectedBackground = colourFromHex(0x3C4317);
  p.selectedText = colourFromHex(0xF4EDD8);
  p.unavailableText = colourFromHex(0x7C876E);
  p.scrollTrack = colourFromHex(0x1A2410);
  p.scrollThumb = colourFromHex(0x3F6A3A);
  p.scrollThumbHover = colourFromHex(0x6F7E33);
  p.scrollThumbDragging = colourFromHex(0x9D8623);
  p.highContrast = false;
  return p;
}

Palette highContrastPalette(const std::function<uint32_t(int index)>& systemColour) {
  // COLORREF keeps its top byte 0; a system answer with flags in it would otherwise leak
  // into comparisons and the DWM calls.
  auto sys = [&](int index) { return systemColour ? systemColour(index) & 0xFFFFFF : 0u; };
  const uint32_t window = sys(kSysWindow);
  const uint32_t windowText = sys(kSysWindowText);
  const uint32_t highlight = sys(kSysHighlight);
  const uint32_t highlightText = sys(kSysHighlightText);
  const uint32_t grayText = sys(kSysGrayText);
  const uint32_t hotLight = sys(kSysHotLight);

  Palette p;
  p.background = window;
  p.text = windowText;
  p.accent = windowText;
  p.brightAccent = hotLight;
  p.pressed = highlight;
  p.timeText = windowText;
  p.muted = windowText;
  p.innerFrame = grayText;
  p.frameCorner = windowText;
  p.toggleBackground = highlight;
  p.toggleGlyph = highlightText;
  p.thumbUpper = windowText;
  p.thumbLower = windowText;
  p.thumbHot = windowText;
  p.focus = windowText;
  p.listEven = window;
  p.listOdd = window;
  p.listText = windowText;
  p.currentText = windowText;
  p.currentMarker = highlight;
  p.selectedBackground = highlight;
  p.selectedText = highlightText;
  p.unavailableText = grayText;
  p.scrollTrack = window;
  p.scrollThumb = grayText;
  p.scrollThumbHover = windowText;
  p.scrollThumbDragging = highlight;
  p.highContrast = true;
  return p;
}

uint32_t blend(uint32_t a, uint32_t b, double t) {
  if (!(t >= 0)) t = 0;  // also NaN
  if (t > 1) t = 1;
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double ca = (a >> shift) & 0xFF;
    const double cb = (b >> shift) & 0xFF;
    const auto c = static_cast<uint32_t>(ca + (cb - ca) * t + 0.5);
    out |= (c > 255 ? 255 : c) << shift;
  }
  return out;
}
