// The player's side of the system media controls: what it shows there and when.
#include <algorithm>

#include "player/playback_rules.h"
#include "player/player.h"
#include "smtc/smtc.h"

namespace {

smtc::Status mediaStatus(PlayState state) {
  switch (state) {
    case PlayState::Idle:
      return smtc::Status::Closed;
    case PlayState::Loading:
      return smtc::Status::Changing;
    case PlayState::Playing:
      return smtc::Status::Playing;
    case PlayState::Paused:
      return smtc::Status::Paused;
    case PlayState::Stopped:
    case PlayState::Failed:
      return smtc::Status::Stopped;
  }
  return smtc::Status::Closed;
}

}  // namespace

smtc::MediaState Player::mediaState() const {
  smtc::MediaState state;
  state.status = mediaStatus(playState);
  state.shown = playing.id != -1 && playState != PlayState::Failed;
  if (!state.shown) return state;
  state.mediaTitle = playing.mediaTitle;
  state.artist = playing.artist;
  if (!playing.chapters.empty() && playing.chapters.size() == playing.chapterStarts.size()) {
    // The chapter the position lies in: the last one starting at or before it.
    const std::vector<uint32_t>& starts = playing.chapterStarts;
    const uint64_t p = positionMs();
    const auto after = std::upper_bound(starts.begin(), starts.end(), p,
                                        [](uint64_t ms, uint32_t start) { return ms < start; });
    const size_t index =
        after == starts.begin() ? 0 : static_cast<size_t>(after - starts.begin() - 1);
    state.hasChapters = true;
    state.chapterTitle = chapterName(index);
  }
  if (currentStation >= 0 && static_cast<size_t>(currentStation) < stations.size()) {
    state.source = smtc::SourceKind::Station;
    state.stationName = stations[static_cast<size_t>(currentStation)].name;
    state.streamTitle = radio.streamTitle;
  } else if (cd.drive != 0) {
    state.source = smtc::SourceKind::CdTrack;
  } else if (!feedUrl.empty()) {
    state.source = smtc::SourceKind::Episode;
    if (playing.index >= 0 && static_cast<size_t>(playing.index) < episodes.size()) {
      state.episodeText = episodes[static_cast<size_t>(playing.index)].title;
    }
    state.feedTitle = feedTitle;
  }
  return state;
}

void Player::updateMediaControls() { mediaControls.update(mediaState()); }

void Player::offerMediaPreviousNext() { mediaControls.setPreviousNextAvailable(!audiobook); }

bool Player::startMediaControls(std::unique_ptr<smtc::Platform> platform) {
  if (platform) {
    mediaControls.start(std::move(platform));
  } else {
    smtc::init(mediaControls, window, WM_APP_MEDIA_BUTTON);
  }
  mediaControlsActive = mediaControls.active();
  if (mediaControlsActive && audiobook) mediaControls.setPreviousNextAvailable(false);
  return mediaControlsActive;
}
