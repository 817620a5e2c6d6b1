// The process: prepare it, read the command line, hand over to a running player or become
// the player, read the settings, create the main window and run its messages.
#include <windows.h>

#include "app/single_instance.h"
#include "app/startup.h"
#include "base/scoped_win.h"
#include "base/settings_file.h"
#include "ui/main_window.h"
#include "ui/startup_time.h"

namespace {

constexpr int kExitFailed = 1;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  markStartupStage("winmain");
  // Libraries come only from the system's safe folders, never the current one.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);

  const base::ComApartment com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (!com.ok()) return kExitFailed;
  markStartupStage("com");

  const StartOptions options = readStartOptions();

  // Measuring runs alongside a running player: no lock, no hand-off.
  SingleInstance instanceLock;
  if (!options.measureStartup && !instanceLock.claim() && sendHandoff(options.paths)) return 0;

  const SettingsPaths paths = prepareDataFolder();
  const Settings settings = loadSettings(paths.settingsPath);
  markStartupStage("settings");

  HWND window = createMainWindow(instance, options, settings, paths.settingsPath, showCommand);
  if (!window) return kExitFailed;
  return runMessageLoop(window);
}
