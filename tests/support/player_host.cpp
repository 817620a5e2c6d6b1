#include "tests/support/player_host.h"

#include <tlhelp32.h>

#include <cstdio>

#include "base/scoped_win.h"
#include "base/text.h"
#include "ui/player_messages.h"

namespace testsupport {

namespace {

constexpr wchar_t kHostClass[] = L"Tarnwick.PlayerHost";

struct HostParams {
  const Settings* settings;
  const StartOptions* options;
  const std::wstring* settingsPath;
};

Player* playerOf(HWND window) {
  return reinterpret_cast<Player*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    Player* player = playerOf(window);
    LRESULT result = 0;
    switch (message) {
      case WM_CREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const auto* params = static_cast<const HostParams*>(create->lpCreateParams);
        auto created = std::make_unique<Player>(window, *params->settings, *params->options,
                                                *params->settingsPath);
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
        if (routePlayerMessage(player, message, wParam, lParam, result)) return result;
        break;
    }
  } catch (...) {
    return message == WM_CREATE ? -1 : 0;  // no window without its player
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

const char* stateName(PlayState state) {
  switch (state) {
    case PlayState::Idle:
      return "Idle";
    case PlayState::Loading:
      return "Loading";
    case PlayState::Playing:
      return "Playing";
    case PlayState::Paused:
      return "Paused";
    case PlayState::Stopped:
      return "Stopped";
    case PlayState::Failed:
      return "Failed";
  }
  return "?";
}

}  // namespace

PlayerHost::PlayerHost(const Settings& settings, StartOptions options) {
  settingsPath_ = data_.path(L"settings.ini");
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = hostProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kHostClass;
  // Registering twice fails harmlessly; the first registration stands.
  RegisterClassExW(&windowClass);
  HostParams params{&settings, &options, &settingsPath_};
  window_ =
      CreateWindowExW(0, kHostClass, L"Tarnwick", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      320, 200, nullptr, nullptr, GetModuleHandleW(nullptr), &params);
  if (!window_) return;
  player_ = playerOf(window_);
  if (!player_) return;
  PlayerHooks hooks;
  hooks.confirm = [this](const std::wstring& question) {
    questions.push_back(question);
    return onQuestion ? onQuestion(question) : answer;
  };
  hooks.changed = [this] {
    const std::wstring path = player_->view().playing.path;
    if (!path.empty() && (played.empty() || played.back() != path)) played.push_back(path);
  };
  hooks.clock = [this] { return GetTickCount64() + clockOffsetMs; };
  player_->setHooks(std::move(hooks));
  player_->startWorkers();
}

PlayerHost::~PlayerHost() { destroy(); }

void PlayerHost::destroy() {
  if (window_) DestroyWindow(window_);
  window_ = nullptr;
  player_ = nullptr;
}

std::string PlayerHost::describe() {
  if (!player_) return "no player";
  const PlayerView p = player_->view();
  return "state=" + std::string(stateName(p.playState)) +
         " current=" + std::to_string(player_->trackList().current) +
         " playing.index=" + std::to_string(p.playing.index) +
         " playing=" + text::wideToUtf8(p.playing.path) + " load.id=" + std::to_string(p.load.id) +
         " preload.id=" + std::to_string(p.preload.id) +
         " prepared.index=" + std::to_string(p.prepared.index) +
         " unplayable=" + std::to_string(p.unplayableCount) + " status=\"" +
         text::wideToUtf8(p.statusMessage) + "\"";
}

bool PlayerHost::waitFor(const std::function<bool()>& done, const char* what, DWORD timeoutMs) {
  if (pumpUntil(done, timeoutMs)) return true;
  std::fprintf(stderr, "timed out waiting for: %s (%s)\n", what, describe().c_str());
  return false;
}

bool PlayerHost::waitForQueued(UINT message, const char* what, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    if (PeekMessageW(&msg, window_, message, message, PM_NOREMOVE)) return true;
    if (GetTickCount64() >= deadline) break;
    Sleep(5);  // polling a queue we must not drain
  }
  std::fprintf(stderr, "timed out waiting for a queued message: %s (%s)\n", what,
               describe().c_str());
  return false;
}

bool PlayerHost::loadPaused(const std::wstring& source, const std::wstring& track, uint64_t ms) {
  restoreTrack(*player_, source, track, ms);
  return waitFor([&] { return pausedOn(*player_, track); }, "the track loaded paused");
}

bool pausedOn(const Player& player, const std::wstring& path) {
  const PlayerView v = player.view();
  return v.playState == PlayState::Paused && v.load.id == -1 && v.playing.path == path;
}

bool playsNow(const Player& player, const std::wstring& path) {
  const PlayerView v = player.view();
  return v.playState == PlayState::Playing && v.load.id == -1 && v.playing.path == path;
}

void restoreTrack(Player& player, const std::wstring& source, const std::wstring& track,
                  uint64_t ms) {
  player.openPath(source, false, false);
  player.restoreSession(L"", L"", track, ms);
}

size_t threadCount() {
  const base::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return 0;
  size_t count = 0;
  THREADENTRY32 entry;
  entry.dwSize = sizeof(entry);
  const DWORD self = GetCurrentProcessId();
  if (Thread32First(snapshot.get(), &entry)) {
    do {
      if (entry.th32OwnerProcessID == self) ++count;
      entry.dwSize = sizeof(entry);
    } while (Thread32Next(snapshot.get(), &entry));
  }
  return count;
}

}  // namespace testsupport
