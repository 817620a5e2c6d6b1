#include "tests/support/main_window_host.h"

#include <commctrl.h>

#include "base/messages.h"
#include "tests/support/player_host.h"

namespace testsupport {

MainWindowHost::MainWindowHost(const Settings& settings, int showCommand,
                               const std::wstring& settingsPath) {
  settingsPath_ = settingsPath.empty() ? data_.path(L"settings.ini") : settingsPath;
  hwnd_ = createMainWindow(GetModuleHandleW(nullptr), StartOptions(), settings, settingsPath_,
                           showCommand);
  if (!hwnd_) return;
  started_ = pumpUntil(
      [this] {
        MSG m;
        MainWindow* w = mainWindowOf(hwnd_);
        return w && w->firstPaintDone &&
               !PeekMessageW(&m, hwnd_, WM_APP_START, WM_APP_START, PM_NOREMOVE);
      },
      kWaitMs);
}

bool MainWindowHost::ok() const {
  return hwnd_ && started_ && mainWindowOf(hwnd_) && mainWindowOf(hwnd_)->player;
}

bool MainWindowHost::open(const std::wstring& path, bool includeSubfolders) const {
  player().openPath(path, includeSubfolders, false);
  return waitFor([this] { return player().view().pendingScanId == 0; });
}

bool MainWindowHost::loadPaused(const std::wstring& source, const std::wstring& track,
                                uint64_t ms) const {
  restoreTrack(player(), source, track, ms);
  return waitFor([&] { return pausedOn(player(), track); });
}

void MainWindowHost::click(int id) const {
  SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item(id)));
}

std::wstring MainWindowHost::tooltip(int id) const {
  NMTTDISPINFOW info = {};
  info.hdr.hwndFrom = w().tooltip;
  info.hdr.idFrom = reinterpret_cast<UINT_PTR>(item(id));
  info.hdr.code = TTN_GETDISPINFOW;
  info.uFlags = TTF_IDISHWND;
  SendMessageW(hwnd_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  return info.lpszText ? std::wstring(info.lpszText) : std::wstring();
}

void MainWindowHost::scroll(HWND bar, int position, int code) const {
  SendMessageW(bar, TBM_SETPOS, TRUE, position);
  SendMessageW(hwnd_, WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(bar));
}

int MainWindowHost::itemCount() const {
  return static_cast<int>(SendMessageW(item(kIdList), LVM_GETITEMCOUNT, 0, 0));
}

std::wstring MainWindowHost::rowText(int row) const {
  wchar_t buffer[260] = {};
  LVITEMW lvItem = {};
  lvItem.iSubItem = 0;
  lvItem.pszText = buffer;
  lvItem.cchTextMax = 260;
  SendMessageW(item(kIdList), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&lvItem));
  return buffer;
}

void MainWindowHost::destroy() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
  MSG m;
  while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace testsupport
