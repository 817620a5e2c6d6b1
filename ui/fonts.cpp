#include "ui/fonts.h"

#include <utility>

#include "ui/layout.h"

namespace {

constexpr wchar_t kBookFace[] = L"Palatino Linotype";
constexpr wchar_t kFluentIcons[] = L"Segoe Fluent Icons";
constexpr wchar_t kMdl2Icons[] = L"Segoe MDL2 Assets";
constexpr int kBookFacePercent = 115;  // Palatino looks small at the message font's height

int CALLBACK countFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

void setFace(LOGFONTW& font, const std::wstring& face) {
  lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
}

}  // namespace

bool faceInstalled(const wchar_t* face) {
  const base::WindowDC dc(nullptr);
  if (!dc) return false;
  LOGFONTW query = {};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(dc.get(), &query, countFace, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

bool chooseFaces(std::wstring& textFace, std::wstring& iconFace) {
  textFace = faceInstalled(kBookFace) ? kBookFace : L"";
  if (faceInstalled(kFluentIcons)) {
    iconFace = kFluentIcons;
    return true;
  }
  iconFace = kMdl2Icons;
  return faceInstalled(kMdl2Icons);
}

bool makeFonts(UINT dpi, const std::wstring& textFace, const std::wstring& iconFace, Fonts& out) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
    return false;
  }
  LOGFONTW text = metrics.lfMessageFont;
  if (!textFace.empty()) {
    setFace(text, textFace);
    text.lfHeight = layout::mulDiv(text.lfHeight, kBookFacePercent, 100);
    text.lfQuality = CLEARTYPE_QUALITY;
  }
  LOGFONTW bold = text;
  bold.lfWeight = FW_BOLD;
  LOGFONTW italic = text;
  italic.lfItalic = TRUE;
  LOGFONTW icon = {};
  icon.lfHeight = -layout::scale(16, static_cast<int>(dpi));
  icon.lfWeight = FW_NORMAL;
  icon.lfCharSet = DEFAULT_CHARSET;
  icon.lfQuality = CLEARTYPE_QUALITY;
  setFace(icon, iconFace);

  Fonts made;
  made.text.reset(CreateFontIndirectW(&text));
  made.bold.reset(CreateFontIndirectW(&bold));
  made.italic.reset(CreateFontIndirectW(&italic));
  made.icon.reset(CreateFontIndirectW(&icon));
  if (!made.text || !made.bold || !made.italic || !made.icon) return false;
  out = std::move(made);
  return true;
}

void measureFonts(HWND window, HFONT textFont, UINT dpi, int& textHeight, int& timeWidth) {
  static constexpr wchar_t kWidestTime[] = L"00:00:00 / 00:00:00";
  textHeight = 0;
  timeWidth = 0;
  const base::WindowDC dc(window);
  if (!dc) return;
  {
    const base::SelectObjectScope selected(dc.get(), textFont);
    TEXTMETRICW tm = {};
    if (GetTextMetricsW(dc.get(), &tm)) textHeight = tm.tmHeight;
    SIZE size = {};
    if (GetTextExtentPoint32W(dc.get(), kWidestTime, ARRAYSIZE(kWidestTime) - 1, &size)) {
      timeWidth = size.cx;
    }
  }
  timeWidth += layout::scale(4, static_cast<int>(dpi));
}
