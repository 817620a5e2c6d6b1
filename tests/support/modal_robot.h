// Acts on a window that a modal loop of this thread shows (a menu, a message box or a shell
// dialog): a thread timer, dispatched by that loop, looks for it and hands it to `act` once.
// After kRobotGiveUpMs without finding it, it closes whatever it can, so a test never hangs.
// No GoogleTest here.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace testsupport {

constexpr DWORD kRobotGiveUpMs = 30000;

struct Robot {
  std::wstring className;
  std::wstring caption;  // empty: any
  std::function<void(HWND)> act;
  Robot* then = nullptr;  // takes over once this one has acted (a dialog, then a question)
  bool acted = false;
  bool gaveUp = false;
  ULONGLONG startedMs = 0;
};

// The robot works while this lives.
class RobotRun {
 public:
  explicit RobotRun(Robot& robot);
  ~RobotRun();
  RobotRun(const RobotRun&) = delete;
  RobotRun& operator=(const RobotRun&) = delete;

 private:
  Robot& robot_;
  UINT_PTR timer_ = 0;
};

// A shown top-level window of this thread, or a child of `parent`, by class and caption.
HWND findThreadWindow(const std::wstring& className, const std::wstring& caption);
HWND findChild(HWND parent, const std::wstring& className, const std::wstring& caption);
void pressButton(HWND dialog, int id);

// What a message box showed.
struct SeenBox {
  std::wstring caption, text;
  HWND owner = nullptr;
  bool noIsDefault = false;  // the No button is the default push button
};
// A robot that answers the next message box with `button`, noting what it showed in `seen`.
Robot messageBoxRobot(int button, SeenBox* seen = nullptr);

}  // namespace testsupport
