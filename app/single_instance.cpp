#include "app/single_instance.h"

#include "app/handoff.h"
#include "player/playback_rules.h"
#include "player/player.h"
#include "ui/main_window.h"

namespace {

constexpr wchar_t kPlayerWindowClass[] = L"Tarnwick.Main";  // the main window's class
constexpr ULONGLONG kFindWindowMs = 3000;
constexpr DWORD kFindRetryMs = 50;
constexpr UINT kSendTimeoutMs = 5000;

}  // namespace

bool SingleInstance::claim() {
  close();
  mutex_.reset(CreateMutexW(nullptr, FALSE, kSingleInstanceMutex));
  // Without a mutex there is no way to find out: run as the only player.
  return !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

void SingleInstance::close() { mutex_.reset(); }

bool sendHandoff(const std::vector<std::wstring>& paths) {
  const ULONGLONG start = GetTickCount64();
  HWND target = FindWindowW(kPlayerWindowClass, nullptr);
  // The running player may still be creating its window.
  while (!target) {
    if (GetTickCount64() - start >= kFindWindowMs) return false;
    Sleep(kFindRetryMs);
    target = FindWindowW(kPlayerWindowClass, nullptr);
  }

  std::wstring payload = handoff::buildPayload(paths);
  DWORD processId = 0;
  GetWindowThreadProcessId(target, &processId);
  if (processId != 0) AllowSetForegroundWindow(processId);

  COPYDATASTRUCT data = {};
  data.dwData = static_cast<ULONG_PTR>(handoff::kIdentifier);
  data.cbData = static_cast<DWORD>(payload.size() * sizeof(wchar_t));
  data.lpData = payload.empty() ? nullptr : payload.data();
  DWORD_PTR result = 0;
  SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                      kSendTimeoutMs, &result);
  return true;
}

LRESULT receiveHandoff(MainWindow& w, const COPYDATASTRUCT* data) {
  if (!data) return 0;
  std::vector<std::wstring> paths;
  if (!handoff::readPayload(data->dwData, data->lpData, data->cbData, paths)) return 0;

  if (IsIconic(w.hwnd)) ShowWindow(w.hwnd, SW_RESTORE);
  SetForegroundWindow(w.hwnd);

  if (!paths.empty() && w.player) {
    // Outside audiobook mode (or with nothing playing) the confirmation answers yes at once.
    if (w.player->confirm(L"Open " + std::wstring(fileNameOfPath(paths.front())))) {
      w.player->openPaths(paths);
    }
  }
  return 1;
}
