#include "tests/support/modal_robot.h"

#include "base/text.h"

namespace testsupport {

namespace {

Robot* g_active = nullptr;  // the one working on this thread

void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
  Robot* robot = g_active;
  if (robot == nullptr) return;
  if (!robot->acted) {
    if (HWND window = findThreadWindow(robot->className, robot->caption)) {
      robot->acted = true;
      robot->act(window);
      if (robot->then) {
        robot->then->startedMs = GetTickCount64();
        g_active = robot->then;
      }
      return;
    }
  }
  // Not found, or what it did left the loop running: end it (and any message box it raised)
  // on every tick from now on, so the test fails instead of hanging.
  if (GetTickCount64() - robot->startedMs > kRobotGiveUpMs) {
    robot->gaveUp = true;
    EndMenu();
    if (HWND dialog = findThreadWindow(L"#32770", L"")) {
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
  }
}

}  // namespace

RobotRun::RobotRun(Robot& robot) : robot_(robot) {
  robot_.startedMs = GetTickCount64();
  g_active = &robot_;
  timer_ = SetTimer(nullptr, 0, 20, tick);
}

RobotRun::~RobotRun() {
  KillTimer(nullptr, timer_);
  g_active = nullptr;
}

HWND findThreadWindow(const std::wstring& className, const std::wstring& caption) {
  struct Search {
    const std::wstring* className;
    const std::wstring* caption;
    HWND found;
  } search = {&className, &caption, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(param);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        if (IsWindowVisible(window) && *s.className == name &&
            (s.caption->empty() || *s.caption == title)) {
          s.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND findChild(HWND parent, const std::wstring& className, const std::wstring& caption) {
  struct Search {
    const std::wstring* className;
    const std::wstring* caption;
    HWND found;
  } search = {&className, &caption, nullptr};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(param);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        if (text::equalsOrdinalIgnoreCase(*s.className, name) &&
            (s.caption->empty() || *s.caption == title)) {
          s.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void pressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

Robot messageBoxRobot(int button, SeenBox* seen) {
  return Robot{L"#32770", L"", [button, seen](HWND box) {
                 if (seen) {
                   wchar_t buffer[512] = {};
                   GetWindowTextW(box, buffer, 512);
                   seen->caption = buffer;
                   GetDlgItemTextW(box, 0xFFFF, buffer, 512);
                   seen->text = buffer;
                   seen->owner = GetWindow(box, GW_OWNER);
                   const LONG_PTR style = GetWindowLongPtrW(GetDlgItem(box, IDNO), GWL_STYLE);
                   seen->noIsDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
                 }
                 PostMessageW(box, WM_COMMAND, button, 0);
               }};
}

}  // namespace testsupport
