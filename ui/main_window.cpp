#include "ui/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <new>
#include <utility>

#include "base/messages.h"
#include "player/player.h"
#include "ui/dialogs.h"
#include "ui/draw_math.h"
#include "ui/drawing.h"
#include "ui/fonts.h"
#include "ui/layout.h"
#include "ui/startup_time.h"
#include "ui/window_ops.h"
#include "ui/window_proc.h"
#include "ui/window_texts.h"

namespace {

constexpr int kIconResource = 1;
constexpr int kInitialColumnWidth = 100;

// Hands the MainWindow to the window procedure: WM_NCCREATE takes it out of here (from then
// on the window owns it until WM_NCDESTROY).
struct Creation {
  std::unique_ptr<MainWindow> w;
};

bool registerMainClass(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = mainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                           LR_DEFAULTCOLOR));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kMainWindowClass;
  // A second window in the same process (the tests make several) finds the class there.
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The size of the window in its mode: a usable stored rectangle in full mode with the list;
// otherwise the stored width (or the default) and the height the mode fixes.
SIZE modeSize(const MainWindow& w, bool accepted, const SettingsRect& stored) {
  const layout::Metrics m = metricsOf(w);
  if (accepted && !w.miniMode && !w.listHidden) {
    return {stored.right - stored.left, stored.bottom - stored.top};
  }
  const int width = accepted ? stored.right - stored.left : m.s(layout::kDefaultWidth);
  if (w.miniMode) return {width, windowHeightFor(w, layout::miniClientSize(m).height)};
  if (w.listHidden) return {width, windowHeightFor(w, layout::compactHeight(m))};
  return {width, m.s(layout::kDefaultHeight)};
}

// A child made in the place the first frame painted it in, shown if its mode shows it.
HWND createChild(MainWindow& w, const wchar_t* className, DWORD style, int id,
                 const layout::Box& box, const std::wstring& text = std::wstring()) {
  if (shownInMode(w, id)) style |= WS_VISIBLE;
  return CreateWindowExW(0, className, text.c_str(), WS_CHILD | style, box.x, box.y, box.width,
                         box.height, w.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         w.instance, nullptr);
}

HWND createButton(MainWindow& w, int id, const layout::Box& box, bool enabled) {
  HWND button = createChild(w, L"BUTTON", WS_TABSTOP | BS_OWNERDRAW | (enabled ? 0 : WS_DISABLED),
                            id, box, buttonGlyph(id, w.shown));
  w.buttons[id - kIdOpenFolder] = button;
  return button;
}

HWND createTrackbar(MainWindow& w, int id, const layout::Box& box, int maximum, int line, int page,
                    int position, bool enabled) {
  HWND bar = createChild(w, TRACKBAR_CLASSW, WS_TABSTOP | TBS_NOTICKS | (enabled ? 0 : WS_DISABLED),
                         id, box);
  if (!bar) return nullptr;
  SendMessageW(bar, TBM_SETRANGEMIN, FALSE, 0);
  SendMessageW(bar, TBM_SETRANGEMAX, FALSE, maximum);
  SendMessageW(bar, TBM_SETLINESIZE, 0, line);
  SendMessageW(bar, TBM_SETPAGESIZE, 0, page);
  // With a redraw: only that moves the bar's thumb rectangle (the bar is not painted yet).
  SendMessageW(bar, TBM_SETPOS, TRUE, position);
  return bar;
}

void addTool(MainWindow& w, HWND control) {
  if (!w.tooltip || !control) return;
  TTTOOLINFOW tool = {};
  // The version 5 size: understood by both common-control versions.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = w.hwnd;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(w.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// Every child but the list, in the order of the design, each showing what the first frame
// painted in its place (w.shown), with its font and subclass.
void createControls(MainWindow& w, const std::vector<Place>& places) {
  const StatusView& s = w.shown;
  w.title = createChild(w, L"STATIC", SS_OWNERDRAW | SS_NOPREFIX, kIdTitle,
                        placeOf(places, kIdTitle), s.title);
  w.shownSeekPosition = draw::seekPosition(s.fraction);
  w.seek = createTrackbar(w, kIdSeek, placeOf(places, kIdSeek), draw::kSeekRange, 100, 1000,
                          w.shownSeekPosition, s.seekEnabled);
  w.time = createChild(w, L"STATIC", SS_OWNERDRAW | SS_NOPREFIX, kIdTime, placeOf(places, kIdTime),
                       s.time);
  for (int id = kIdOpenFolder; id <= kIdRepeat; ++id) {
    createButton(w, id, placeOf(places, id), id != kIdShuffle || !s.audiobook);
  }
  w.volume = createTrackbar(w, kIdVolume, placeOf(places, kIdVolume), 100, 2, 10,
                            std::clamp(s.volume, 0, 100), true);
  for (int id = kIdTopmost; id <= kIdListButton; ++id) {
    createButton(w, id, placeOf(places, id), true);
  }

  for (HWND button : w.buttons) {
    if (button) subclassControl(w, button, false);
  }
  for (HWND bar : {w.seek, w.volume}) {
    if (bar) subclassControl(w, bar, true);
  }
  // Fonts: buttons the icon font, the labels the text font.
  for (HWND button : w.buttons) {
    if (button) {
      SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(w.fonts.icon.get()), FALSE);
    }
  }
  for (HWND control : {w.title, w.time}) {
    if (control) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(w.fonts.text.get()), FALSE);
    }
  }
}

// The list and its scroll strip, made last so that they come after every other control.
void createList(MainWindow& w, const Player& player, const std::vector<Place>& places,
                int columnWidth) {
  w.list = createChild(w, WC_LISTVIEWW,
                       WS_TABSTOP | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SINGLESEL |
                           LVS_SHOWSELALWAYS | LVS_OWNERDATA | LVS_NOCOLUMNHEADER,
                       kIdList, placeOf(places, kIdList));
  if (!w.list) return;
  SendMessageW(w.list, LVM_SETBKCOLOR, 0, w.palette.listEven);
  SendMessageW(w.list, LVM_SETTEXTBKCOLOR, 0, w.palette.listEven);
  SendMessageW(w.list, LVM_SETTEXTCOLOR, 0, w.palette.listText);
  const DWORD extended = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
  SendMessageW(w.list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  column.cx = columnWidth >= 0 ? columnWidth : kInitialColumnWidth;
  SendMessageW(w.list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  SendMessageW(w.list, LVM_SETITEMCOUNT, player.trackList().size(), LVSICF_NOINVALIDATEALL);
  w.scroll = createScrollWindow(w, placeOf(places, kScrollPlace), shownInMode(w, kScrollPlace));
  // Above the list, so that it covers the list's edge.
  if (w.scroll) {
    SetWindowPos(w.scroll, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  subclassList(w);
  SendMessageW(w.list, WM_SETFONT, reinterpret_cast<WPARAM>(w.fonts.text.get()), FALSE);
}

void installPlayerHooks(MainWindow& w) {
  MainWindow* window = &w;
  PlayerHooks hooks;
  hooks.changed = [window] { refreshWindow(*window); };
  hooks.rowsChanged = [window](int64_t a, int64_t b) { repaintListRows(*window, a, b); };
  hooks.listChanged = [window](int64_t row, bool select) {
    if (!window->list || !window->player) return;
    const int64_t count = static_cast<int64_t>(window->player->trackList().size());
    SendMessageW(window->list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    if (row >= 0 && row < count) {
      if (select) {
        LVITEMW none = {};
        none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(window->list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&none));
        LVITEMW chosen = {};
        chosen.state = LVIS_SELECTED | LVIS_FOCUSED;
        chosen.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(window->list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&chosen));
      }
      SendMessageW(window->list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
    InvalidateRect(window->list, nullptr, TRUE);
  };
  hooks.confirm = [window](const std::wstring& question) {
    return askAudiobookQuestion(window->hwnd, question);
  };
  hooks.windowSettings = [window](Settings& s) {
    s.topmost = window->topmost;
    s.miniMode = window->miniMode;
    s.listHidden = window->listHidden;
    s.opacity = window->opacity;
    s.fullRect = window->fullRect;
    s.miniRect = window->miniRect;
  };
  w.player->setHooks(std::move(hooks));
}

void createTooltips(MainWindow& w) {
  if (w.tooltip || !w.hwnd) return;
  w.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, w.hwnd, nullptr, w.instance, nullptr);
  for (HWND button : w.buttons) addTool(w, button);
  addTool(w, w.seek);
  addTool(w, w.volume);
}

}  // namespace

void createAfterFirstFrame(MainWindow& w) {
  if (!w.title && w.player) {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS;
    InitCommonControlsEx(&controls);
    RECT client = {};
    GetClientRect(w.hwnd, &client);
    int columnWidth = -1;
    const std::vector<Place> places = placesFor(w, client.right, client.bottom, true, &columnWidth);
    createControls(w, places);
    createList(w, *w.player, places, columnWidth);
    // They show what the first frame showed; whatever changed since is brought up to date.
    w.shownValid = true;
    refreshWindow(w);
    layoutWindow(w);
    DragAcceptFiles(w.hwnd, TRUE);
  }
  createTooltips(w);
}

LRESULT adoptMainWindow(HWND window, LPARAM createStruct) {
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(createStruct);
  auto* creation = static_cast<Creation*>(create->lpCreateParams);
  if (!creation || !creation->w) return FALSE;
  creation->w->hwnd = window;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->w.release()));
  return TRUE;
}

void releaseMainWindow(HWND window) {
  const std::unique_ptr<MainWindow> owned(mainWindowOf(window));
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

MainWindow* mainWindowOf(HWND window) {
  return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND createMainWindow(HINSTANCE instance, const StartOptions& options, const Settings& settings,
                      const std::wstring& settingsPath, int showCommand) {
  Creation creation;
  creation.w.reset(new (std::nothrow) MainWindow());
  if (!creation.w) return nullptr;
  MainWindow* w = creation.w.get();
  w->instance = instance;
  w->measureStartup = options.measureStartup;
  computeColours(*w);

  if (!registerMainClass(instance)) return nullptr;
  registerScrollClass(instance);

  w->topmost = settings.topmost;
  w->miniMode = settings.miniMode;
  w->listHidden = settings.listHidden;
  w->opacity = settings.opacity;
  w->fullRect = settings.fullRect;
  w->miniRect = settings.miniRect;
  const bool fullAccepted =
      layout::acceptStoredRect(settings.fullRect, false, onSomeMonitor(settings.fullRect));
  const bool miniAccepted =
      layout::acceptStoredRect(settings.miniRect, true, onSomeMonitor(settings.miniRect));
  const bool accepted = w->miniMode ? miniAccepted : fullAccepted;
  const SettingsRect& stored = w->miniMode ? settings.miniRect : settings.fullRect;

  // The fonts and the mode's size come before the window, so that it is made at its size. The
  // system's scale stands in for the window's until it exists; a window that lands on a monitor
  // of another scale is measured again and resized.
  w->dpi = GetDpiForSystem();
  if (w->dpi == 0) w->dpi = 96;
  w->drawnGlyphs = !chooseFaces(w->textFace, w->iconFace);
  rebuildFonts(*w);
  markStartupStage("fonts");
  SIZE size = modeSize(*w, accepted, stored);
  const int x = accepted ? stored.left : CW_USEDEFAULT;
  const int y = accepted ? stored.top : CW_USEDEFAULT;
  w->shown.caption = L"Tarnwick";
  HWND hwnd = CreateWindowExW(settings.topmost ? WS_EX_TOPMOST : 0, kMainWindowClass,
                              w->shown.caption.c_str(), mainWindowStyle(w->miniMode, w->listHidden),
                              x, y, size.cx, size.cy, nullptr, nullptr, instance, &creation);
  // Without the window, a MainWindow it never took goes with `creation`.
  if (!hwnd) return nullptr;
  markStartupStage("window");

  setFrameColours(*w);
  try {
    w->player = std::make_unique<Player>(hwnd, settings, options, settingsPath);
  } catch (...) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  installPlayerHooks(*w);
  markStartupStage("player");

  const UINT dpi = GetDpiForWindow(hwnd);
  if (dpi != 0 && dpi != w->dpi) {
    w->dpi = dpi;
    rebuildFonts(*w);
    size = modeSize(*w, accepted, stored);
    SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  setOpacity(*w, w->opacity);
  refreshWindow(*w);
  markStartupStage("refresh");

  w->ready = true;
  rememberRect(*w);
  ShowWindow(hwnd, showCommand);
  markStartupStage("show");
  UpdateWindow(hwnd);
  // A window started minimised or hidden gets no paint until it is shown; the player must
  // not wait for that to start its workers and open its paths.
  if (IsWindow(hwnd) && (IsIconic(hwnd) || !IsWindowVisible(hwnd))) {
    MainWindow* created = mainWindowOf(hwnd);
    if (created && !created->firstPaintDone && !created->measureStartup) {
      created->firstPaintDone = true;
      createAfterFirstFrame(*created);
      PostMessageW(hwnd, WM_APP_START, 0, 0);
    }
  }
  return hwnd;
}
