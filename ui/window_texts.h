// The main window's button glyphs and tooltip texts, from the composed status.
// Portable: no platform headers.
#pragma once

#include <string>

#include "ui/status_view.h"

// The icon-font glyph of a button (104..113); empty for anything else.
std::wstring buttonGlyph(int controlId, const StatusView& status);

// The tooltip of a button or bar; empty for anything else.
std::wstring tooltipText(int controlId, const StatusView& status);
