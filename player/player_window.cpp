#include "player/player_window.h"

#include <memory>
#include <new>

#include "base/messages.h"
#include "player/player.h"

namespace {

constexpr wchar_t kHostClass[] = L"Tarnwick.PlayerHost";

template <typename Record>
std::unique_ptr<Record> takeRecord(LPARAM lParam) {
  return std::unique_ptr<Record>(reinterpret_cast<Record*>(lParam));
}

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    Player* player = playerOf(window);
    LRESULT result = 0;
    switch (message) {
      case WM_CREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const auto* params = static_cast<const PlayerWindowParams*>(create->lpCreateParams);
        if (!params) return -1;
        std::unique_ptr<Player> created;
        try {
          created = std::make_unique<Player>(window, params->settings, params->options,
                                             params->settingsPath);
        } catch (...) {
          return -1;  // the window is not created without its player
        }
        // The window owns it from here until WM_DESTROY.
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created.release()));
        return 0;
      }
      case WM_CLOSE:
        if (player) player->save();
        DestroyWindow(window);
        return 0;
      case WM_ENDSESSION:
        if (player && wParam) player->save();
        return 0;
      case WM_DESTROY:
        if (player) {
          const std::unique_ptr<Player> owned(player);
          SetWindowLongPtrW(window, GWLP_USERDATA, 0);
          owned->shutdown();
        }
        return 0;
      default:
        if (routePlayerMessage(player, window, message, wParam, lParam, result)) return result;
        break;
    }
  } catch (...) {
    // Out of memory in a handler: nothing may unwind into the system's dispatcher.
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool routePlayerMessage(Player* player, HWND, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) noexcept {
  try {
    switch (message) {
      case WM_APP_LOAD_DONE: {
        auto record = takeRecord<LoadResult>(lParam);
        if (player) player->onLoadDone(std::move(record));
        result = 0;
        return true;
      }
      case WM_APP_SCAN_PROGRESS:
        if (player)
          player->onScanProgress(static_cast<uint32_t>(wParam), static_cast<uint64_t>(lParam));
        result = 0;
        return true;
      case WM_APP_SCAN_DONE: {
        auto record = takeRecord<ScanResult>(lParam);
        if (player) player->onScanDone(std::move(record));
        result = 0;
        return true;
      }
      case WM_APP_TITLES: {
        auto record = takeRecord<ScanTitleBatch>(lParam);
        if (player) player->onTitles(std::move(record));
        result = 0;
        return true;
      }
      case WM_APP_MEDIA_BUTTON:
        if (player) player->onMediaButton(wParam);
        result = 0;
        return true;
      case WM_APPCOMMAND:
        if (player && player->onAppCommand(GET_APPCOMMAND_LPARAM(lParam))) {
          result = TRUE;
          return true;
        }
        return false;
      case WM_TIMER:
        if (wParam == Player::kNoticeTimer) {
          if (player) player->onNoticeTimer();
          result = 0;
          return true;
        }
        if (wParam != Player::kTickTimer) return false;
        if (player) player->onTimer();
        result = 0;
        return true;
      default:
        return false;
    }
  } catch (...) {
    // The record was already taken (and freed by its unique_ptr on the way out).
    result = 0;
    return true;
  }
}

Player* playerOf(HWND window) {
  return reinterpret_cast<Player*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND createPlayerWindow(HINSTANCE instance, const PlayerWindowParams& params) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = hostProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kHostClass;
  // Registering twice fails harmlessly; the first registration stands.
  RegisterClassExW(&windowClass);
  return CreateWindowExW(0, kHostClass, L"Tarnwick", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance,
                         const_cast<PlayerWindowParams*>(&params));
}
