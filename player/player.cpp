#include "player/player.h"

#include <algorithm>
#include <utility>

#include "base/messages.h"
#include "base/settings_file.h"
#include "base/text.h"
#include "engine/load_path.h"

Player::Player(HWND window, const Settings& initial, StartOptions startOptions, std::wstring path)
    : window(window),
      options(std::move(startOptions)),
      settingsPath(std::move(path)),
      settings(initial) {
  audiobook = initial.audiobook;

  ModeContext library;
  library.sourcePath = initial.folder;
  library.includeSubfolders = initial.includeSubfolders;
  library.shuffle = initial.shuffle;
  library.feedUrl = initial.podcast;
  library.stationUrl = initial.lastStation;
  library.trackPath = initial.lastTrackPath;
  library.positionMs = initial.lastPositionMs;
  ModeContext book;
  book.sourcePath = initial.bookPath;
  book.includeSubfolders = initial.bookIncludeSubfolders;
  book.trackPath = initial.bookTrack;
  book.positionMs = initial.bookPositionMs;

  ModeContext& active = audiobook ? book : library;
  sourceFolder = active.sourcePath;
  includeSubfolders = active.includeSubfolders;
  stationUrl = active.stationUrl;
  feedUrl = active.feedUrl;
  otherContext = std::move(audiobook ? library : book);

  shuffle = initial.shuffle && !audiobook;
  repeat = (initial.repeat == 1 || initial.repeat == 2) ? static_cast<RepeatMode>(initial.repeat)
                                                        : RepeatMode::Off;
  volume = clampVolume(initial.volume);
  stations = initial.stations;
  positions = initial.positions;
  podcasts = initial.podcasts;
  heard = initial.heard;

  list.reseedFromSystem();
  list.shuffle = shuffle;
  list.rebuildOrder();
  list.repeat = repeat;
  loopFlag = repeat == RepeatMode::One;
  output.setRepeatOne(loopFlag);
  gain = gainForVolume(volume);
  output.setGain(volume);
}

Player::~Player() { shutdown(); }

void Player::setHooks(PlayerHooks newHooks) { hooks = std::move(newHooks); }

PlayerView Player::view() const {
  PlayerView v;
  v.playState = playState;
  v.playing = playing;
  v.prepared = prepared;
  v.positionFrames = currentPositionFrames();
  v.outputTrackId = output.trackId();
  v.outputSwitches = output.trackChangeCounter();
  v.outputGain = output.gain();
  v.outputBuffering = output.underrun();
  v.load = load;
  v.preload = preload;
  v.pendingScanId = pendingScanId;
  v.scanProgress = scanProgress;
  v.restorePending = restore.pending;
  v.nextId = nextId;
  v.unplayableCount = unplayableCount;
  v.shuffle = shuffle;
  v.repeat = repeat;
  v.volume = volume;
  v.gain = gain;
  v.loopFlag = loopFlag;
  v.audiobook = audiobook;
  v.sourceFolder = sourceFolder;
  v.includeSubfolders = includeSubfolders;
  v.feedUrl = feedUrl;
  v.pendingFeedId = pendingFeedId;
  v.currentStation = currentStation;
  v.cdDrive = cd.drive;
  v.cdRequestId = cdRequestId;
  v.stations = stations;
  v.radioSession = radio.session;
  v.radioStatus = radio.status;
  v.streamTitle = radio.streamTitle;
  v.pendingStreamTitles = radio.titles.size();
  v.radioBufferedFrames = radio.ring ? radio.ring->buffered() : 0;
  v.listScanId = listScanId;
  v.removedScanIndices = removedScanIndices;
  v.statusMessage = statusMessage;
  v.notice = notice;
  v.noticeActive = !notice.text.empty() && now() < notice.untilMs;
  v.undo = undo;
  v.backToLabel = backToLabel();
  v.previousBookPath = previousBookPath;
  v.listeningLogOpen = listeningLog.isOpen();
  v.otherModeKept = otherContext.valid;
  v.mediaControlsActive = mediaControlsActive;
  return v;
}

uint64_t Player::now() const { return hooks.clock ? hooks.clock() : GetTickCount64(); }

void Player::setMediaControlsActive(bool active) { mediaControlsActive = active; }

bool Player::startWorkers() {
  if (!loaderStarted) loaderStarted = loader.start(window, WM_APP_LOAD_DONE);
  const bool scanning =
      folderScanner.start(window, WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES);
  return loaderStarted && scanning;
}

int32_t Player::takeId() {
  const int32_t id = nextId;
  nextId = nextId == INT32_MAX ? 1 : nextId + 1;
  return id;
}

uint64_t Player::currentPositionFrames() const {
  if (playState == PlayState::Playing && playing.id != -1 && output.trackId() == playing.id) {
    return output.position();
  }
  return positionFrames;
}

uint64_t Player::positionMs() const {
  return framesToMs(currentPositionFrames(), playing.sampleRate);
}

void Player::setNotice(std::wstring text, uint64_t durationMs) {
  notice.text = std::move(text);
  notice.untilMs = now() + durationMs;
  // While paused nothing else repaints, and the notice would stay after its time.
  SetTimer(window, kNoticeTimer, static_cast<UINT>(std::min<uint64_t>(durationMs + 50, 0x7FFFFFFF)),
           nullptr);
}

void Player::onNoticeTimer() {
  if (now() < notice.untilMs) return;  // a later notice set the timer again
  KillTimer(window, kNoticeTimer);
  refresh();
}

void Player::refresh() {
  if (hooks.changed) hooks.changed();
  updateMediaControls();
}

void Player::repaintRows(int64_t a, int64_t b) {
  if (hooks.rowsChanged) hooks.rowsChanged(a, b);
}

void Player::listChanged(int64_t row, bool select) {
  if (hooks.listChanged) hooks.listChanged(row, select);
}

void Player::clearPlaying() { playing = NowPlaying(); }

void Player::clearPrepared() { prepared = NowPlaying(); }

Settings Player::buildSettings() {
  rememberPosition();
  Settings s = settings;
  const ModeContext& other = otherContext;
  if (audiobook) {
    s.folder = other.sourcePath;
    s.includeSubfolders = other.includeSubfolders;
    s.shuffle = other.shuffle;
    s.podcast = other.feedUrl;
    s.lastStation = other.stationUrl;
    s.bookPath = sourceFolder;
    s.bookIncludeSubfolders = includeSubfolders;
  } else {
    s.folder = sourceFolder;
    s.includeSubfolders = includeSubfolders;
    s.shuffle = shuffle;
    s.podcast = feedUrl;
    s.lastStation = stationUrl;
    s.bookPath = other.sourcePath;
    s.bookIncludeSubfolders = other.includeSubfolders;
  }
  s.repeat = static_cast<int>(repeat);
  s.volume = volume;
  s.audiobook = audiobook;
  if (hooks.windowSettings) hooks.windowSettings(s);
  s.stations = stations;
  s.positions = positions;
  s.podcasts = podcasts;
  s.heard = heard;

  // A station or a CD has no place worth keeping, and a pending restore still owns the keys.
  if (currentStation == -1 && cd.drive == 0 && !restore.pending) {
    std::wstring trackPath;
    uint64_t trackMs = 0;
    if (playing.id != -1) {
      trackPath = playing.path;
      trackMs = playState == PlayState::Stopped ? 0 : positionMs();
    } else if (load.id != -1) {
      trackPath = load.path;
      trackMs = load.startPositionMs;
    }
    trackMs = std::min(trackMs, Settings::kMaxPositionMs);
    if (audiobook) {
      s.bookTrack = std::move(trackPath);
      s.bookPositionMs = trackMs;
    } else {
      s.lastTrackPath = std::move(trackPath);
      s.lastPositionMs = trackMs;
    }
  }
  return s;
}

bool Player::save() {
  Settings record = buildSettings();
  if (!saveSettings(settingsPath, record)) return false;
  settings = std::move(record);
  return true;
}

void Player::shutdown() {
  if (shutDown) return;
  shutDown = true;
  KillTimer(window, kTickTimer);
  KillTimer(window, kNoticeTimer);
  // The listening log, the media controls and the radio, feed and CD threads stop here, in
  // this order, once the player has them (the CD reader already does).
  if (playState == PlayState::Playing || playState == PlayState::Paused) {
    logEvent(LogEvent::Stop, positionMs());
  }
  logEvent(LogEvent::Exit, 0);
  listeningLog.close();
  mediaControls.shutdown();
  mediaControlsActive = false;
  stopRadio();
  forgetCdRead();
  stopFeed();
  folderScanner.stop();
  loader.shutdown();
  output.closeDevice();
  clearPrepared();
  clearPlaying();
  freeQueuedRecords();
}

void Player::freeQueuedRecords() {
  // Every worker has stopped: what is still queued is dropped with its record.
  MSG msg;
  for (UINT message = WM_APP_LOAD_DONE; message <= WM_APP_CD_DONE; ++message) {
    if (!carriesRecord(message)) continue;
    while (PeekMessageW(&msg, window, message, message, PM_REMOVE)) {
      takeRecord<PostedRecord>(msg.lParam).reset();
    }
  }
}
