// What the system media controls show, taken from the player's state as plain values, and the
// rules that turn it into the pushed title, artist and status. Portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>

namespace smtc {

// The platform's MediaPlaybackStatus.
enum class Status : uint8_t { Closed = 0, Changing = 1, Stopped = 2, Playing = 3, Paused = 4 };

// Where the playing record came from; each kind brings texts of its own.
enum class SourceKind : uint8_t { File, Station, Episode, CdTrack };

// The player hands this over after every refresh. A source fills only the fields of its kind;
// an empty field falls back to the playing record's own texts.
struct MediaState {
  Status status = Status::Closed;
  // A playing record exists and the player has not failed; without it the display is empty.
  bool shown = false;
  SourceKind source = SourceKind::File;
  std::wstring mediaTitle;  // the playing record's
  std::wstring artist;      // the playing record's
  bool hasChapters = false;
  std::wstring chapterTitle;  // the chapter the position lies in
  // Radio: the chosen station's name and the stream title now due.
  std::wstring stationName;
  std::wstring streamTitle;
  // Podcasts: the playing episode's text and the feed's title.
  std::wstring episodeText;
  std::wstring feedTitle;
  // CDs: the track's CD-Text title and performer, when the disc has them.
  std::wstring cdTitle;
  std::wstring cdPerformer;
};

struct Display {
  std::wstring title;
  std::wstring artist;
  bool operator==(const Display&) const = default;
};

Display displayFor(const MediaState& state);

// The platform's SystemMediaTransportControlsButton (Play 0, Pause 1, ..., Next 6, Previous 7)
// as the wParam of the player's media-button message; -1 for a button the player ignores.
int buttonMessageParam(int platformButton);

}  // namespace smtc
