#include "player/player.h"

#include <algorithm>
#include <utility>

#include "base/messages.h"
#include "base/settings_file.h"
#include "base/text.h"
#include "engine/load_path.h"

namespace {

constexpr uint64_t kHeardWithinMs = 30000;  // the last stretch of a track that counts as heard
constexpr uint64_t kLongTrackMs = 1200000;  // library tracks this long remember their place
constexpr uint64_t kMinRememberedMs = 999;

}  // namespace

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
  repeat = (initial.repeat == 1 || initial.repeat == 2) ? static_cast<uint8_t>(initial.repeat)
                                                        : TrackList::kRepeatOff;
  volume = clampVolume(initial.volume);
  topmost = initial.topmost;
  miniMode = initial.miniMode;
  listHidden = initial.listHidden;
  opacity = initial.opacity;
  fullRect = initial.fullRect;
  miniRect = initial.miniRect;
  stations = initial.stations;
  positions = initial.positions;
  podcasts = initial.podcasts;
  heard = initial.heard;

  list.reseedFromSystem();
  list.shuffle = shuffle;
  list.rebuildOrder();
  list.repeat = repeat;
  loopFlag = repeat == TrackList::kRepeatOne;
  output.setRepeatOne(loopFlag);
  gain = gainForVolume(volume);
  output.setGain(volume);
}

Player::~Player() { shutdown(); }

bool Player::startWorkers() {
  if (!loaderStarted_) loaderStarted_ = loader.start(window, WM_APP_LOAD_DONE);
  const bool scanning =
      folderScanner.start(window, WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES);
  return loaderStarted_ && scanning;
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
  notice.untilMs = GetTickCount64() + durationMs;
  // While paused nothing else repaints, and the notice would stay after its time.
  SetTimer(window, kNoticeTimer, static_cast<UINT>(std::min<uint64_t>(durationMs + 50, 0x7FFFFFFF)),
           nullptr);
}

void Player::onNoticeTimer() {
  if (GetTickCount64() < notice.untilMs) return;  // a later notice set the timer again
  KillTimer(window, kNoticeTimer);
  refresh();
}

void Player::refresh() {
  if (onChanged) onChanged();
}

void Player::repaintRows(int64_t a, int64_t b) {
  if (onRowsChanged) onRowsChanged(a, b);
}

void Player::listChanged(int64_t row, bool select) {
  if (onListChanged) onListChanged(row, select);
}

void Player::clearPlaying() { playing = NowPlaying(); }

void Player::clearPrepared() { prepared = NowPlaying(); }

// ---- the save operation ----

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
  s.repeat = repeat;
  s.volume = volume;
  s.audiobook = audiobook;
  s.topmost = topmost;
  s.miniMode = miniMode;
  s.listHidden = listHidden;
  s.opacity = opacity;
  s.fullRect = fullRect;
  s.miniRect = miniRect;
  s.stations = stations;
  s.positions = positions;
  s.podcasts = podcasts;
  s.heard = heard;

  // A station or a CD has no place worth keeping, and a pending restore still owns the keys.
  if (currentStation == -1 && cdDrive == 0 && !restore.pending) {
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

// ---- shutdown ----

void Player::shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  KillTimer(window, kTickTimer);
  KillTimer(window, kNoticeTimer);
  // The listening log, the media controls and the radio, feed and CD threads stop here, in
  // this order, once the player has them.
  if (playState == PlayState::Playing || playState == PlayState::Paused) {
    logEvent(LogEvent::Stop, positionMs());
  }
  logEvent(LogEvent::Exit, 0);
  listeningLog.close();
  folderScanner.stop();
  loader.shutdown();
  output.closeDevice();
  clearPrepared();
  clearPlaying();
  freeQueuedRecords();
}

void Player::freeQueuedRecords() {
  MSG msg;
  while (PeekMessageW(&msg, window, WM_APP_LOAD_DONE, WM_APP_LOAD_DONE, PM_REMOVE)) {
    delete reinterpret_cast<LoadResult*>(msg.lParam);
  }
  while (PeekMessageW(&msg, window, WM_APP_SCAN_DONE, WM_APP_SCAN_DONE, PM_REMOVE)) {
    delete reinterpret_cast<ScanResult*>(msg.lParam);
  }
  while (PeekMessageW(&msg, window, WM_APP_TITLES, WM_APP_TITLES, PM_REMOVE)) {
    delete reinterpret_cast<ScanTitleBatch*>(msg.lParam);
  }
  // WM_APP_RADIO, WM_APP_FEED_DONE and WM_APP_CD_DONE records are freed here by their
  // handlers' owners once those messages exist.
}

// ---- audiobook mode and remembered positions ----

void Player::rememberPosition() {
  if (playing.id == -1 || currentStation != -1 || playing.path.empty() ||
      isCdTrackPath(playing.path) || playing.sampleRate == 0) {
    return;
  }
  const uint64_t durationMs = framesToMs(playing.totalFrames, playing.sampleRate);
  const bool outputPlaysIt = output.trackId() == playing.id;
  uint64_t frames = positionFrames;
  if (playState == PlayState::Playing && outputPlaysIt) frames = output.position();
  const uint64_t atMs = framesToMs(frames, playing.sampleRate);
  if ((playState == PlayState::Playing || playState == PlayState::Paused) && outputPlaysIt &&
      durationMs > kHeardWithinMs && atMs + kHeardWithinMs >= durationMs) {
    markHeard(playing.path);
  }
  if (durationMs < kLongTrackMs && !audiobook) return;
  const uint64_t p = playState == PlayState::Stopped ? 0 : atMs;
  positions.erase(
      std::remove_if(positions.begin(), positions.end(),
                     [&](const Settings::Position& e) { return e.path == playing.path; }),
      positions.end());
  if (p > kMinRememberedMs && p + kHeardWithinMs < durationMs) {
    positions.insert(positions.begin(), Settings::Position{playing.path, p});
    if (positions.size() > Settings::kMaxPositions) positions.resize(Settings::kMaxPositions);
  }
}

void Player::markHeard(const std::wstring& path) {
  if (!isHttpUrl(path)) return;
  if (std::find(heard.begin(), heard.end(), path) != heard.end()) return;
  heard.insert(heard.begin(), path);
  if (heard.size() > Settings::kMaxHeard) heard.resize(Settings::kMaxHeard);
  // An open podcast feed repaints its rows here once feeds are shown.
}

uint64_t Player::positionFor(const std::wstring& path) const {
  if (isCdTrackPath(path)) return 0;
  for (const Settings::Position& entry : positions) {
    if (entry.path == path) return entry.ms;
  }
  return 0;
}
