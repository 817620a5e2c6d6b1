// Playback control: requests to the track loader, taking in their results, the prepared next
// track, the commands and the 200 ms tick.
#include <algorithm>
#include <utility>

#include "base/path.h"
#include "base/text.h"
#include "engine/load_path.h"
#include "player/player.h"

bool Player::openOutput() {
  if (!output.deviceOpen() && !output.openDevice()) {
    playState = PlayState::Failed;
    statusMessage = L"No audio output device";
    refresh();
    return false;
  }
  deviceSampleRate = output.outputRate();
  return true;
}

void Player::playIndex(int64_t index, const std::wstring& path, bool startPaused,
                       uint64_t startPositionMs) {
  if (!openOutput()) return;
  rememberPosition();
  if (playState == PlayState::Playing || playState == PlayState::Paused) {
    logEvent(LogEvent::Stop, positionMs());
  }
  if (!startPaused) {
    notice = Notice();
    if (startPositionMs == 0 && !isCdTrackPath(path)) startPositionMs = positionFor(path);
  }
  if (currentStation != -1) {
    stopRadio();
    setCurrentStation(-1);
  }
  cancelPreload();
  load.id = takeId();
  load.index = index;
  load.path = path;
  load.startPaused = startPaused;
  load.startPositionMs = startPositionMs;
  // The old track keeps sounding until the new one is installed.
  if (playState != PlayState::Playing && playState != PlayState::Paused) {
    playState = PlayState::Loading;
  }
  if (!loader.submit(LoadKind::PlayNow, path, load.id, options.forceStreaming,
                     static_cast<int32_t>(settings.tagCodepage))) {
    // Out of memory queueing the request: no answer will come, so do not wait for one.
    load = PendingLoad();
    statusMessage = loadErrorText(kLoadOutOfMemory, {});
    halt(PlayState::Failed);
  }
  refresh();
}

void Player::playCurrent() {
  if (list.current < 0 || static_cast<size_t>(list.current) >= list.size()) return;
  playIndex(list.current, std::wstring(list.path(static_cast<size_t>(list.current))), false, 0);
}

NowPlaying Player::makeRecord(const LoadResult& result, int64_t index) {
  NowPlaying record;
  record.id = result.trackId;
  const bool fromList = index >= 0 && static_cast<size_t>(index) < list.size();
  record.index = fromList ? index : -1;
  record.path = result.path;
  const std::wstring tagTitle = displayTitle(result.tags);
  if (!tagTitle.empty()) {
    record.title = tagTitle;
    if (fromList && list.title(static_cast<size_t>(index)).empty()) {
      list.setTitle(static_cast<size_t>(index), tagTitle);
      repaintRows(index, -1);
    }
  } else if (fromList) {
    record.title = std::wstring(list.displayName(static_cast<size_t>(index)));
  } else {
    record.title = std::wstring(paths::fileName(result.path));
  }
  record.mediaTitle = result.tags.title.empty() ? record.title : result.tags.title;
  record.artist = result.tags.artist;
  applyCdTexts(record);
  const LoadedTrack& track = *result.track;
  record.totalFrames = track.lengthFrames;
  record.sampleRate = track.sampleRate;
  record.streamed = isHttpUrl(result.path);
  record.stream = StreamDecoderRef(track.streamDecoder);
  record.seekable = track.streamDecoder ? track.streamDecoder->seekable() : true;
  keepChapters(result.tags.chapters, framesToMs(record.totalFrames, record.sampleRate),
               record.chapters, record.chapterStarts);
  return record;
}

void Player::onLoadDone(std::unique_ptr<LoadResult> result) {
  if (!result) return;
  if (result->kind == LoadKind::PrepareNext) {
    if (preload.id == -1 || result->trackId != preload.id) return;
    const int64_t index = preload.index;
    preload.id = -1;
    preload.index = -1;
    if (!result->track) {
      ++unplayableCount;
      return;
    }
    clearPrepared();
    prepared = makeRecord(*result, index);
    output.handOverNext(std::move(result->track));
    return;
  }

  if (load.id == -1 || result->trackId != load.id) return;
  const PendingLoad request = std::move(load);
  load = PendingLoad();

  if (!result->track) {
    statusMessage = loadErrorText(result->error, result->message);
    const bool fromList = request.index >= 0 && static_cast<size_t>(request.index) < list.size();
    playing.title = fromList ? std::wstring(list.displayName(static_cast<size_t>(request.index)))
                             : std::wstring(paths::fileName(request.path));
    if (fromList && !request.startPaused && !isHttpUrl(request.path)) {
      ++unplayableCount;
      if (unplayableCount < kMaxUnplayable) {
        const int64_t old = list.current;
        if (list.advanceUser() != -1) {
          repaintRows(old, list.current);
          playCurrent();
          return;
        }
      }
    }
    halt(PlayState::Failed);
    refresh();
    return;
  }

  unplayableCount = 0;
  clearPlaying();
  playing = makeRecord(*result, request.index);
  if (playing.stream) playing.stream->setRepeatOne(loopFlag);
  positionFrames = 0;
  statusMessage.clear();
  output.seek(-1);
  output.handOver(std::move(result->track));
  const auto placeWithin = [this](uint64_t ms) {
    return ms == 0 || (playing.sampleRate != 0 && playing.seekable &&
                       msToFrames(ms, playing.sampleRate) < playing.totalFrames);
  };
  uint64_t startMs = request.startPositionMs;
  // A place from the listening log beyond the end of the track is a damaged log: the saved
  // place stands, and nothing claims otherwise.
  const bool fromLog = request.positionFromLog && placeWithin(startMs);
  if (request.positionFromLog && !fromLog) startMs = request.savedPositionMs;
  if (startMs != 0 && placeWithin(startMs)) {
    const uint64_t frames = msToFrames(startMs, playing.sampleRate);
    seekFrames(frames);
    positionFrames = frames;
  }
  if (fromLog) {
    setNotice(L"Restored to " + text::formatTime(startMs) + L" from the listening log", kNoticeMs);
  }
  if (request.startPaused) {
    halt(PlayState::Paused);
  } else if (playState == PlayState::Playing) {
    // The output was already running: resume has nothing to start, but the new track does.
    logEvent(LogEvent::Play, framesToMs(positionFrames, playing.sampleRate));
  } else {
    resume();
  }
  preloadNext();
  save();
  refresh();
}

void Player::preloadNext() {
  preload.deferred = false;
  if (repeat == RepeatMode::One || playing.index == -1 || load.id != -1) return;
  const int64_t nextIndex = list.peekNextAuto();
  if (nextIndex < 0) return;
  const std::wstring path(list.path(static_cast<size_t>(nextIndex)));
  // A CD drive reads one track at a time: the next one waits until the current is read.
  if (isCdTrackPath(path) && playing.stream && !playing.stream->readingIdle()) {
    preload.deferred = true;
    return;
  }
  const int32_t id = takeId();
  if (!loader.submit(LoadKind::PrepareNext, path, id, options.forceStreaming,
                     static_cast<int32_t>(settings.tagCodepage))) {
    return;  // nothing prepared: the end of the track loads the next one instead
  }
  preload.id = id;
  preload.index = nextIndex;
}

void Player::cancelPreload() {
  output.handOverNext(nullptr);
  clearPrepared();
  preload = PendingPreload();
}

void Player::resume() {
  if (playState == PlayState::Playing) return;
  if (!output.ensureStarted()) {
    playState = PlayState::Failed;
    statusMessage = L"Can't start the audio device";
    return;
  }
  deviceSampleRate = output.outputRate();
  playState = PlayState::Playing;
  SetTimer(window, kTickTimer, kTickMs, nullptr);
  logEvent(LogEvent::Play, framesToMs(positionFrames, playing.sampleRate));
}

void Player::halt(PlayState newState) {
  const bool wasPlaying = playState == PlayState::Playing;
  output.pause();
  KillTimer(window, kTickTimer);
  output.drainRetired();
  checkTrackSwitch();
  // The device has stopped: its last position is the place to come back to.
  if (wasPlaying && playing.id != -1 && output.trackId() == playing.id) {
    positionFrames = output.position();
  }
  // Logged once stopped, so the log holds the place playback resumes from (and names the
  // track a switch just made current).
  if (wasPlaying) {
    logEvent(newState == PlayState::Paused ? LogEvent::Pause : LogEvent::Stop,
             framesToMs(positionFrames, playing.sampleRate));
  }
  playState = newState;
}

void Player::checkTrackSwitch() {
  const int32_t counter = output.trackChangeCounter();
  if (counter == lastSeenTrackSwitch) return;
  lastSeenTrackSwitch = counter;
  if (prepared.id == -1 || output.trackId() != prepared.id) return;

  const int64_t old = list.current;
  list.advanceAuto();
  if (prepared.index != list.current) list.jumpTo(prepared.index);
  repaintRows(old, list.current);
  unplayableCount = 0;
  markHeard(playing.path);
  rememberPosition();
  if (audiobook) logEvent(LogEvent::Stop, framesToMs(playing.totalFrames, playing.sampleRate));
  playing = std::move(prepared);
  clearPrepared();
  if (playing.stream) playing.stream->setRepeatOne(loopFlag);
  positionFrames = 0;
  logEvent(LogEvent::Play, 0);
  preloadNext();
  save();
}

void Player::onTimer() {
  output.drainRetired();
  if (playState != PlayState::Playing) return;
  checkTrackSwitch();

  if (output.deviceStopped()) {
    // The system stopped the device (it went away): try the current default output.
    if (!output.ensureStarted()) {
      halt(PlayState::Paused);
      setNotice(L"No audio output", kNoticeMs);
      refresh();
      return;
    }
    deviceSampleRate = output.outputRate();
  }

  if (playing.stream && playing.stream->byteSource().mediumLost()) {
    cancelPreload();
    statusMessage = L"The disc was ejected";
    halt(PlayState::Failed);
    refresh();
    return;
  }

  if (preload.deferred && (!playing.stream || playing.stream->readingIdle())) preloadNext();

  if (playing.id != -1 && output.trackId() == playing.id) {
    positionFrames = output.position();
    if (currentStation != -1) applyDueTitles();
    if (output.finished() && load.id == -1) {
      if (playing.index == -1 || list.peekNextAuto() == -1) {
        stopAtEnd();
      } else if (preload.id == -1 && prepared.id == -1) {
        // The prepared track failed: skip it.
        const int64_t old = list.current;
        list.advanceAuto();
        if (unplayableCount >= kMaxUnplayable) {
          repaintRows(old, list.current);
          statusMessage = L"Stopped after unplayable tracks";
          stopAtEnd();
        } else if (list.advanceAuto() != -1) {
          repaintRows(old, list.current);
          playCurrent();
        } else {
          repaintRows(old, list.current);
          statusMessage = L"Stopped after unplayable tracks";
          stopAtEnd();
        }
      }
    }
  }

  logPeriodicEvent();
  // Minimised, the window is not drawn, but the media controls still follow the chapters.
  if (!IsIconic(window)) {
    refresh();
  } else {
    updateMediaControls();
  }
}

void Player::seekFrames(uint64_t frames) {
  if (playing.stream) {
    playing.stream->requestSeek(frames);
  } else {
    output.seek(static_cast<int64_t>(std::min<uint64_t>(frames, INT64_MAX)));
  }
}

void Player::stopAtEnd() {
  markHeard(playing.path);
  halt(PlayState::Stopped);
  seekFrames(0);
  positionFrames = 0;
  save();
}

void Player::startListTrack() {
  if (list.empty()) return;
  unplayableCount = 0;
  const int64_t old = list.current;
  if (list.current == -1) list.advanceUser();
  repaintRows(old, list.current);
  playCurrent();
}

void Player::playPause() {
  if (currentStation != -1) {
    playPauseStation();
    return;
  }
  switch (playState) {
    case PlayState::Idle:
    case PlayState::Failed:
      startListTrack();
      break;
    case PlayState::Loading:
      break;
    case PlayState::Playing:
      halt(PlayState::Paused);
      break;
    case PlayState::Paused:
    case PlayState::Stopped:
      resume();
      break;
  }
  refresh();
}

void Player::play() {
  if (playState == PlayState::Loading || playState == PlayState::Playing) return;
  if (currentStation != -1) {
    if (playState == PlayState::Paused && playing.id != -1) {
      resume();
    } else {
      playStation(currentStation);
    }
    refresh();
    return;
  }
  if (playState == PlayState::Idle || playState == PlayState::Failed) {
    startListTrack();
  } else {
    resume();
  }
  refresh();
}

void Player::pause() {
  if (playState == PlayState::Playing) halt(PlayState::Paused);
  refresh();
}

void Player::next() {
  if (currentStation != -1) {
    playStationAfter(1);
    return;
  }
  if (playState == PlayState::Playing) checkTrackSwitch();
  if (nextChapter()) {
    refresh();
    return;
  }
  if (list.empty()) return;
  const int64_t target = list.peekNextUser();
  if (target == -1) return;
  if (audiobook &&
      !confirm(L"Go to " + std::wstring(list.displayName(static_cast<size_t>(target))))) {
    return;
  }
  const int64_t old = list.current;
  if (list.advanceUser() == -1) return;
  repaintRows(old, list.current);
  unplayableCount = 0;
  playCurrent();
}

void Player::restartTrack() {
  if (audiobook && !confirm(L"Go back to the start of " + playing.title)) return;
  seekToStart();
  logEvent(LogEvent::To, 0);
}

void Player::previous() {
  if (currentStation != -1) {
    playStationAfter(-1);
    return;
  }
  if (playing.id == -1) return;
  if (playState == PlayState::Playing) checkTrackSwitch();
  if (previousChapter()) {
    refresh();
    return;
  }
  const uint64_t p = positionMs();
  if (p <= kRestartWithinMs && playing.index != -1) {
    if (audiobook) {
      // Ask only when going back would really change the track.
      TrackList probe = list;
      const int64_t target = probe.previous();
      if (target == -1 || target == playing.index) {
        restartTrack();
        refresh();
        return;
      }
      if (!confirm(L"Go to " + std::wstring(list.displayName(static_cast<size_t>(target))))) return;
    }
    const int64_t old = list.current;
    const int64_t target = list.previous();
    if (target == -1 || target == playing.index) {
      seekToStart();
    } else {
      repaintRows(old, list.current);
      unplayableCount = 0;
      playCurrent();
    }
    refresh();
    return;
  }
  restartTrack();
  refresh();
}

bool Player::canSeek() const {
  return currentStation == -1 && playing.id != -1 && playing.totalFrames != 0 && playing.seekable &&
         playing.sampleRate != 0 &&
         (playState == PlayState::Playing || playState == PlayState::Paused ||
          playState == PlayState::Stopped);
}

void Player::seekTo(uint64_t ms) {
  if (!canSeek()) return;
  if (playState == PlayState::Playing) checkTrackSwitch();
  const uint64_t frames = msToFrames(ms, playing.sampleRate);
  seekFrames(frames);
  positionFrames = frames;
  if (playState == PlayState::Stopped) playState = PlayState::Paused;
  refresh();
}

void Player::seekToStart() {
  if (playing.id == -1 || currentStation != -1 || !playing.seekable) return;
  seekFrames(0);
  positionFrames = 0;
  refresh();
}

void Player::setLoopFlag() {
  loopFlag = repeat == RepeatMode::One;
  output.setRepeatOne(loopFlag);
  if (playing.stream) playing.stream->setRepeatOne(loopFlag);
}

void Player::setShuffle(bool on) {
  if (audiobook) return;
  if (playState == PlayState::Playing) checkTrackSwitch();
  if (on != shuffle) {
    shuffle = on;
    list.shuffle = on;
    list.rebuildOrder();
  }
  cancelPreload();
  if (playing.id != -1 && playState != PlayState::Failed) preloadNext();
  refresh();
}

void Player::cycleRepeat() {
  if (playState == PlayState::Playing) checkTrackSwitch();
  repeat = static_cast<RepeatMode>((static_cast<int>(repeat) + 1) % 3);
  list.repeat = repeat;
  setLoopFlag();
  cancelPreload();
  if (playing.id != -1 && playState != PlayState::Failed) preloadNext();
  refresh();
}

void Player::setVolume(int newVolume) {
  volume = clampVolume(newVolume);
  gain = gainForVolume(volume);
  output.setGain(volume);
  refresh();
}

void Player::changeVolume(int steps) {
  if (steps == 0) return;
  const int64_t target = static_cast<int64_t>(volume) + static_cast<int64_t>(steps) * kVolumeStep;
  setVolume(static_cast<int>(std::clamp<int64_t>(target, 0, 100)));
}

void Player::onWheel(int delta) { changeVolume(wheel.add(delta)); }

void Player::onMediaButton(MediaButton button) {
  switch (button) {
    case MediaButton::Play:
      play();
      break;
    case MediaButton::Pause:
      pause();
      break;
    case MediaButton::Next:
      if (!audiobook) next();
      break;
    case MediaButton::Previous:
      if (!audiobook) previous();
      break;
  }
  refresh();
}

bool Player::onAppCommand(int command) {
  // The system media controls deliver these keys themselves while they are active.
  if (mediaControlsActive) return false;
  switch (command) {
    case APPCOMMAND_MEDIA_NEXTTRACK:
      if (!audiobook) next();
      return true;
    case APPCOMMAND_MEDIA_PREVIOUSTRACK:
      if (!audiobook) previous();
      return true;
    case APPCOMMAND_MEDIA_PLAY:
      play();
      return true;
    case APPCOMMAND_MEDIA_PAUSE:
      if (playState == PlayState::Playing) playPause();
      return true;
    case APPCOMMAND_MEDIA_PLAY_PAUSE:
      playPause();
      return true;
    default:
      return false;
  }
}
