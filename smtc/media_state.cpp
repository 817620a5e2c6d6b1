#include "smtc/media_state.h"

namespace smtc {

namespace {

const std::wstring& either(const std::wstring& preferred, const std::wstring& fallback) {
  return preferred.empty() ? fallback : preferred;
}

}  // namespace

Display displayFor(const MediaState& state) {
  Display d;
  if (!state.shown) return d;
  d.title = state.mediaTitle;
  d.artist = state.artist;
  switch (state.source) {
    case SourceKind::File:
      break;
    case SourceKind::Station:
      // A station's record has no tags: the stream names the song, the station stands beside it.
      if (!state.streamTitle.empty()) {
        d.title = state.streamTitle;
        d.artist = state.stationName;
      } else {
        d.title = either(state.mediaTitle, state.stationName);
      }
      break;
    case SourceKind::Episode:
      d.title = either(state.episodeText, state.mediaTitle);
      d.artist = either(state.artist, state.feedTitle);
      break;
    case SourceKind::CdTrack:
      d.title = either(state.cdTitle, state.mediaTitle);
      d.artist = either(state.cdPerformer, state.artist);
      break;
  }
  if (state.hasChapters) d.title = state.chapterTitle;
  return d;
}

int buttonMessageParam(int platformButton) {
  switch (platformButton) {
    case 0:  // Play
      return 0;
    case 1:  // Pause
      return 1;
    case 6:  // Next
      return 2;
    case 7:  // Previous
      return 3;
    default:  // Stop, Record, FastForward, Rewind, ChannelUp, ChannelDown
      return -1;
  }
}

}  // namespace smtc
