// Opening folders, single files and paths given from outside as the track list, installing
// scan results, late titles and removing rows.
#include <algorithm>
#include <new>
#include <utility>

#include "base/messages.h"
#include "base/path.h"
#include "base/text.h"
#include "library/scan_rules.h"
#include "player/player.h"
#include "player/start_rules.h"

void Player::openPath(const std::wstring& path, bool subfolders, bool playNow) {
  stopFeed();
  feedUrl.clear();
  forgetCdRead();
  // "Back to" can still reach the book that was open before this one.
  if (audiobook && !sourceFolder.empty() && !text::equalsOrdinalIgnoreCase(sourceFolder, path)) {
    previousBookPath = sourceFolder;
  }
  sourceFolder = path;
  includeSubfolders = subfolders;
  playWhenReady = playNow;
  // The user's choice replaces a restore that was still waiting for its list.
  restore = RestoreTarget();
  scanProgress = 0;

  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    pendingScanId = folderScanner.submit(path, subfolders, settings.tagCodepage);
  } else {
    // One file is a one-track list of its own, delivered like a scan so that it takes the
    // same road (and is dropped the same way when something else was opened meanwhile).
    fileScanCounter = (fileScanCounter + 1) & ~kFileScanIdBit;
    if (fileScanCounter == 0) fileScanCounter = 1;
    const uint32_t id = fileScanCounter | kFileScanIdBit;
    std::unique_ptr<ScanResult> result(new (std::nothrow) ScanResult());
    pendingScanId = 0;
    if (result) {
      result->requestId = id;
      result->folder = path;
      result->includeSubfolders = subfolders;
      result->list.addTrack(path);
      if (postRecord(window, WM_APP_SCAN_DONE, result)) pendingScanId = id;
    }
  }
  refresh();
}

void Player::rescan() {
  if (!sourceFolder.empty()) openPath(sourceFolder, includeSubfolders, false);
}

void Player::setIncludeSubfolders(bool on) {
  includeSubfolders = on;
  rescan();
}

void Player::onScanProgress(uint32_t scanId, uint64_t count) {
  if (scanId == 0 || scanId != pendingScanId) return;
  scanProgress = count;
  refresh();
}

void Player::onScanDone(std::unique_ptr<ScanResult> result) {
  if (!result || pendingScanId == 0 || result->requestId != pendingScanId) return;
  pendingScanId = 0;
  // A switch the output made since the last tick is taken in before the prepared track goes.
  if (playState == PlayState::Playing) checkTrackSwitch();
  // The list is a folder's from here on: the open feed's episodes go.
  episodes.clear();
  feedTitle.clear();

  if (result->failed) {
    cancelPreload();
    list.clear();
    cd = CdSource();
    listScanId = 0;
    removedScanIndices.clear();
    playing.index = -1;
    listChanged(-1, false);
    if (restore.pending) {
      // The folder of the last session is gone: forget it quietly.
      sourceFolder.clear();
    } else {
      statusMessage = L"Can't open the folder";
      if (playState == PlayState::Idle) playState = PlayState::Failed;
    }
  } else {
    cancelPreload();
    cd = CdSource();
    list.moveFrom(result->list);
    listScanId = result->requestId;
    removedScanIndices.clear();
    list.repeat = repeat;
    list.reseedFromSystem();
    if (list.shuffle != shuffle) {
      list.shuffle = shuffle;
      list.rebuildOrder();
    }
    list.current = playing.id != -1 ? list.find(playing.path) : -1;
    list.rebuildOrder();
    playing.index = list.current;
    if (load.id != -1) load.index = list.find(load.path);
    listChanged(list.current, false);
  }

  const int64_t target = restore.path.empty() ? -1 : list.findIgnoringCase(restore.path);
  if (!result->failed && playWhenReady && !list.empty()) {
    unplayableCount = 0;
    list.current = -1;
    list.rebuildOrder();
    if (target != -1) {
      list.jumpTo(target);
    } else {
      list.advanceUser();
    }
    listChanged(list.current, false);
    playCurrent();
  } else if (!result->failed && restore.pending && target != -1) {
    list.current = target;
    list.rebuildOrder();
    listChanged(target, false);
    playIndex(target, std::wstring(list.path(static_cast<size_t>(target))), true,
              restore.positionMs);
    if (load.id != -1) {
      load.positionFromLog = restore.positionFromLog;
      load.savedPositionMs = restore.savedPositionMs;
    }
  } else {
    cancelPreload();
    if (playing.id != -1 && playState != PlayState::Failed) preloadNext();
  }
  restore = RestoreTarget();
  refresh();
}

namespace {

void applyTitles(TrackList& target, const std::vector<uint64_t>& removed,
                 const ScanTitleBatch& batch) {
  for (const ScanTitle& entry : batch.entries) {
    const int64_t row = rowForScanIndex(removed, entry.index);
    if (row < 0 || static_cast<size_t>(row) >= target.size()) continue;
    target.setTitle(static_cast<size_t>(row), entry.title);
  }
}

}  // namespace

void Player::onTitles(std::unique_ptr<ScanTitleBatch> batch) {
  if (!batch || batch->requestId == 0) return;
  if (batch->requestId == listScanId) {
    applyTitles(list, removedScanIndices, *batch);
    listChanged(-1, false);
  } else if (otherContext.valid && batch->requestId == otherContext.listScanId) {
    applyTitles(otherContext.list, otherContext.removedScanIndices, *batch);
  }
}

void Player::removeRow(int64_t index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return;
  if (playState == PlayState::Playing) checkTrackSwitch();
  const bool playingOrPending =
      (playing.id != -1 && playing.index == index) || (load.id != -1 && load.index == index);
  if (audiobook && playingOrPending) {
    const std::wstring path(list.path(static_cast<size_t>(index)));
    if (!confirm(L"Remove " + std::wstring(list.displayName(static_cast<size_t>(index))) +
                 L" from the list")) {
      return;
    }
    // The question waited: the row must still be the one the user asked about.
    if (static_cast<size_t>(index) >= list.size() ||
        list.path(static_cast<size_t>(index)) != path) {
      return;
    }
  }
  const bool wasActive = playState == PlayState::Loading || playState == PlayState::Playing;
  const bool active =
      (playing.id != -1 && playing.index == index) || (load.id != -1 && load.index == index);
  const bool wasCurrent = list.current == index;
  int64_t continuation = wasCurrent ? list.peekNextUser() : -1;

  if (listScanId != 0) recordRemovedScanIndex(removedScanIndices, static_cast<uint64_t>(index));
  // A podcast episode's record goes with its row; a CD's texts are kept by track number.
  if (static_cast<size_t>(index) < episodes.size()) {
    episodes.erase(episodes.begin() + static_cast<ptrdiff_t>(index));
  }
  list.remove(index);
  continuation = indexAfterRemoval(continuation, index);
  playing.index = indexAfterRemoval(playing.index, index);
  load.index = indexAfterRemoval(load.index, index);
  prepared.index = indexAfterRemoval(prepared.index, index);
  preload.index = indexAfterRemoval(preload.index, index);
  if (wasCurrent && continuation != -1) list.jumpTo(continuation);

  const int64_t select =
      list.empty() ? -1 : std::min<int64_t>(index, static_cast<int64_t>(list.size()) - 1);
  listChanged(select, true);

  if (active) {
    if (wasActive && continuation != -1) {
      unplayableCount = 0;
      playCurrent();
    } else {
      rememberPosition();
      if (playState == PlayState::Paused) logEvent(LogEvent::Stop, positionMs());
      load = PendingLoad();
      cancelPreload();
      halt(PlayState::Idle);
      clearPlaying();
      positionFrames = 0;
      statusMessage.clear();
    }
  } else {
    // The track that follows may have changed.
    cancelPreload();
    preloadNext();
  }
  save();
  refresh();
}

bool Player::openPaths(const std::vector<std::wstring>& paths) {
  for (const std::wstring& path : paths) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      openPath(path, includeSubfolders, true);
      return true;
    }
    if (!scanner::isAcceptedFileType(paths::fileName(path))) continue;
    if (audiobook) {
      // A single file is a book of its own.
      openPath(path, includeSubfolders, true);
      return true;
    }
    const std::wstring folder = paths::parentFolder(path);
    if (folder.empty()) continue;
    openPath(folder, includeSubfolders, true);
    // The file is the track chosen when its folder's list arrives; it is not a restore of
    // the last session, so a folder that cannot be read still says so.
    restore.path = path;
    restore.positionMs = 0;
    return true;
  }
  return false;
}
