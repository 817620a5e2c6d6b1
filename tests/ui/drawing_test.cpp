// The window's drawing in real controls of a test window: owner-drawn buttons and labels,
// custom-drawn trackbars and list rows, the ornament and the thin scroll window, painted into
// a memory bitmap and read back pixel by pixel.
#include "ui/drawing.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "base/text.h"
#include "player/player.h"
#include "tests/support/canvas.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"
#include "ui/draw_math.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/palette.h"
#include "ui/player_messages.h"

namespace {

using testsupport::Canvas;
using testsupport::kUnpainted;
constexpr wchar_t kHostClass[] = L"TwkDrawingTestHost";

MainWindow* g_host = nullptr;  // the window the host class's procedure serves
int g_wheelMessages = 0;

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* w = g_host;
  if (!w || w->hwnd != window) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_DRAWITEM:
      drawItem(*w, *reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_MOUSEWHEEL:
      ++g_wheelMessages;
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<LRESULT>(controlColours(*w, reinterpret_cast<HDC>(wParam)));
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        if ((info->item.mask & LVIF_TEXT) && info->item.cchTextMax > 1) {
          info->item.pszText[0] = L'R';
          info->item.pszText[1] = L'\0';
        }
        return 0;
      }
      if (header->code == LVN_ITEMCHANGED && header->hwndFrom == w->list) {
        listItemChanged(*w, *reinterpret_cast<NMLISTVIEW*>(lParam));
        return 0;
      }
      if (header->code != NM_CUSTOMDRAW) break;
      if (header->hwndFrom == w->list) {
        return customDrawList(*w, *reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
      }
      return customDrawTrackbar(*w, *reinterpret_cast<NMCUSTOMDRAW*>(lParam));
    }
    default: {
      LRESULT result = 0;
      if (routePlayerMessage(w->player.get(), message, wParam, lParam, result)) return result;
      break;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HFONT makeFont(int height, int weight, bool italic) {
  // No anti-aliasing, so that text pixels have exactly the colour they were drawn in.
  return CreateFontW(height, 0, 0, 0, weight, italic, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH,
                     L"Tahoma");
}

// A MainWindow filled by hand: a plain top-level window with real child controls, a Player
// without workers, fonts, the palette and the brushes.
class Host {
 public:
  Host() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    instance_ = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = hostProc;
    wc.hInstance = instance_;
    wc.lpszClassName = kHostClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassExW(&wc);
    registered_ = registerScrollClass(instance_);

    w.instance = instance_;
    w.dpi = 96;
    w.fonts.text.reset(makeFont(-13, FW_NORMAL, false));
    w.fonts.bold.reset(makeFont(-13, FW_BOLD, false));
    w.fonts.italic.reset(makeFont(-13, FW_NORMAL, true));
    w.fonts.icon.reset(makeFont(-16, FW_NORMAL, false));
    w.textHeight = 16;
    g_host = &w;
    w.hwnd = CreateWindowExW(0, kHostClass, L"drawing test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             40, 40, 480, 420, nullptr, nullptr, instance_, nullptr);
    if (!w.hwnd) return;
    computeColours(w);
    w.player = std::make_unique<Player>(w.hwnd, Settings(), StartOptions(), L"");
    w.topmost = false;
    w.listHidden = true;
  }
  ~Host() {
    if (w.player) w.player->shutdown();
    w.player.reset();
    if (w.hwnd) DestroyWindow(w.hwnd);
    g_host = nullptr;
    UnregisterClassW(kHostClass, instance_);
  }
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  bool ok() const { return w.hwnd && w.player && registered_ && w.backgroundBrush; }

  HWND child(const wchar_t* cls, DWORD style, int id, int x, int y, int width, int height,
             const wchar_t* text = L"") {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, w.hwnd,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  }

  HWND button(int id, const wchar_t* glyph) {
    HWND b = child(L"BUTTON", BS_OWNERDRAW, id, 10 + 40 * (id - kIdOpenFolder), 300, 36, 30, glyph);
    w.buttons[id - kIdOpenFolder] = b;
    return b;
  }

  HWND trackbar(int id, int maximum, int position) {
    HWND bar = child(TRACKBAR_CLASSW, WS_TABSTOP | TBS_NOTICKS, id, 10, 10, 300, 28);
    SendMessageW(bar, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(bar, TBM_SETRANGEMAX, FALSE, maximum);
    SendMessageW(bar, TBM_SETPOS, TRUE, position);
    return bar;
  }

  // A list of one column, the given number of rows, with the list's subclass and the scroll
  // window beside it.
  HWND list(int rows, int height) {
    w.list = child(WC_LISTVIEWW,
                   WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA |
                       LVS_NOCOLUMNHEADER,
                   kIdList, 0, 60, 300, height);
    SendMessageW(w.list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 280;
    SendMessageW(w.list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    SendMessageW(w.list, WM_SETFONT, reinterpret_cast<WPARAM>(w.fonts.text.get()), FALSE);
    SendMessageW(w.list, LVM_SETITEMCOUNT, rows, 0);
    computeColours(w);  // the list's own colours
    subclassList(w);
    w.scroll = createScrollWindow(w, {300, 60, 12, height}, true);
    if (w.scroll)
      SetWindowPos(w.scroll, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return w.list;
  }

  DRAWITEMSTRUCT item(HWND control, HDC dc, UINT state) const {
    DRAWITEMSTRUCT d = {};
    d.CtlType = ODT_BUTTON;
    d.CtlID = static_cast<UINT>(GetDlgCtrlID(control));
    d.itemAction = ODA_DRAWENTIRE;
    d.itemState = state;
    d.hwndItem = control;
    d.hDC = dc;
    GetClientRect(control, &d.rcItem);
    return d;
  }

  void showFocusCues() {
    SendMessageW(w.hwnd, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  }

  MainWindow w;

 private:
  HINSTANCE instance_ = nullptr;
  bool registered_ = false;
};

// Paints a control's client area into the canvas the way the control paints itself.
void printClient(HWND control, const Canvas& canvas) {
  SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()),
               PRF_CLIENT | PRF_ERASEBKGND);
}

// What a shown control has on the screen once its pending painting is done: only what it
// invalidated was painted again.
void copyScreen(HWND control, const Canvas& canvas) {
  UpdateWindow(control);
  const base::WindowDC screen(control);
  const RECT all = canvas.all();
  BitBlt(canvas.dc(), 0, 0, all.right, all.bottom, screen.get(), 0, 0, SRCCOPY);
}

TEST(Drawing, ButtonsTakeTheColoursOfTheirState) {
  Host host;
  ASSERT_TRUE(host.ok());
  const Palette& p = host.w.palette;
  ASSERT_FALSE(p.highContrast);
  HWND open = host.button(kIdOpenFolder, L"W");
  HWND shuffle = host.button(kIdShuffle, L"W");
  ASSERT_TRUE(open && shuffle);
  const RECT inside = {5, 5, 31, 25};  // within the focus frame

  auto drawn = [&](HWND b, UINT state, COLORREF background, COLORREF glyph, COLORREF border) {
    Canvas c(36, 30);
    drawItem(host.w, host.item(b, c.dc(), state));
    EXPECT_EQ(c.at(6, 6), background);
    EXPECT_EQ(c.at(0, 15), border);
    EXPECT_EQ(c.at(35, 29), border);
    EXPECT_GT(c.count(glyph, inside), 0) << "glyph colour " << std::hex << glyph;
    EXPECT_EQ(c.count(kUnpainted, c.all()), 0);
  };
  const COLORREF normalBorder = blend(p.background, p.accent, 0.6);
  drawn(open, 0, p.background, p.accent, normalBorder);
  drawn(open, ODS_SELECTED, p.pressed, p.text, p.brightAccent);
  drawn(open, ODS_DISABLED, p.background, blend(p.background, p.accent, 0.4),
        blend(p.background, normalBorder, 0.5));

  // Hover, then shuffle on: the toggle colours, brighter under the mouse.
  host.w.hovered = open;
  drawn(open, 0, blend(p.background, p.accent, 0.14), p.brightAccent, p.brightAccent);
  drawn(shuffle, 0, p.background, p.accent, normalBorder);
  host.w.player->setShuffle(true);
  drawn(shuffle, 0, p.toggleBackground, p.toggleGlyph, p.brightAccent);
  host.w.hovered = shuffle;
  drawn(shuffle, 0, p.brightAccent, p.toggleGlyph, p.brightAccent);
  drawn(shuffle, ODS_SELECTED, p.pressed, p.text, p.brightAccent);
  host.w.hovered = nullptr;

  // The focus frame, S(3) inside, unless focus rectangles are suppressed.
  host.showFocusCues();
  Canvas focused(36, 30);
  drawItem(host.w, host.item(open, focused.dc(), ODS_FOCUS));
  EXPECT_EQ(focused.at(3, 15), p.focus);
  EXPECT_EQ(focused.at(18, 3), p.focus);
  EXPECT_EQ(focused.at(4, 15), p.background);
  Canvas toggled(36, 30);
  drawItem(host.w, host.item(shuffle, toggled.dc(), ODS_FOCUS));
  EXPECT_EQ(toggled.at(3, 15), p.toggleGlyph);
  // Wine keeps no UI state, so suppression is seen here through the item state only.
  Canvas suppressed(36, 30);
  drawItem(host.w, host.item(open, suppressed.dc(), ODS_FOCUS | ODS_NOFOCUSRECT));
  EXPECT_EQ(suppressed.at(3, 15), p.background);
}

// Without an icon font (Wine has none) every glyph is drawn as shapes: distinct from every
// other glyph, the same in every state but for its colour (and the press), centred in its
// button and scaled with the DPI.
TEST(Drawing, DrawnGlyphsAreDistinctCentredAndTheSameInEveryState) {
  Host host;
  ASSERT_TRUE(host.ok());
  const Palette& p = host.w.palette;
  host.w.drawnGlyphs = true;
  struct Shown {
    int id;
    const wchar_t* glyph;
  };
  const Shown shown[] = {
      {kIdOpenFolder, L"\xE838"}, {kIdPrevious, L"\xE892"}, {kIdPlayPause, L"\xE768"},
      {kIdPlayPause, L"\xE769"},  {kIdNext, L"\xE893"},     {kIdShuffle, L"\xE8B1"},
      {kIdRepeat, L"\xE8EE"},     {kIdRepeat, L"\xE8ED"},   {kIdTopmost, L"\xE718"},
      {kIdMiniMode, L"\xE73F"},   {kIdMiniMode, L"\xE740"}, {kIdListButton, L"\xE8FD"}};
  // Toggle-active as the window decides it: from the player and the window's flags.
  auto setToggle = [&](int id, bool on) {
    if (id == kIdShuffle) host.w.player->setShuffle(on);
    while (id == kIdRepeat && (host.w.player->view().repeat != RepeatMode::Off) != on) {
      host.w.player->cycleRepeat();
    }
    if (id == kIdTopmost) host.w.topmost = on;
    if (id == kIdListButton) host.w.listHidden = !on;
  };
  using Mask = std::set<std::pair<int, int>>;
  std::map<std::wstring, SIZE> sizeAt96;

  for (int dpi : {96, 144}) {
    host.w.dpi = static_cast<UINT>(dpi);
    const int s1 = layout::scale(1, dpi);
    std::map<Mask, std::wstring> glyphs;
    for (const Shown& g : shown) {
      const bool small = g.id >= kIdTopmost;
      const int width = layout::scale(small ? 26 : 36, dpi);
      const int height = layout::scale(small ? 26 : 30, dpi);
      HWND b = host.button(g.id, g.glyph);
      ASSERT_TRUE(b);
      SetWindowPos(b, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      const bool toggles =
          g.id == kIdShuffle || g.id == kIdRepeat || g.id == kIdTopmost || g.id == kIdListButton;
      struct State {
        UINT item;
        bool hovered, toggled;
      };
      std::vector<State> states = {{0, false, false},
                                   {0, true, false},
                                   {ODS_SELECTED, false, false},
                                   {ODS_DISABLED, false, false}};
      if (toggles) states.push_back({0, false, true});
      if (toggles) states.push_back({0, true, true});

      Mask normal;
      for (const State& st : states) {
        setToggle(g.id, st.toggled);
        host.w.hovered = st.hovered ? b : nullptr;
        draw::ButtonState state;
        state.disabled = st.item & ODS_DISABLED;
        state.pressed = st.item & ODS_SELECTED;
        state.toggleActive = st.toggled;
        state.hovered = st.hovered;
        const draw::ButtonColours colours = draw::buttonColours(p, state);
        Canvas c(width, height);
        drawItem(host.w, host.item(b, c.dc(), st.item));
        const RECT inner = {s1, s1, width - s1, height - s1};
        const Mask pixels = c.where(colours.glyph, inner);
        const std::string what = "glyph " + std::to_string(int(g.glyph[0])) + " at " +
                                 std::to_string(dpi) + " DPI, state " +
                                 std::to_string(&st - states.data());
        ASSERT_FALSE(pixels.empty()) << what;
        // Nothing but the background and the glyph inside the border.
        EXPECT_EQ(c.count(colours.background, inner) + static_cast<int>(pixels.size()),
                  (width - 2 * s1) * (height - 2 * s1))
            << what;
        int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
        for (const auto& [x, y] : pixels) {
          left = std::min(left, x);
          right = std::max(right, x + 1);
          top = std::min(top, y);
          bottom = std::max(bottom, y + 1);
        }
        const int shift = state.pressed ? s1 : 0;
        EXPECT_LE(std::abs(left + right - width), 2 * s1 + 1) << what;
        EXPECT_LE(std::abs(top + bottom - 2 * shift - height), 2 * s1 + 1) << what;
        Mask centred;
        for (const auto& [x, y] : pixels) centred.insert({x - width / 2, y - shift - height / 2});
        if (normal.empty()) {
          normal = centred;
          const SIZE size = {right - left, bottom - top};
          if (dpi == 96) {
            sizeAt96[g.glyph] = size;
          } else {
            const SIZE at96 = sizeAt96[g.glyph];
            EXPECT_NEAR(size.cx, at96.cx * 1.5, 2) << what;
            EXPECT_NEAR(size.cy, at96.cy * 1.5, 2) << what;
          }
        } else {
          EXPECT_EQ(centred, normal) << what;
        }
      }
      setToggle(g.id, false);
      host.w.hovered = nullptr;
      EXPECT_TRUE(glyphs.emplace(normal, g.glyph).second)
          << "glyph " << int(g.glyph[0]) << " looks like " << int(glyphs[normal][0]);
      DestroyWindow(b);
    }
    EXPECT_EQ(glyphs.size(), std::size(shown));
  }

  // With an icon font the font draws the glyph: the shapes are not used.
  host.w.dpi = 96;
  HWND play = host.button(kIdPlayPause, L"\xE768");
  Canvas shapes(36, 30), font(36, 30);
  drawItem(host.w, host.item(play, shapes.dc(), 0));
  host.w.drawnGlyphs = false;
  drawItem(host.w, host.item(play, font.dc(), 0));
  EXPECT_NE(shapes.where(p.accent, {1, 1, 35, 29}), font.where(p.accent, {1, 1, 35, 29}));
}

TEST(Drawing, TitleSuffixIsDrawnApartInTheAccentAndTimeIsRightAligned) {
  Host host;
  ASSERT_TRUE(host.ok());
  const Palette& p = host.w.palette;
  HWND title = host.child(L"STATIC", SS_OWNERDRAW | SS_NOPREFIX, kIdTitle, 10, 10, 400, 20,
                          L"Book - Chapter 1");
  HWND time =
      host.child(L"STATIC", SS_OWNERDRAW | SS_NOPREFIX, kIdTime, 10, 40, 200, 20, L"1:00 / 2:00");
  ASSERT_TRUE(title && time);

  host.w.shown.suffix = L" - Chapter 1";
  host.w.shownValid = true;
  {
    Canvas c(400, 20);
    DRAWITEMSTRUCT d = host.item(title, c.dc(), 0);
    d.CtlType = ODT_STATIC;
    drawItem(host.w, d);
    int textLeft, textRight, suffixLeft, suffixRight;
    ASSERT_GT(c.count(p.text, c.all(), &textLeft, &textRight), 0);
    ASSERT_GT(c.count(p.accent, c.all(), &suffixLeft, &suffixRight), 0);
    EXPECT_LT(textRight, suffixLeft);
    EXPECT_LT(suffixRight, 200);  // short texts stay at the left
    EXPECT_EQ(c.count(kUnpainted, c.all()), 0);
  }
  host.w.shown.suffix = L" - Elsewhere";  // not in the title: drawn whole in the text colour
  {
    Canvas c(400, 20);
    DRAWITEMSTRUCT d = host.item(title, c.dc(), 0);
    d.CtlType = ODT_STATIC;
    drawItem(host.w, d);
    EXPECT_GT(c.count(p.text, c.all()), 0);
    EXPECT_EQ(c.count(p.accent, c.all()), 0);
  }
  {
    Canvas c(200, 20);
    DRAWITEMSTRUCT d = host.item(time, c.dc(), 0);
    d.CtlType = ODT_STATIC;
    drawItem(host.w, d);
    int left, right;
    ASSERT_GT(c.count(p.timeText, c.all(), &left, &right), 0);
    EXPECT_GT(left, 100);
    EXPECT_GE(right, 190);
    EXPECT_EQ(c.at(5, 10), p.background);
  }
}

TEST(Drawing, TrackbarThumbChannelAndTicks) {
  Host host;
  ASSERT_TRUE(host.ok());
  const Palette& p = host.w.palette;
  host.w.seek = host.trackbar(kIdSeek, 10000, 5000);
  ASSERT_TRUE(host.w.seek);
  RECT thumb, channel;
  SendMessageW(host.w.seek, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  SendMessageW(host.w.seek, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  const int centre = (thumb.left + thumb.right) / 2;
  const int thumbMiddle = (thumb.top + thumb.bottom) / 2;
  const int channelMiddle = (channel.top + channel.bottom) / 2;

  {
    Canvas c(300, 28);
    printClient(host.w.seek, c);
    EXPECT_EQ(c.at(centre, thumbMiddle - 3), p.thumbUpper);
    EXPECT_EQ(c.at(centre, thumbMiddle + 3), p.thumbLower);
    EXPECT_EQ(c.at(channel.left + 5, channelMiddle), p.accent);
    EXPECT_EQ(c.at(channel.right - 5, channelMiddle), p.muted);
    EXPECT_EQ(c.at(channel.left + 5, 1), p.background);
    EXPECT_EQ(c.count(kUnpainted, c.all()), 0);
  }

  // Nothing seekable: thumb and the whole channel muted, no accent anywhere.
  EnableWindow(host.w.seek, FALSE);
  {
    Canvas c(300, 28);
    printClient(host.w.seek, c);
    EXPECT_EQ(c.at(centre, thumbMiddle - 3), p.muted);
    EXPECT_EQ(c.at(centre, thumbMiddle + 3), p.muted);
    EXPECT_EQ(c.at(channel.left + 5, channelMiddle), p.muted);
    EXPECT_EQ(c.at(channel.right - 5, channelMiddle), p.muted);
    EXPECT_EQ(c.count(p.accent, c.all()), 0);
    EXPECT_EQ(c.count(p.thumbUpper, c.all()), 0);
  }
  EnableWindow(host.w.seek, TRUE);

  // Chapters at 0, a quarter and the very end of a 100 s track: one tick, no-ticks style off.
  setChapterTicks(host.w, {0, 25000, 100000}, 1000, 100000);
  EXPECT_EQ(GetWindowLongPtrW(host.w.seek, GWL_STYLE) & TBS_NOTICKS, 0);
  ASSERT_EQ(SendMessageW(host.w.seek, TBM_GETNUMTICS, 0, 0), 3);
  EXPECT_EQ(SendMessageW(host.w.seek, TBM_GETTIC, 0, 0), 2500);
  SendMessageW(host.w.seek, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  SendMessageW(host.w.seek, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  const int tickX = static_cast<int>(SendMessageW(host.w.seek, TBM_GETTICPOS, 0, 0));
  {
    Canvas c(300, 40);
    printClient(host.w.seek, c);
    // Left of the thumb, whose lower half is in the accent colour too.
    const RECT marks = {0, channel.bottom + 3, thumb.left, channel.bottom + 8};
    int left, right;
    EXPECT_EQ(c.count(p.accent, marks, &left, &right), 5);  // one mark, 1 x 5
    EXPECT_EQ(left, tickX);
    EXPECT_EQ(c.at(tickX, channel.bottom + 2), p.background);
  }
  // Only chapters at the ends: no tick drawn at all.
  setChapterTicks(host.w, {0, 100000}, 1000, 100000);
  EXPECT_EQ(SendMessageW(host.w.seek, TBM_GETNUMTICS, 0, 0), 2);
  {
    Canvas c(300, 40);
    printClient(host.w.seek, c);
    EXPECT_EQ(c.count(p.accent, {0, channel.bottom + 1, thumb.left, 40}), 0);
  }
  setChapterTicks(host.w, {}, 1000, 100000);
  EXPECT_NE(GetWindowLongPtrW(host.w.seek, GWL_STYLE) & TBS_NOTICKS, 0);
}

TEST(Drawing, ListRowsAlternateAndMarkTheCurrentTrack) {
  Host host;
  ASSERT_TRUE(host.ok());
  const Palette& p = host.w.palette;
  HWND list = host.list(6, 200);
  ASSERT_TRUE(list);
  // The player's list of six, with the third track loaded as the last session's.
  testsupport::TempFolder music(L"twk_drawing_");
  for (int i = 0; i < 6; ++i) {
    music.write(L"t" + text::toDecimal(int64_t{i}) + L".wav", testwav::silence(60, 1000));
  }
  Player& player = *host.w.player;
  PlayerHooks hooks;
  hooks.rowsChanged = [&host](int64_t a, int64_t b) { repaintListRows(host.w, a, b); };
  player.setHooks(std::move(hooks));
  ASSERT_TRUE(player.startWorkers());
  player.openPath(music.root(), false, false);
  player.restoreSession(L"", L"", music.path(L"t2.wav"), 0);
  ASSERT_TRUE(testsupport::pumpUntil(
      [&] { return player.trackList().current == 2 && player.view().load.id == -1; }, 30000));
  LVITEMW selected = {};
  selected.state = selected.stateMask = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, 4, reinterpret_cast<LPARAM>(&selected));

  RECT rows[6];
  for (int i = 0; i < 6; ++i) {
    rows[i] = {};
    rows[i].left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rows[i])));
  }
  Canvas c(300, 200);
  printClient(list, c);
  auto middle = [&](int i) { return (rows[i].top + rows[i].bottom) / 2; };
  EXPECT_EQ(c.at(200, middle(0)), p.listEven);
  EXPECT_EQ(c.at(200, middle(1)), p.listOdd);
  EXPECT_EQ(c.at(200, middle(3)), p.listOdd);
  EXPECT_EQ(c.at(200, middle(4)), p.selectedBackground);
  EXPECT_EQ(c.at(200, middle(5)), p.listOdd);
  // The current row: the marker S(3) wide at its left edge, the text in the current colour.
  EXPECT_EQ(c.at(0, middle(2)), p.currentMarker);
  EXPECT_EQ(c.at(2, middle(2)), p.currentMarker);
  EXPECT_EQ(c.at(3, middle(2)), p.listEven);
  EXPECT_EQ(c.at(200, middle(2)), p.listEven);
  EXPECT_EQ(c.count(p.currentText, rows[0]), 0);
  // The same text, bold in the current row.
  EXPECT_GT(c.count(p.currentText, rows[2]), c.count(p.listText, rows[0]));
  EXPECT_GT(c.count(p.listText, rows[0]), 0);
  EXPECT_EQ(SendMessageW(list, LVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(p.listEven));
  EXPECT_EQ(SendMessageW(list, LVM_GETTEXTBKCOLOR, 0, 0), static_cast<LRESULT>(p.listEven));
  EXPECT_EQ(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0), static_cast<LRESULT>(p.listText));
  EXPECT_GT(c.count(p.selectedText, rows[4]), 0);
  EXPECT_EQ(c.at(0, middle(0)), p.listEven);
  EXPECT_EQ(c.count(kUnpainted, c.all()), 0);

  // The focused row of the focused list: a frame S(1) inside, in place of the list's own.
  ShowWindow(host.w.hwnd, SW_SHOW);
  SetForegroundWindow(host.w.hwnd);
  host.showFocusCues();
  SetFocus(list);
  ASSERT_EQ(GetFocus(), list);
  LVITEMW focused = {};
  focused.state = focused.stateMask = LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&focused));
  Canvas f(300, 200);
  printClient(list, f);
  EXPECT_EQ(f.at(150, rows[3].top + 1), p.focus);
  EXPECT_EQ(f.at(150, rows[3].bottom - 2), p.focus);
  EXPECT_EQ(f.at(1, middle(3)), p.focus);
  EXPECT_EQ(f.at(150, rows[3].top), p.listOdd);
  EXPECT_EQ(f.at(0, middle(3)), p.listOdd);
  EXPECT_EQ(f.at(200, middle(3)), p.listOdd);
  EXPECT_EQ(f.count(p.focus, rows[2]), 0);
  EXPECT_EQ(f.count(p.focus, rows[5]), 0);

  // The current track moves on, on the screen: the row it left keeps no piece of the marker
  // and the new row has all of it, S(3) wide at its left edge (5 pixels at 144 DPI).
  const auto markerOf = [&](const Canvas& screen, int row, int* left, int* right) {
    return screen.count(p.currentMarker, rows[row], left, right);
  };
  const int rowHeight = rows[0].bottom - rows[0].top;
  int left = 0, right = 0;
  {
    Canvas before(300, 200);
    copyScreen(list, before);
    EXPECT_EQ(markerOf(before, 2, &left, &right), 3 * rowHeight);
    EXPECT_EQ(left, 0);
  }
  const struct {
    UINT dpi;
    int from, to, width;
  } moves[] = {{96, 2, 5, 3}, {144, 5, 1, 5}};
  for (const auto& move : moves) {
    host.w.dpi = move.dpi;
    player.playRow(move.to);
    ASSERT_EQ(player.trackList().current, move.to);
    Canvas after(300, 200);
    copyScreen(list, after);
    EXPECT_EQ(markerOf(after, move.from, nullptr, nullptr), 0) << move.dpi;
    EXPECT_EQ(markerOf(after, move.to, &left, &right), move.width * rowHeight) << move.dpi;
    EXPECT_EQ(left, 0) << move.dpi;
    EXPECT_EQ(right, move.width - 1) << move.dpi;
  }

  // So does the selection: the row it leaves and the row it takes are drawn to their edges.
  host.w.dpi = 96;
  LVITEMW first = {};
  first.state = first.stateMask = LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
  Canvas selection(300, 200);
  copyScreen(list, selection);
  EXPECT_EQ(selection.at(0, middle(0)), p.selectedBackground);
  EXPECT_EQ(selection.at(0, middle(4)), p.listEven);
}

TEST(Drawing, OrnamentAndMiniBorder) {
  Host host;
  ASSERT_TRUE(host.ok());
  const Palette& p = host.w.palette;
  RECT client;
  GetClientRect(host.w.hwnd, &client);
  {
    Canvas c(client.right, client.bottom);
    drawFrame(host.w, c.dc());
    EXPECT_EQ(c.at(2, 2), p.frameCorner);
    EXPECT_EQ(c.at(client.right - 3, 2), p.frameCorner);
    EXPECT_EQ(c.at(20, 2), p.muted);
    EXPECT_EQ(c.at(20, 5), p.innerFrame);
    EXPECT_EQ(c.at(8, 35), p.pressed);  // the rule's first step (R = 26 at 96 DPI)
    EXPECT_EQ(c.at(1, 1), kUnpainted);
  }
  host.w.miniMode = true;
  {
    Canvas c(client.right, client.bottom);
    drawFrame(host.w, c.dc());
    EXPECT_EQ(c.at(0, 0), p.muted);
    EXPECT_EQ(c.at(client.right - 1, client.bottom - 1), p.muted);
    EXPECT_EQ(c.at(2, 2), kUnpainted);
  }
}

TEST(Drawing, HighContrastTakesTheSystemColours) {
  const Palette p = highContrastPalette([](int index) -> uint32_t { return GetSysColor(index); });
  EXPECT_EQ(p.background, GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(p.text, GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(p.brightAccent, GetSysColor(COLOR_HOTLIGHT));
  EXPECT_EQ(p.toggleBackground, GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(p.selectedText, GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(p.unavailableText, GetSysColor(COLOR_GRAYTEXT));

  Host host;
  ASSERT_TRUE(host.ok());
  host.w.palette = p;
  HWND open = host.button(kIdOpenFolder, L"W");
  Canvas c(36, 30);
  drawItem(host.w, host.item(open, c.dc(), 0));
  EXPECT_EQ(c.at(6, 6), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(c.at(0, 15), GetSysColor(COLOR_WINDOWTEXT));  // the border is muted
}

TEST(Subclass, ScrollWindowFollowsAndScrollsTheList) {
  Host host;
  ASSERT_TRUE(host.ok());
  const Palette& p = host.w.palette;
  HWND list = host.list(3, 200);
  ASSERT_TRUE(list && host.w.scroll);
  // Fewer rows than fit: no thumb.
  EXPECT_FALSE(host.w.scrollState.thumbVisible);
  {
    Canvas c(12, 200);
    drawScrollWindow(host.w, c.dc(), {0, 0, 12, 200});
    EXPECT_EQ(c.count(p.scrollTrack, c.all()), 12 * 200);
  }

  SendMessageW(list, LVM_SETITEMCOUNT, 500, 0);
  ASSERT_TRUE(host.w.scrollState.thumbVisible);
  const ScrollState& s = host.w.scrollState;
  EXPECT_EQ(s.maximum, 499);
  ASSERT_GT(s.page, 0);
  const draw::Thumb thumb =
      draw::thumbGeometry(200, {s.minimum, s.maximum, s.page, s.position}, 96);
  EXPECT_EQ(thumb.length, 24);
  {
    Canvas c(12, 200);
    drawScrollWindow(host.w, c.dc(), {0, 0, 12, 200});
    EXPECT_EQ(c.at(6, thumb.top + 10), p.scrollThumb);
    EXPECT_EQ(c.at(1, thumb.top + 10), p.scrollTrack);
    EXPECT_EQ(c.at(6, 150), p.scrollTrack);
  }

  // A click below the thumb pages the list down once.
  const int page = s.page;
  SendMessageW(host.w.scroll, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 150));
  SendMessageW(host.w.scroll, WM_LBUTTONUP, 0, MAKELPARAM(6, 150));
  EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), page);
  EXPECT_EQ(s.position, page);
  EXPECT_FALSE(s.dragging);

  // Dragging the thumb past the bottom stops at the last page; back past the top at row 0.
  const draw::Thumb now = draw::thumbGeometry(200, {s.minimum, s.maximum, s.page, s.position}, 96);
  SendMessageW(host.w.scroll, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, now.top + 5));
  EXPECT_TRUE(s.dragging);
  SendMessageW(host.w.scroll, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 5000));
  EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 500 - s.page);
  {
    Canvas c(12, 200);
    drawScrollWindow(host.w, c.dc(), {0, 0, 12, 200});
    EXPECT_EQ(c.at(6, 190), p.scrollThumbDragging);
  }
  SendMessageW(host.w.scroll, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, -5000));
  EXPECT_EQ(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
  SendMessageW(host.w.scroll, WM_LBUTTONUP, 0, MAKELPARAM(6, 0));
  EXPECT_FALSE(s.dragging);
  EXPECT_EQ(s.position, 0);

  // Holding the button below the thumb keeps paging on the timer while the pointer stays
  // below it.
  ShowWindow(host.w.hwnd, SW_SHOW);
  POINT below = {6, 190};
  ClientToScreen(host.w.scroll, &below);
  SetCursorPos(below.x, below.y);
  SendMessageW(host.w.scroll, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 190));
  EXPECT_EQ(s.position, page);
  EXPECT_TRUE(testsupport::pumpUntil([&] { return s.position >= 4 * page; }, 10000))
      << "position " << s.position;
  SendMessageW(host.w.scroll, WM_LBUTTONUP, 0, MAKELPARAM(6, 190));
  EXPECT_EQ(s.pagingDirection, 0);

  // The wheel over the scroll window scrolls the list; outside the list it goes to the window.
  g_wheelMessages = 0;
  RECT bounds;
  GetWindowRect(list, &bounds);
  SendMessageW(list, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA),
               MAKELPARAM(bounds.right + 50, bounds.top + 10));
  EXPECT_EQ(g_wheelMessages, 1);
  SendMessageW(host.w.scroll, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA),
               MAKELPARAM(bounds.left + 10, bounds.top + 10));
  EXPECT_EQ(g_wheelMessages, 1);
  EXPECT_GT(SendMessageW(list, LVM_GETTOPINDEX, 0, 0), 0);
}

TEST(Subclass, ButtonsAndBarsHoverWheelAndJump) {
  Host host;
  ASSERT_TRUE(host.ok());
  HWND open = host.button(kIdOpenFolder, L"W");
  HWND next = host.button(kIdNext, L"W");
  host.w.volume = host.trackbar(kIdVolume, 100, 50);
  ASSERT_TRUE(open && next && host.w.volume);
  subclassControl(host.w, open, false);
  subclassControl(host.w, next, false);
  subclassControl(host.w, host.w.volume, true);

  SendMessageW(open, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(host.w.hovered, open);
  SendMessageW(next, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(host.w.hovered, next);
  SendMessageW(open, WM_MOUSELEAVE, 0, 0);  // not the hovered one: nothing changes
  EXPECT_EQ(host.w.hovered, next);
  SendMessageW(next, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(host.w.hovered, nullptr);
  SendMessageW(host.w.volume, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(host.w.hovered, nullptr);  // bars do not take the hover

  g_wheelMessages = 0;
  SendMessageW(open, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  SendMessageW(host.w.volume, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(g_wheelMessages, 2);
  EXPECT_EQ(SendMessageW(host.w.volume, TBM_GETPOS, 0, 0), 50);

  // A click beside the thumb moves it there (clamped to the span), then the bar drags as usual.
  RECT channel;
  SendMessageW(host.w.volume, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  const int y = (channel.top + channel.bottom) / 2;
  SendMessageW(host.w.volume, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(channel.right + 3, y));
  SendMessageW(host.w.volume, WM_LBUTTONUP, 0, MAKELPARAM(channel.right + 3, y));
  EXPECT_EQ(SendMessageW(host.w.volume, TBM_GETPOS, 0, 0), 100);
  SendMessageW(host.w.volume, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(channel.left, y));
  SendMessageW(host.w.volume, WM_LBUTTONUP, 0, MAKELPARAM(channel.left, y));
  EXPECT_EQ(SendMessageW(host.w.volume, TBM_GETPOS, 0, 0), 0);
  // A click on the thumb itself leaves the position alone.
  RECT thumb;
  SendMessageW(host.w.volume, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  SendMessageW(host.w.volume, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumb.right - 1, y));
  SendMessageW(host.w.volume, WM_LBUTTONUP, 0, MAKELPARAM(thumb.right - 1, y));
  EXPECT_EQ(SendMessageW(host.w.volume, TBM_GETPOS, 0, 0), 0);

  // A hovered button that goes away is no longer hovered.
  SendMessageW(next, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ASSERT_EQ(host.w.hovered, next);
  DestroyWindow(next);
  EXPECT_EQ(host.w.hovered, nullptr);
}

}  // namespace
