// Audio CDs as the source of the list: reading a drive's disc on the CD thread, its tracks
// becoming the list, and its CD-Text naming the playing track.
#include <utility>

#include "base/messages.h"
#include "cd/drive_win.h"
#include "cd/track_path.h"
#include "player/player.h"

void Player::playCd(wchar_t drive) {
  if (audiobook) return;
  // The user's choice: a folder still being read or a restore waiting for it is dropped.
  pendingScanId = 0;
  scanProgress = 0;
  restore = RestoreTarget();
  playWhenReady = false;
  notice = Notice();
  stopFeed();
  cdCounter = cdCounter == INT32_MAX ? 1 : cdCounter + 1;
  cdRequestId = cdCounter;
  if (!cd::startDiscRead(cdReader, window, WM_APP_CD_DONE, cdRequestId, drive,
                         settings.tagCodepage)) {
    cdRequestId = 0;  // no thread: nothing would ever answer
  }
  refresh();
}

void Player::forgetCdRead() {
  cdRequestId = 0;
  cdReader.cancel();
}

void Player::onCdDone(std::unique_ptr<cd::DiscResult> result) {
  if (!result || cdRequestId == 0 || result->id != cdRequestId) return;
  cdRequestId = 0;
  if (!result->error.empty()) {
    setNotice(std::move(result->error), kNoticeMs);
    refresh();
    return;
  }

  TrackList disc;
  for (const cd::ListEntry& entry : cd::listEntries(*result)) {
    if (disc.addTrack(entry.path)) disc.setTitle(disc.size() - 1, entry.name);
  }
  if (disc.empty()) {
    setNotice(L"Out of memory", kNoticeMs);
    refresh();
    return;
  }

  cancelPreload();
  list.moveFrom(disc);
  listScanId = 0;
  removedScanIndices.clear();
  feedUrl.clear();
  episodes.clear();
  feedTitle.clear();
  cd.drive = result->letter;
  cd.titles = std::move(result->titles);
  cd.performers = std::move(result->performers);
  list.repeat = repeat;
  list.reseedFromSystem();
  list.shuffle = shuffle;
  list.current = -1;
  list.rebuildOrder();
  // What plays now came from the list that is gone.
  playing.index = -1;
  load.index = -1;
  unplayableCount = 0;
  const int64_t first = list.advanceUser();
  repaintRows(first, -1);
  listChanged(first, false);
  playCurrent();
  save();
  refresh();
}

void Player::applyCdTexts(NowPlaying& record) const {
  wchar_t letter = 0;
  uint32_t number = 0;
  if (cd.drive == 0 || !cd::parseTrackPath(record.path, letter, number) || letter != cd.drive ||
      number >= cd::kTextSlots)
    return;
  if (!cd.titles[number].empty()) record.mediaTitle = cd.titles[number];
  const std::wstring& performer =
      cd.performers[number].empty() ? cd.performers[0] : cd.performers[number];
  if (!performer.empty()) record.artist = performer;
}
