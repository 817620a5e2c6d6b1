// The system media controls of a window through the Windows Runtime.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <memory>

#include "smtc/controls.h"
#include "smtc/winrt_media.h"

namespace smtc {

// The platform's controls bound to the window; empty when the platform has none or a step of
// reaching them failed. Pressed buttons are posted to window as message.
std::unique_ptr<Platform> openPlatform(HWND window, UINT message);

// The ButtonPressed handler: posts message with the button's wParam (0 play, 1 pause, 2 next,
// 3 previous) and lParam 0 to window, and nothing for any other button. It runs on the
// platform's threads and touches nothing else.
Microsoft::WRL::ComPtr<abi::IButtonPressedHandler> makeButtonHandler(HWND window, UINT message);

}  // namespace smtc
