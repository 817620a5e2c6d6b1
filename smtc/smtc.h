// The start of the system media controls for the main window.
#pragma once

#include <windows.h>

#include "smtc/controls.h"

namespace smtc {

// Reaches the platform's controls for the window and starts them; pressed buttons come to
// window as message. True when the controls are active afterwards (also when they already
// were); any failure leaves them inactive.
bool init(Controls& controls, HWND window, UINT message);

}  // namespace smtc
