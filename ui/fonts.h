// The main window's four fonts, made from the system's message font at the window's DPI, and
// the two metrics the layout takes from the text font.
#pragma once

#include <windows.h>

#include <string>

#include "base/scoped_win.h"

struct Fonts {
  base::ScopedFont text;
  base::ScopedFont bold;    // the current track's row
  base::ScopedFont italic;  // the title line's suffix
  base::ScopedFont icon;    // button glyphs
};

// Whether EnumFontFamiliesExW reports at least one font of this face (default character set).
bool faceInstalled(const wchar_t* face);

// The faces chosen once at creation: the text face is "Palatino Linotype" when installed,
// else empty (the message font's own face); the icon face is "Segoe Fluent Icons" when
// installed, else "Segoe MDL2 Assets". False when neither icon face is installed: the
// buttons' glyphs are then drawn as shapes.
bool chooseFaces(std::wstring& textFace, std::wstring& iconFace);

// All four fonts or none (false: out is left as it was).
bool makeFonts(UINT dpi, const std::wstring& textFace, const std::wstring& iconFace, Fonts& out);

// Text height of the text font and the time width ("00:00:00 / 00:00:00" plus S(4)).
void measureFonts(HWND window, HFONT textFont, UINT dpi, int& textHeight, int& timeWidth);
