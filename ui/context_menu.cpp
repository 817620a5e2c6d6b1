#include "ui/context_menu.h"

#include <algorithm>
#include <string>

#include "player/player.h"
#include "ui/cd_menu.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/podcast_commands.h"
#include "ui/radio_commands.h"
#include "ui/window_ops.h"

namespace {

// The row's text as the list shows it.
std::wstring rowText(const Player& player, int64_t row) {
  const TrackList& list = player.trackList();
  if (row < 0 || static_cast<uint64_t>(row) >= list.size()) return std::wstring();
  return std::wstring(list.displayName(static_cast<size_t>(row)));
}

bool appendEntry(HMENU menu, const MenuEntry& entry) {
  MENUITEMINFOW item = {};
  item.cbSize = sizeof(item);
  if (entry.separator) {
    item.fMask = MIIM_FTYPE;
    item.fType = MFT_SEPARATOR;
    return InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &item) != FALSE;
  }
  item.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
  item.fType = MFT_STRING | (entry.radio ? MFT_RADIOCHECK : 0);
  item.fState = (entry.greyed ? MFS_GRAYED : MFS_ENABLED) |
                (entry.checked || entry.radio ? MFS_CHECKED : MFS_UNCHECKED);
  item.wID = entry.id;
  std::wstring text = entry.text;
  item.dwTypeData = text.data();
  item.cch = static_cast<UINT>(text.size());
  base::ScopedMenu sub;
  if (!entry.children.empty()) {
    sub = createMenuFromEntries(entry.children);
    if (!sub) return false;
    item.fMask |= MIIM_SUBMENU;
    item.hSubMenu = sub.get();
  }
  if (!InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &item)) return false;
  sub.release();  // the menu destroys its submenus with it
  return true;
}

bool rowStillShows(const Player& player, const MenuSnapshot& snapshot) {
  return snapshot.state.hasRow && snapshot.row >= 0 &&
         static_cast<uint64_t>(snapshot.row) < player.trackList().size() &&
         rowText(player, snapshot.row) == snapshot.state.rowText;
}

}  // namespace

base::ScopedMenu createMenuFromEntries(const std::vector<MenuEntry>& entries) {
  base::ScopedMenu menu(CreatePopupMenu());
  if (!menu) return menu;
  for (const MenuEntry& entry : entries) {
    if (!appendEntry(menu.get(), entry)) return base::ScopedMenu();
  }
  return menu;
}

MenuSnapshot takeMenuSnapshot(const MainWindow& w, int64_t row) {
  MenuSnapshot snap;
  MenuState& s = snap.state;
  s.miniMode = w.miniMode;
  s.topmost = w.topmost;
  s.opacity = w.opacity;
  const Player* player = w.player.get();
  if (player == nullptr) return snap;

  const PlayerView view = player->view();
  s.audiobook = view.audiobook;
  s.folderOpen = !view.sourceFolder.empty();
  s.includeSubfolders = view.includeSubfolders;
  s.cdDrives = cdDrivesForMenu();
  s.cdPlaying = view.cdDrive;
  for (const Settings::Station& station : view.stations) s.stationNames.push_back(station.name);
  s.currentStation = view.currentStation;
  takePodcastMenuState(*player, s.podcasts);

  const TrackRecord& playing = view.playing;
  if (playing.id != -1 && view.currentStation == -1 && !playing.chapters.empty()) {
    snap.playingId = playing.id;
    s.chapterCount = playing.chapters.size();
    const size_t shown = std::min(s.chapterCount, kMenuChapters);
    for (size_t i = 0; i < shown; ++i) s.chapterNames.push_back(player->chapterName(i));
    s.currentChapter = chapterAt(playing.chapterStarts, view.positionFrames, playing.sampleRate);
  }
  if (s.audiobook) s.backToLabel = view.backToLabel;

  if (row >= 0 && static_cast<uint64_t>(row) < player->trackList().size()) {
    snap.row = row;
    s.hasRow = true;
    s.rowText = rowText(*player, row);
  }
  return snap;
}

void runMenuCommand(MainWindow& w, const MenuSnapshot& snapshot, UINT id) {
  Player* player = w.player.get();
  if (player == nullptr || id == 0) return;
  const MenuState& shown = snapshot.state;
  if (runPodcastCommand(w, snapshot, id)) return;

  if (id >= kCmdOpacityFirst && id < kCmdOpacityFirst + kOpacityStepCount) {
    setOpacity(w, kOpacitySteps[id - kCmdOpacityFirst]);
    return;
  }
  if (runCdCommand(w, snapshot, id)) return;
  if (id >= kCmdChapterFirst && id < kCmdChapterFirst + kMenuChapters) {
    const size_t chapter = id - kCmdChapterFirst;
    // The menu listed the chapters of one track; after a switch to another they mean nothing.
    const PlayerView view = player->view();
    if (snapshot.playingId != -1 && view.playing.id == snapshot.playingId &&
        chapter < view.playing.chapters.size()) {
      player->goToChapter(chapter);
    }
    return;
  }

  if (runRadioCommand(w, snapshot, id)) return;

  switch (id) {
    case kCmdOpenFolder:
      openFolderCommand(w);
      break;
    case kCmdRescan:
      player->rescan();
      break;
    case kCmdIncludeSubfolders:
      player->setIncludeSubfolders(!shown.includeSubfolders);
      notifyChanged(w);
      break;
    case kCmdAlwaysOnTop:
      setAlwaysOnTop(w, !shown.topmost);
      break;
    case kCmdMiniMode:
      setMiniMode(w, !shown.miniMode);
      break;
    case kCmdExit:
      PostMessageW(w.hwnd, WM_CLOSE, 0, 0);
      break;
    case kCmdAudiobook:
      if (player->view().audiobook == shown.audiobook) player->setAudiobookMode(!shown.audiobook);
      player->offerMediaPreviousNext();
      player->save();
      notifyChanged(w);
      break;
    case kCmdBackTo:
      player->backTo();  // does nothing when there is nothing to go back to
      break;
    case kCmdRemoveRow:
      if (rowStillShows(*player, snapshot)) player->removeRow(snapshot.row);
      break;
    case kCmdOpenBook: {
      std::wstring path;
      if (pickBookFile(w.hwnd, path) && confirmOpening(*player, path)) player->openPaths({path});
      break;
    }
    default:
      break;
  }
}

void showContextMenu(MainWindow& w, POINT screenPoint, int64_t row) {
  if (w.player == nullptr) return;
  const HWND window = w.hwnd;
  const MenuSnapshot snapshot = takeMenuSnapshot(w, row);
  base::ScopedMenu menu = createMenuFromEntries(buildMainMenu(snapshot.state));
  if (!menu) return;

  if (screenPoint.x == -1 && screenPoint.y == -1) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    screenPoint = {frame.left + w.scaled(8), frame.top + w.scaled(8)};
  }
  const UINT id =
      static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, screenPoint.x,
                                       screenPoint.y, 0, window, nullptr));
  menu.reset();
  // The menu's loop dispatches messages; the window may have gone meanwhile.
  if (id == 0 || mainWindowOf(window) != &w) return;
  runMenuCommand(w, snapshot, id);
}
