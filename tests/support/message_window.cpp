#include "tests/support/message_window.h"

#include <algorithm>

namespace testsupport {

MessageWindow::MessageWindow() {
  static const ATOM atom = [] {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TwkTestMessageWindow";
    return RegisterClassW(&windowClass);
  }();
  window_ = CreateWindowExW(0, MAKEINTATOM(atom), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
}

MessageWindow::~MessageWindow() {
  collect();
  DestroyWindow(window_);
}

void MessageWindow::collect() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.hwnd != window_) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      continue;
    }
    Posted p;
    p.message = msg.message;
    p.wParam = msg.wParam;
    if (carriesRecord(msg.message)) {
      p.record = takeRecord<PostedRecord>(msg.lParam);
    } else {
      p.lParam = msg.lParam;
    }
    posted.push_back(std::move(p));
  }
}

bool MessageWindow::waitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    collect();
    if (done()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr,
                                static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                                QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

bool MessageWindow::has(UINT message) const {
  return std::any_of(posted.begin(), posted.end(),
                     [message](const Posted& p) { return p.message == message; });
}

}  // namespace testsupport
