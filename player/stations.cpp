// Internet-radio stations: the user's list, starting and stopping a station's stream thread,
// and taking in what the stream reports.
#include <cstddef>
#include <utility>

#include "base/messages.h"
#include "base/text.h"
#include "player/player.h"

namespace {

constexpr wchar_t kConnecting[] = L"Connecting...";
constexpr wchar_t kOutOfMemory[] = L"Out of memory";

}  // namespace

void Player::setCurrentStation(int64_t index) {
  currentStation = index;
  radio.streamTitle.clear();
  // The library mode's lastStation follows the station chosen.
  stationUrl = index >= 0 ? stations[static_cast<size_t>(index)].url : std::wstring();
}

void Player::addStation(const std::wstring& name, const std::wstring& url) {
  if (audiobook || stations.size() >= Settings::kMaxStations || !text::isValidUrl(url)) return;
  Settings::Station station;
  station.name = name.substr(0, Settings::kMaxNameLength);
  if (station.name.empty()) station.name = url;
  station.url = url;
  stations.push_back(std::move(station));
  playStation(static_cast<int64_t>(stations.size()) - 1);
}

void Player::removeStation(int64_t index) {
  if (index < 0 || static_cast<size_t>(index) >= stations.size()) return;
  if (index == currentStation) {
    stopRadio();
    halt(PlayState::Idle);
    clearPlaying();
    positionFrames = 0;
    setCurrentStation(-1);
  } else if (currentStation > index) {
    --currentStation;
  }
  stations.erase(stations.begin() + index);
  save();
  refresh();
}

void Player::playStation(int64_t index) {
  if (audiobook || index < 0 || static_cast<size_t>(index) >= stations.size()) return;
  if (!openOutput()) return;
  rememberPosition();
  stopRadio();
  cancelPreload();
  load = PendingLoad();
  halt(PlayState::Loading);

  const int64_t old = list.current;
  list.current = -1;
  list.rebuildOrder();
  repaintRows(old, -1);

  setCurrentStation(index);
  radio.status = kConnecting;
  clearPlaying();
  positionFrames = 0;
  statusMessage.clear();
  unplayableCount = 0;

  if (!radio.stream.start(stations[static_cast<size_t>(index)].url, radio.session,
                          settings.tagCodepage, window, WM_APP_RADIO)) {
    // No thread: nothing will ever report, so say so now.
    stopRadio();
    statusMessage = kOutOfMemory;
    halt(PlayState::Failed);
  }
  save();
  refresh();
}

void Player::stopRadio() {
  radio.stream.stop();
  radio.session = radio.session == INT32_MAX ? 1 : radio.session + 1;
  radio.status.clear();
  radio.titles.clear();
  radio.ring.reset();
  // Whatever is left in the ring will not be heard: its memory goes now.
  output.dropRadio();
}

void Player::onRadioEvent(std::unique_ptr<RadioEvent> event) {
  // A stale event goes with its ring reference.
  if (!event || event->session != radio.session || currentStation == -1) return;
  switch (event->kind) {
    case RadioEvent::kStatus:
      radio.status = std::move(event->text);
      refresh();
      break;
    case RadioEvent::kStarted: {
      RadioRing* ring = event->takeRing();
      if (!ring || event->sampleRate <= 0) break;
      LoadedTrackPtr track(createLoadedTrack(takeId()));
      if (!track) {
        ring->release();
        stopRadio();
        statusMessage = kOutOfMemory;
        halt(PlayState::Failed);
        refresh();
        break;
      }
      track->radioRing = ring;
      track->sampleRate = static_cast<uint32_t>(event->sampleRate);
      ring->retain();
      radio.ring.reset(ring);
      clearPlaying();
      playing.id = track->trackId;
      playing.sampleRate = track->sampleRate;
      playing.streamed = true;
      playing.seekable = false;
      positionFrames = 0;
      applyDueTitles();
      output.seek(-1);
      output.handOver(std::move(track));
      resume();
      refresh();
      break;
    }
    case RadioEvent::kTitle:
      radio.titles.push_back(StreamTitleAt{event->position, std::move(event->text)});
      if (playing.id != -1) {
        applyDueTitles();
      } else {
        refresh();
      }
      break;
    case RadioEvent::kError:
      stopRadio();
      statusMessage = std::move(event->text);
      halt(PlayState::Failed);
      refresh();
      break;
    default:
      break;
  }
}

void Player::applyDueTitles() {
  if (currentStation == -1 || playing.id == -1) return;
  const uint64_t position = currentPositionFrames();
  size_t due = 0;
  while (due < radio.titles.size() && radio.titles[due].position <= position) ++due;
  if (due > 0) {
    radio.streamTitle = std::move(radio.titles[due - 1].title);
    radio.titles.erase(radio.titles.begin(), radio.titles.begin() + static_cast<ptrdiff_t>(due));
  }
  if (due > 0 || playing.title.empty()) showStation();
}

void Player::showStation() {
  if (currentStation < 0 || static_cast<size_t>(currentStation) >= stations.size()) return;
  const std::wstring& name = stations[static_cast<size_t>(currentStation)].name;
  playing.title = radio.streamTitle.empty() ? name : radio.streamTitle;
  playing.mediaTitle = playing.title;
  playing.artist = name;
  refresh();
}

void Player::playPauseStation() {
  switch (playState) {
    case PlayState::Playing:
      halt(PlayState::Paused);
      break;
    case PlayState::Paused:
      if (playing.id != -1) {
        resume();
      } else {
        playStation(currentStation);
      }
      break;
    case PlayState::Loading:
      // Still connecting: give up on it, the station stays chosen.
      stopRadio();
      halt(PlayState::Stopped);
      positionFrames = 0;
      break;
    case PlayState::Idle:
    case PlayState::Stopped:
    case PlayState::Failed:
      playStation(currentStation);
      break;
  }
  refresh();
}

void Player::playStationAfter(int64_t step) {
  const int64_t count = static_cast<int64_t>(stations.size());
  if (count == 0) return;
  playStation(((currentStation + step) % count + count) % count);
}
