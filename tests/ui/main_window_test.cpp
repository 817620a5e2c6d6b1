// The real main window under Wine: its controls, buttons, bars, tooltips, drops, modes,
// opacity and remembered rectangles, with a real Player, its workers and audio output, and
// settings in a temporary folder.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "base/settings_file.h"
#include "base/text.h"
#include "player/player.h"
#include "tests/support/canvas.h"
#include "tests/support/child_process.h"
#include "tests/support/main_window_host.h"
#include "tests/support/modal_robot.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"
#include "ui/draw_math.h"
#include "ui/drawing.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/window_ops.h"

namespace {

constexpr DWORD kWaitMs = 30000;
constexpr uint32_t kRate = 8000;  // small files that still play long enough to act on them

std::string toneWav(double seconds) { return testwav::tone(seconds, kRate); }

std::wstring windowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

SIZE windowSize(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

bool underWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

using WindowHost = testsupport::MainWindowHost;

// A real HDROP as the shell hands it over: DROPFILES and wide, double-NUL-ended paths.
HDROP makeDrop(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& p : paths) list += p + L'\0';
  list += L'\0';
  const size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  if (!memory) return nullptr;
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(),
         list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// A button as it paints itself. Without an icon font its glyph is drawn: in the glyph colour,
// centred, and about as tall as the font's glyph would be at the window's DPI.
void expectGlyphShown(const WindowHost& host, int id) {
  const MainWindow& w = host.w();
  EXPECT_EQ(w.drawnGlyphs,
            !faceInstalled(L"Segoe Fluent Icons") && !faceInstalled(L"Segoe MDL2 Assets"));
  HWND button = host.item(id);
  RECT r = {};
  GetClientRect(button, &r);
  testsupport::Canvas c(r.right, r.bottom);
  SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(c.dc()), PRF_CLIENT);
  const int dpi = static_cast<int>(w.dpi);
  const int s1 = std::max(1, layout::scale(1, dpi));
  draw::ButtonState state;
  state.hovered = w.hovered == button;
  const COLORREF glyph = draw::buttonColours(w.palette, state).glyph;
  const auto pixels = c.where(glyph, {s1, s1, r.right - s1, r.bottom - s1});
  ASSERT_FALSE(pixels.empty()) << "button " << id;
  if (!w.drawnGlyphs) return;
  int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
  for (const auto& [x, y] : pixels) {
    left = std::min(left, x);
    right = std::max(right, x + 1);
    top = std::min(top, y);
    bottom = std::max(bottom, y + 1);
  }
  EXPECT_LE(std::abs(left + right - r.right), 2 * s1 + 1) << "button " << id;
  EXPECT_LE(std::abs(top + bottom - r.bottom), 2 * s1 + 1) << "button " << id;
  EXPECT_GE(bottom - top, layout::scale(10, dpi)) << "button " << id;
  EXPECT_LE(bottom - top, layout::scale(16, dpi)) << "button " << id;
}

// The children are made just after the first frame, which paints each of them in its place as
// it draws itself. Compares the window on the screen with what the first frame paints of the
// same state, place by place; the list only while it is empty (the first frame comes before
// any scan).
void expectTheFirstFrameShows(WindowHost& host, const char* state) {
  MainWindow& w = host.w();
  ASSERT_NE(w.title, nullptr) << state;
  RedrawWindow(host.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT client = {};
  GetClientRect(host.hwnd(), &client);
  testsupport::Canvas shown(client.right, client.bottom);
  {
    const base::WindowDC screen(host.hwnd());
    BitBlt(shown.dc(), 0, 0, client.right, client.bottom, screen.get(), 0, 0, SRCCOPY);
  }
  testsupport::Canvas first(client.right, client.bottom);
  // The window as the first frame finds it: with none of its children.
  HWND saved[16] = {};
  HWND* const children[] = {&w.title, &w.seek, &w.time, &w.volume, &w.list, &w.scroll};
  auto exchangeChildren = [&] {
    size_t k = 0;
    for (HWND* child : children) std::swap(*child, saved[k++]);
    for (HWND& button : w.buttons) std::swap(button, saved[k++]);
  };
  exchangeChildren();
  drawFrame(w, first.dc());
  exchangeChildren();

  const bool listEmpty = host.itemCount() == 0;
  int compared = 0;
  for (const Place& place : placesFor(w, client.right, client.bottom, true, nullptr)) {
    if (!shownInMode(w, place.id)) continue;
    if ((place.id == kIdList || place.id == kScrollPlace) && !listEmpty) continue;
    const layout::Box& b = place.box;
    int differing = 0;
    for (int y = b.y; y < b.y + b.height; ++y) {
      for (int x = b.x; x < b.x + b.width; ++x) differing += shown.at(x, y) != first.at(x, y);
    }
    EXPECT_EQ(differing, 0) << state << ": the place of control " << place.id;
    ++compared;
  }
  EXPECT_GE(compared, 6) << state;
}

TEST(MainWindowControls, TheFirstFrameShowsEveryControlAsItWillBe) {
  {
    WindowHost host;  // full mode, nothing loaded: the seek bar disabled
    ASSERT_TRUE(host.ok());
    ASSERT_EQ(host.itemCount(), 0);
    expectTheFirstFrameShows(host, "full");
  }
  {
    Settings settings;  // the list hidden, toggles on, the volume part way
    settings.listHidden = true;
    settings.repeat = 2;
    settings.shuffle = true;
    settings.volume = 37;
    WindowHost host(settings);
    ASSERT_TRUE(host.ok());
    expectTheFirstFrameShows(host, "list hidden");
  }
  {
    Settings settings;
    settings.miniMode = true;
    settings.volume = 64;
    WindowHost host(settings);
    ASSERT_TRUE(host.ok());
    expectTheFirstFrameShows(host, "mini");
  }
  {
    // An audiobook taken up part way: a title, a time, the seek bar enabled at its place and
    // shuffle disabled.
    testsupport::TempFolder book(L"twk_window_first_frame_");
    const std::wstring part = book.write(L"part.wav", testwav::silence(60, 1000));
    Settings settings;
    settings.audiobook = true;
    WindowHost host(settings);
    ASSERT_TRUE(host.ok());
    ASSERT_TRUE(host.loadPaused(book.root(), part, 21000));
    ASSERT_TRUE(host.waitFor([&] { return host.w().shown.seekEnabled; }));
    expectTheFirstFrameShows(host, "audiobook part way");
  }
}

TEST(MainWindowControls, EveryControlExistsWithItsGlyphAndTooltip) {
  WindowHost host;
  ASSERT_TRUE(host.ok());
  EXPECT_EQ(windowText(host.hwnd()), L"Tarnwick");
  wchar_t className[64] = {};
  GetClassNameW(host.hwnd(), className, 64);
  EXPECT_STREQ(className, L"Tarnwick.Main");
  for (int id = kIdList; id <= kIdListButton; ++id) {
    EXPECT_NE(host.item(id), nullptr) << "control " << id;
    EXPECT_TRUE(IsWindowVisible(host.item(id))) << "control " << id;
  }
  GetClassNameW(host.item(kIdList), className, 64);
  EXPECT_STREQ(className, L"SysListView32");
  const LONG_PTR listStyle = GetWindowLongPtrW(host.item(kIdList), GWL_STYLE);
  EXPECT_TRUE(listStyle & LVS_OWNERDATA);
  EXPECT_TRUE(listStyle & LVS_NOCOLUMNHEADER);
  EXPECT_EQ(SendMessageW(host.item(kIdSeek), TBM_GETRANGEMAX, 0, 0), 10000);
  EXPECT_EQ(SendMessageW(host.item(kIdVolume), TBM_GETRANGEMAX, 0, 0), 100);
  EXPECT_EQ(SendMessageW(host.item(kIdVolume), TBM_GETPOS, 0, 0), 100);
  EXPECT_TRUE(GetWindowLongPtrW(host.hwnd(), GWL_STYLE) & WS_MAXIMIZEBOX);
  EXPECT_TRUE(GetWindowLongPtrW(host.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongPtrW(host.hwnd(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

  // No stored rectangle: the default size at this DPI.
  const layout::Metrics m = metricsOf(host.w());
  const SIZE size = windowSize(host.hwnd());
  EXPECT_EQ(size.cx, m.s(420));
  EXPECT_EQ(size.cy, m.s(480));

  EXPECT_EQ(windowText(host.item(kIdOpenFolder)), L"\xE838");
  EXPECT_EQ(windowText(host.item(kIdPlayPause)), L"\xE768");
  EXPECT_EQ(windowText(host.item(kIdMiniMode)), L"\xE73F");
  expectGlyphShown(host, kIdPlayPause);
  expectGlyphShown(host, kIdShuffle);
  EXPECT_EQ(host.tooltip(kIdOpenFolder), L"Open folder");
  EXPECT_EQ(host.tooltip(kIdPrevious), L"Previous");
  EXPECT_EQ(host.tooltip(kIdPlayPause), L"Play");
  EXPECT_EQ(host.tooltip(kIdNext), L"Next");
  EXPECT_EQ(host.tooltip(kIdShuffle), L"Shuffle: off");
  EXPECT_EQ(host.tooltip(kIdRepeat), L"Repeat: off");
  EXPECT_EQ(host.tooltip(kIdTopmost), L"Always on top: on");
  EXPECT_EQ(host.tooltip(kIdMiniMode), L"Mini mode");
  EXPECT_EQ(host.tooltip(kIdListButton), L"Hide the list");
  EXPECT_EQ(host.tooltip(kIdSeek), L"Seek");
  EXPECT_EQ(host.tooltip(kIdVolume), L"Volume 100%");
  EXPECT_EQ(host.tooltip(kIdTitle), L"");
  // Nine buttons and two bars are tools of the tooltip window.
  ASSERT_NE(host.w().tooltip, nullptr);
  EXPECT_EQ(SendMessageW(host.w().tooltip, TTM_GETTOOLCOUNT, 0, 0), 11);

  // Nothing to seek in yet.
  EXPECT_FALSE(IsWindowEnabled(host.item(kIdSeek)));
}

TEST(MainWindowControls, ToggleButtonsChangeThePlayerGlyphsAndTooltips) {
  WindowHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  host.click(kIdShuffle);
  EXPECT_TRUE(p.view().shuffle);
  EXPECT_EQ(host.tooltip(kIdShuffle), L"Shuffle: on");
  // A notification other than a click is not a command.
  SendMessageW(host.hwnd(), WM_COMMAND, MAKEWPARAM(kIdShuffle, BN_SETFOCUS),
               reinterpret_cast<LPARAM>(host.item(kIdShuffle)));
  EXPECT_TRUE(p.view().shuffle);
  // A real click through the button itself.
  SendMessageW(host.item(kIdShuffle), BM_CLICK, 0, 0);
  EXPECT_TRUE(host.waitFor([&] { return !p.view().shuffle; }));

  const wchar_t* repeatGlyphs[] = {L"\xE8EE", L"\xE8ED", L"\xE8EE"};
  const wchar_t* repeatTips[] = {L"Repeat: all", L"Repeat: one", L"Repeat: off"};
  for (int i = 0; i < 3; ++i) {
    host.click(kIdRepeat);
    EXPECT_EQ(windowText(host.item(kIdRepeat)), repeatGlyphs[i]);
    EXPECT_EQ(host.tooltip(kIdRepeat), repeatTips[i]);
  }
  EXPECT_EQ(p.view().repeat, RepeatMode::Off);

  host.click(kIdTopmost);
  EXPECT_FALSE(p.buildSettings().topmost);
  EXPECT_FALSE(GetWindowLongPtrW(host.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(host.tooltip(kIdTopmost), L"Always on top: off");
  host.click(kIdTopmost);
  EXPECT_TRUE(p.buildSettings().topmost);
  EXPECT_EQ(host.tooltip(kIdTopmost), L"Always on top: on");
  // Wine 8 does not put a window that owns popups (the tooltip window) back into the topmost
  // band; Windows does.
  if (!underWine()) {
    EXPECT_TRUE(GetWindowLongPtrW(host.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  }
}

TEST(MainWindowControls, VolumeBarAndWheelSetTheVolume) {
  WindowHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  host.scroll(host.item(kIdVolume), 35, TB_THUMBPOSITION);
  EXPECT_EQ(p.view().volume, 35);
  EXPECT_FLOAT_EQ(p.view().gain, 0.35f * 0.35f * 0.35f);
  EXPECT_EQ(host.tooltip(kIdVolume), L"Volume 35%");

  // One notch up, and a half notch that waits for its other half.
  SendMessageW(host.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(p.view().volume, 40);
  EXPECT_EQ(SendMessageW(host.item(kIdVolume), TBM_GETPOS, 0, 0), 40);
  SendMessageW(host.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
  EXPECT_EQ(p.view().volume, 40);
  SendMessageW(host.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
  EXPECT_EQ(p.view().volume, 45);
}

TEST(MainWindowPlayback, ADroppedFolderFillsTheListAndPlays) {
  testsupport::TempFolder music(L"twk_window_music_");
  const std::vector<std::wstring> names = {L"01 First", L"02 Second", L"03 Third"};
  for (const std::wstring& name : names) {
    ASSERT_TRUE(testsupport::writeFile(music.path(name + L".wav"), toneWav(30.0)));
  }
  WindowHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();

  HDROP drop = makeDrop({music.root()});
  ASSERT_NE(drop, nullptr);
  SendMessageW(host.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);

  ASSERT_TRUE(host.waitFor([&] { return host.itemCount() == 3; })) << host.itemCount();
  for (int row = 0; row < 3; ++row) EXPECT_EQ(host.rowText(row), names[row]);
  ASSERT_TRUE(host.waitFor([&] {
    return p.view().playState == PlayState::Playing &&
           windowText(host.hwnd()) == L"01 First - Tarnwick";
  })) << "caption: "
      << text::wideToUtf8(windowText(host.hwnd()));
  EXPECT_NE(windowText(host.item(kIdTitle)).find(L"01 First"), std::wstring::npos);
  EXPECT_EQ(windowText(host.item(kIdPlayPause)), L"\xE769");
  EXPECT_EQ(host.tooltip(kIdPlayPause), L"Pause");
  EXPECT_TRUE(IsWindowEnabled(host.item(kIdSeek)));

  // Focusing the list with nothing selected selects the current track.
  HWND list = host.item(kIdList);
  ASSERT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  SetFocus(list);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);

  // Pause: the glyph and tooltip go back, the caption keeps the track.
  host.click(kIdPlayPause);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Paused; }));
  EXPECT_EQ(windowText(host.item(kIdPlayPause)), L"\xE768");
  EXPECT_EQ(host.tooltip(kIdPlayPause), L"Play");
  EXPECT_EQ(windowText(host.hwnd()), L"01 First - Tarnwick");

  // Dragging the seek thumb shows the drag time; a refresh leaves it alone until the drag ends.
  HWND seek = host.item(kIdSeek);
  host.scroll(seek, 5000, TB_THUMBTRACK);
  EXPECT_TRUE(host.w().seekDragging);
  EXPECT_EQ(windowText(host.item(kIdTime)), L"0:15 / 0:30");
  refreshWindow(host.w());
  EXPECT_EQ(windowText(host.item(kIdTime)), L"0:15 / 0:30");
  host.scroll(seek, 5000, TB_ENDTRACK);
  EXPECT_FALSE(host.w().seekDragging);
  EXPECT_EQ(p.positionMs(), 15000u);
  EXPECT_EQ(windowText(host.item(kIdTime)), L"0:15 / 0:30");

  // A double-click on a row plays that row.
  NMITEMACTIVATE activate = {};
  activate.hdr.hwndFrom = host.item(kIdList);
  activate.hdr.idFrom = kIdList;
  activate.hdr.code = NM_DBLCLK;
  activate.iItem = 2;
  SendMessageW(host.hwnd(), WM_NOTIFY, kIdList, reinterpret_cast<LPARAM>(&activate));
  ASSERT_TRUE(host.waitFor([&] {
    return p.view().playState == PlayState::Playing && p.view().playing.index == 2 &&
           windowText(host.hwnd()) == L"03 Third - Tarnwick";
  }));

  // A right click on a row makes it the only selected and focused row before the menu opens.
  RECT row = {};
  row.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row)));
  POINT at = {(row.left + row.right) / 2, (row.top + row.bottom) / 2};
  ClientToScreen(list, &at);
  {
    // The context menu is modal: closed as soon as it shows.
    testsupport::Robot closer{L"#32768", L"", [](HWND) { EndMenu(); }};
    testsupport::RobotRun run(closer);
    SendMessageW(host.hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                 MAKELPARAM(at.x, at.y));
  }
  EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
  EXPECT_EQ(p.view().playing.index, 2);  // dismissed: nothing else happened
}

TEST(MainWindowPlayback, AWindowStartedMinimisedStillStartsThePlayer) {
  testsupport::TempFolder music(L"twk_window_music_");
  ASSERT_TRUE(testsupport::writeFile(music.path(L"only.wav"), toneWav(30.0)));
  WindowHost host(Settings(), SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(host.ok());
  EXPECT_TRUE(IsIconic(host.hwnd()));
  Player& p = host.player();
  p.openPath(music.root(), false, true);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playState == PlayState::Playing; }));
  EXPECT_EQ(host.itemCount(), 1);
}

TEST(MainWindowPlayback, ChapterTicksFollowThePlayingTrack) {
  testsupport::TempFolder book(L"twk_window_book_");
  const std::wstring chapters = book.path(L"chapters.mp3");
  ASSERT_TRUE(CopyFileW(L"" TWK_SOURCE_DIR "/tests/data/tags/id3v23_chapters.mp3", chapters.c_str(),
                        FALSE));
  testsupport::TempFolder plain(L"twk_window_plain_");
  ASSERT_TRUE(testsupport::writeFile(plain.path(L"plain.wav"), toneWav(30.0)));
  WindowHost host;
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  HWND seek = host.item(kIdSeek);

  SendMessageW(host.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({chapters})), 0);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playing.path == chapters; }));
  // Chapters at 0, 300 and 650 ms of one second: the one at the start is no tick.
  ASSERT_EQ(SendMessageW(seek, TBM_GETNUMTICS, 0, 0), 4);
  EXPECT_NEAR(static_cast<double>(SendMessageW(seek, TBM_GETTIC, 0, 0)), 3000, 50);
  EXPECT_NEAR(static_cast<double>(SendMessageW(seek, TBM_GETTIC, 1, 0)), 6500, 50);

  SendMessageW(host.hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({plain.root()})), 0);
  ASSERT_TRUE(host.waitFor([&] { return p.view().playing.path == plain.path(L"plain.wav"); }));
  EXPECT_LE(SendMessageW(seek, TBM_GETNUMTICS, 0, 0), 2);
}

TEST(MainWindowModes, ADpiChangeRebuildsTheFontsAndTheLayout) {
  WindowHost host;
  ASSERT_TRUE(host.ok());
  MainWindow& w = host.w();
  const HFONT oldText = w.fonts.text.get();
  const int oldTextHeight = w.textHeight;
  RECT suggested = {40, 50, 40 + 630, 50 + 720};
  SendMessageW(host.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(w.dpi, 144u);
  EXPECT_NE(w.fonts.text.get(), oldText);
  EXPECT_GT(w.textHeight, oldTextHeight);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(host.item(kIdTitle), WM_GETFONT, 0, 0)),
            w.fonts.text.get());
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(host.item(kIdNext), WM_GETFONT, 0, 0)),
            w.fonts.icon.get());
  RECT r = {};
  GetWindowRect(host.hwnd(), &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 630);
  EXPECT_EQ(r.bottom - r.top, 720);
  RECT next = {};
  GetWindowRect(host.item(kIdNext), &next);
  EXPECT_EQ(next.right - next.left, 54);
  EXPECT_EQ(next.bottom - next.top, 45);
}

TEST(MainWindowModes, MiniModeMovesFocusFromHiddenControlsAndSizesTheWindow) {
  WindowHost host;
  ASSERT_TRUE(host.ok());
  SetFocus(host.item(kIdShuffle));
  ASSERT_EQ(GetFocus(), host.item(kIdShuffle));

  host.click(kIdMiniMode);
  EXPECT_TRUE(host.player().buildSettings().miniMode);
  EXPECT_EQ(GetFocus(), host.item(kIdPlayPause));
  for (int id : {kIdSeek, kIdTime, kIdOpenFolder, kIdShuffle, kIdRepeat, kIdTopmost, kIdListButton,
                 kIdList}) {
    EXPECT_FALSE(IsWindowVisible(host.item(id))) << "control " << id;
  }
  for (int id : {kIdTitle, kIdPrevious, kIdPlayPause, kIdNext, kIdVolume, kIdMiniMode}) {
    EXPECT_TRUE(IsWindowVisible(host.item(id))) << "control " << id;
  }
  EXPECT_EQ(windowText(host.item(kIdMiniMode)), L"\xE740");
  EXPECT_EQ(host.tooltip(kIdMiniMode), L"Full mode");
  EXPECT_FALSE(GetWindowLongPtrW(host.hwnd(), GWL_STYLE) & WS_MAXIMIZEBOX);

  // The client area is the mini-mode size in height, and the controls sit where the layout
  // puts them.
  const layout::Metrics m = metricsOf(host.w());
  RECT client = {};
  GetClientRect(host.hwnd(), &client);
  EXPECT_EQ(client.bottom, layout::miniClientSize(m).height);
  const layout::MiniLayout l = layout::miniLayout(m, client.right);
  RECT play = {};
  GetWindowRect(host.item(kIdPlayPause), &play);
  MapWindowPoints(nullptr, host.hwnd(), reinterpret_cast<POINT*>(&play), 2);
  EXPECT_EQ(play.left, l.playPause.x);
  EXPECT_EQ(play.top, l.playPause.y);
  EXPECT_EQ(play.right - play.left, l.playPause.width);

  // The mini-mode height is fixed for the user.
  MINMAXINFO limits = {};
  SendMessageW(host.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.y, windowSize(host.hwnd()).cy);
  EXPECT_EQ(limits.ptMaxTrackSize.y, limits.ptMinTrackSize.y);

  host.click(kIdMiniMode);
  EXPECT_FALSE(host.player().buildSettings().miniMode);
  EXPECT_TRUE(IsWindowVisible(host.item(kIdList)));
  EXPECT_TRUE(IsWindowVisible(host.item(kIdShuffle)));
  EXPECT_EQ(windowText(host.item(kIdMiniMode)), L"\xE73F");
  EXPECT_TRUE(GetWindowLongPtrW(host.hwnd(), GWL_STYLE) & WS_MAXIMIZEBOX);
  EXPECT_EQ(windowSize(host.hwnd()).cy, m.s(480));
}

TEST(MainWindowModes, OpacityUsesALayeredWindowBelowOneHundred) {
  WindowHost host;
  ASSERT_TRUE(host.ok());
  EXPECT_FALSE(GetWindowLongPtrW(host.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);

  setOpacity(host.w(), 50);
  ASSERT_TRUE(GetWindowLongPtrW(host.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(host.hwnd(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 128);
  EXPECT_TRUE(flags & LWA_ALPHA);
  EXPECT_EQ(host.player().buildSettings().opacity, 50);

  setOpacity(host.w(), 90);
  ASSERT_TRUE(GetLayeredWindowAttributes(host.hwnd(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 230);

  setOpacity(host.w(), 100);
  EXPECT_FALSE(GetWindowLongPtrW(host.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(host.player().buildSettings().opacity, 100);

  // A stored opacity applies at creation.
  host.destroy();
  Settings settings;
  settings.opacity = 60;
  WindowHost dim(settings);
  ASSERT_TRUE(dim.ok());
  ASSERT_TRUE(GetLayeredWindowAttributes(dim.hwnd(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 153);
}

TEST(MainWindowRects, HidingAndShowingTheListRestoresTheHeightAfterAMove) {
  Settings settings;
  settings.fullRect = SettingsRect{60, 40, 560, 640};
  WindowHost host(settings);
  ASSERT_TRUE(host.ok());
  RECT before = {};
  GetWindowRect(host.hwnd(), &before);
  EXPECT_EQ(before.left, 60);
  EXPECT_EQ(before.top, 40);
  EXPECT_EQ(before.right - before.left, 500);
  EXPECT_EQ(before.bottom - before.top, 600);

  host.click(kIdListButton);
  EXPECT_TRUE(host.player().buildSettings().listHidden);
  EXPECT_FALSE(IsWindowVisible(host.item(kIdList)));
  EXPECT_EQ(host.tooltip(kIdListButton), L"Show the list");
  RECT client = {};
  GetClientRect(host.hwnd(), &client);
  EXPECT_EQ(client.bottom, layout::compactHeight(metricsOf(host.w())));
  EXPECT_FALSE(GetWindowLongPtrW(host.hwnd(), GWL_STYLE) & WS_MAXIMIZEBOX);

  SetWindowPos(host.hwnd(), nullptr, 200, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  host.click(kIdListButton);
  EXPECT_FALSE(host.player().buildSettings().listHidden);
  EXPECT_TRUE(IsWindowVisible(host.item(kIdList)));
  RECT after = {};
  GetWindowRect(host.hwnd(), &after);
  EXPECT_EQ(after.left, 200);
  EXPECT_EQ(after.top, 120);
  EXPECT_EQ(after.right - after.left, 500);
  EXPECT_EQ(after.bottom - after.top, 600);
  EXPECT_EQ(host.player().buildSettings().fullRect, (SettingsRect{200, 120, 700, 720}));
}

TEST(MainWindowRects, ATooNarrowStoredRectangleIsIgnored) {
  Settings settings;
  settings.fullRect = SettingsRect{100, 100, 250, 600};
  WindowHost host(settings);
  ASSERT_TRUE(host.ok());
  const layout::Metrics m = metricsOf(host.w());
  const SIZE size = windowSize(host.hwnd());
  EXPECT_EQ(size.cx, m.s(420));
  EXPECT_EQ(size.cy, m.s(480));
}

TEST(MainWindowRects, StartingHiddenOrMiniTakesTheModeHeight) {
  Settings hidden;
  hidden.listHidden = true;
  hidden.fullRect = SettingsRect{30, 30, 530, 630};
  WindowHost host(hidden);
  ASSERT_TRUE(host.ok());
  RECT client = {};
  GetClientRect(host.hwnd(), &client);
  EXPECT_EQ(client.bottom, layout::compactHeight(metricsOf(host.w())));
  EXPECT_EQ(windowSize(host.hwnd()).cx, 500);
  // The stored full height survives for when the list comes back.
  EXPECT_EQ(host.player().buildSettings().fullRect, hidden.fullRect);
  host.destroy();

  Settings mini;
  mini.miniMode = true;
  WindowHost small(mini);
  ASSERT_TRUE(small.ok());
  GetClientRect(small.hwnd(), &client);
  EXPECT_EQ(client.bottom, layout::miniClientSize(metricsOf(small.w())).height);
  EXPECT_FALSE(IsWindowVisible(small.item(kIdSeek)));
}

TEST(MainWindowSave, ClosingSavesTheWindowFlagsAndRectangles) {
  WindowHost host;
  ASSERT_TRUE(host.ok());
  SetWindowPos(host.hwnd(), nullptr, 70, 80, 480, 520, SWP_NOZORDER | SWP_NOACTIVATE);
  host.click(kIdTopmost);
  setOpacity(host.w(), 70);
  host.click(kIdMiniMode);
  RECT miniRect = {};
  GetWindowRect(host.hwnd(), &miniRect);
  const std::wstring path = host.settingsPath();
  SendMessageW(host.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(host.hwnd()));
  host.destroy();

  const Settings saved = loadSettings(path);
  EXPECT_TRUE(saved.miniMode);
  EXPECT_FALSE(saved.listHidden);
  EXPECT_FALSE(saved.topmost);
  EXPECT_EQ(saved.opacity, 70);
  EXPECT_EQ(saved.fullRect, (SettingsRect{70, 80, 550, 600}));
  EXPECT_EQ(saved.miniRect,
            (SettingsRect{miniRect.left, miniRect.top, miniRect.right, miniRect.bottom}));
}

// 144 DPI. Wine takes the DPI from the prefix's LogPixels value when a process starts, so the
// test runs itself again as a child with that value set for the duration; on Windows it runs
// only where the system already is at 144 DPI.
constexpr wchar_t kDpiChildVariable[] = L"TWK_WINDOW_DPI_CHILD";
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

void becomeDpiAware() {
  if (SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return;
  if (SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE)) return;
  SetProcessDPIAware();  // Wine 8 knows only this one
}

void checkWindowAt144Dpi() {
  becomeDpiAware();
  WindowHost host;
  ASSERT_TRUE(host.ok());
  ASSERT_EQ(host.w().dpi, 144u);
  const SIZE size = windowSize(host.hwnd());
  EXPECT_EQ(size.cx, 630);
  EXPECT_EQ(size.cy, 720);
  RECT play = {};
  GetWindowRect(host.item(kIdPlayPause), &play);
  EXPECT_EQ(play.right - play.left, 54);
  EXPECT_EQ(play.bottom - play.top, 45);
  expectGlyphShown(host, kIdPlayPause);
  expectGlyphShown(host, kIdShuffle);
  host.click(kIdListButton);
  RECT client = {};
  GetClientRect(host.hwnd(), &client);
  EXPECT_EQ(client.bottom, layout::compactHeight(metricsOf(host.w())));
  EXPECT_GE(client.bottom, 162);
  host.click(kIdListButton);
  EXPECT_EQ(windowSize(host.hwnd()).cy, 720);
}

// Sets LogPixels for as long as it lives and puts back what was there.
class LogPixelsOverride {
 public:
  explicit LogPixelsOverride(DWORD dpi) {
    DWORD size = sizeof(old_);
    had_ = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                        &old_, &size) == ERROR_SUCCESS;
    set_ = RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi,
                           sizeof(dpi)) == ERROR_SUCCESS;
  }
  ~LogPixelsOverride() {
    if (had_) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &old_, sizeof(old_));
    } else if (set_) {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
    }
  }
  bool ok() const { return set_; }

 private:
  DWORD old_ = 0;
  bool had_ = false;
  bool set_ = false;
};

TEST(MainWindowAudiobook, TheQuestionIsAMessageBoxOfTheWindowWithNoAsTheDefault) {
  testsupport::TempFolder book(L"twk_window_book_");
  const std::wstring a = book.write(L"a.wav", testwav::silence(60, 1000));
  const std::wstring b = book.write(L"b.wav", testwav::silence(60, 1000));
  Settings settings;
  settings.audiobook = true;
  WindowHost host(settings);
  ASSERT_TRUE(host.ok());
  Player& p = host.player();
  ASSERT_TRUE(host.loadPaused(book.root(), a, 10500));

  {
    testsupport::SeenBox box;
    testsupport::Robot no = testsupport::messageBoxRobot(IDNO, &box);
    testsupport::RobotRun run(no);
    p.next();
    ASSERT_TRUE(no.acted);
    EXPECT_EQ(box.caption, L"Audiobook mode");
    EXPECT_EQ(box.text, L"Go to b?\n\nNow at 0:10 in a.");
    EXPECT_EQ(box.owner, host.hwnd());
    EXPECT_TRUE(box.noIsDefault);
  }
  EXPECT_EQ(p.view().playing.path, a);
  EXPECT_EQ(p.view().load.id, -1);

  {
    testsupport::Robot yes = testsupport::messageBoxRobot(IDYES);
    testsupport::RobotRun run(yes);
    p.next();
    ASSERT_TRUE(yes.acted);
  }
  ASSERT_TRUE(host.waitFor([&] {
    const PlayerView v = p.view();
    return v.playState == PlayState::Playing && v.load.id == -1 && v.playing.path == b;
  }));
  EXPECT_EQ(p.backToLabel(), L"Back to 0:10 (a.wav)");
}

TEST(MainWindowDpi, At144DpiTheDefaultWindowIs630By720) {
  if (GetEnvironmentVariableW(kDpiChildVariable, nullptr, 0) != 0) {
    checkWindowAt144Dpi();
    return;
  }
  if (!underWine()) {
    if (GetDpiForSystem() != 144) GTEST_SKIP() << "the system is not at 144 DPI";
    checkWindowAt144Dpi();
    return;
  }
  LogPixelsOverride dpi(144);
  ASSERT_TRUE(dpi.ok());
  wchar_t program[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
  childproc::Child child;
  ASSERT_TRUE(child.start(program, {L"--gtest_filter=MainWindowDpi.At144Dpi*"},
                          childproc::environmentWith({{kDpiChildVariable, L"1"}}), true));
  EXPECT_TRUE(child.wait(120000));
  EXPECT_EQ(child.exitCode, 0u) << "the 144 DPI run failed:\n" << child.output;
}

}  // namespace
