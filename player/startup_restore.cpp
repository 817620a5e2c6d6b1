// The deferred start after the first paint and the restore of the last session.
#include "base/text.h"
#include "library/scan_rules.h"
#include "player/playback_rules.h"
#include "player/player.h"
#include "player/start_rules.h"

void Player::onStart() {
  // Without the platform's controls (older systems, Wine) the media keys come as
  // WM_APPCOMMAND; in audiobook mode the controls offer no previous and next.
  startMediaControls();

  LogSummary summary;
  const bool readLog = audiobook;
  if (readLog) summary = openListeningLog();

  startWorkers();

  if (!options.paths.empty() && openPaths(options.paths)) {
    refresh();
    return;
  }

  if (audiobook) {
    restoreSession(std::wstring(), std::wstring(), settings.bookTrack, settings.bookPositionMs);
  } else {
    restoreSession(settings.lastStation, settings.podcast, settings.lastTrackPath,
                   settings.lastPositionMs);
  }

  // After a crash the log knows the position better than the settings saved before it. Only
  // the loaded track tells whether the place lies within it; the notice waits for that.
  if (readLog && restore.pending) {
    const uint64_t saved = restore.positionMs;
    if (correctFromLog(summary, restore.path, restore.positionMs)) {
      restore.positionFromLog = true;
      restore.savedPositionMs = saved;
    }
  }
}

void Player::restoreSession(const std::wstring& stationUrlToRestore, const std::wstring& podcastUrl,
                            const std::wstring& trackPath, uint64_t trackPositionMs) {
  int64_t station = -1;
  if (!audiobook && !stationUrlToRestore.empty()) {
    for (size_t i = 0; i < stations.size(); ++i) {
      if (stations[i].url == stationUrlToRestore) {
        station = static_cast<int64_t>(i);
        break;
      }
    }
  }

  bool feedOpened = false;
  if (!audiobook && !podcastUrl.empty()) {
    for (const Settings::Podcast& podcast : podcasts) {
      if (podcast.url != podcastUrl) continue;
      openFeed(podcast.url, false);
      feedOpened = true;
      break;
    }
  }

  bool folderOpened = false;
  if (!feedOpened && !sourceFolder.empty()) {
    openPath(sourceFolder, includeSubfolders, false);
    folderOpened = true;
  }

  if (station != -1) {
    setCurrentStation(station);  // Play starts it
  } else if (folderOpened || feedOpened) {
    restore.path = trackPath;
    restore.positionMs = trackPositionMs;
    restore.pending = true;
  }
  refresh();
}
