#include "app/single_instance.h"

#include "base/handoff.h"
#include "ui/main_window.h"

namespace {

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
  HWND target = FindWindowW(kMainWindowClass, nullptr);
  // The running player may still be creating its window.
  while (!target) {
    if (GetTickCount64() - start >= kFindWindowMs) return false;
    Sleep(kFindRetryMs);
    target = FindWindowW(kMainWindowClass, nullptr);
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
