#include "ui/radio_commands.h"

#include <string>

#include "player/player.h"
#include "ui/add_station_dialog.h"
#include "ui/context_menu.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/radio_menu.h"

bool runRadioCommand(MainWindow& w, const MenuSnapshot& snapshot, UINT id) {
  Player& player = *w.player;
  if (id >= kCmdStationFirst && id < kCmdStationFirst + Settings::kMaxStations) {
    const size_t index = id - kCmdStationFirst;
    if (index < player.view().stations.size()) player.playStation(static_cast<int64_t>(index));
    return true;
  }
  switch (id) {
    case kCmdAddStation: {
      std::wstring name, url;
      // addStation refuses it in audiobook mode and at 200 stations.
      if (askNewStation(w.hwnd, name, url)) player.addStation(name, url);
      return true;
    }
    case kCmdRemoveStation: {
      // Only the station the menu named, if it is still there.
      const MenuState& shown = snapshot.state;
      const PlayerView view = player.view();
      const int64_t index = shown.currentStation;
      if (index >= 0 && static_cast<size_t>(index) < shown.stationNames.size() &&
          static_cast<size_t>(index) < view.stations.size() &&
          view.stations[static_cast<size_t>(index)].name ==
              shown.stationNames[static_cast<size_t>(index)]) {
        player.removeStation(index);
      }
      return true;
    }
    case kCmdFindStations:
      openWebPage(kStationDirectoryUrl);
      return true;
    default:
      return false;
  }
}
