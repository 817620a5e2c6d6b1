#include "cd/open_track.h"

#include <new>
#include <vector>

#include "cd/toc.h"
#include "cd/track_path.h"
#include "cd/track_source.h"

namespace cd {

std::unique_ptr<source::ByteSource> openTrackSource(std::wstring_view path, const DriveOpener& open,
                                                    OpenTrackError& error) {
  error = OpenTrackError::NoDisc;
  wchar_t letter = 0;
  uint32_t number = 0;
  if (!parseTrackPath(path, letter, number)) return nullptr;
  try {
    // The loader never gives up on an open; a blocked call ends with the drive's own timeout.
    static const std::atomic<bool> kNeverCancelled{false};
    std::unique_ptr<Drive> drive = open(letter, kNeverCancelled);
    if (!drive) return nullptr;
    std::vector<uint8_t> toc;
    uint32_t systemError = 0;
    std::vector<AudioTrack> tracks;
    if (!drive->readToc(kTocFormat, toc, systemError) ||
        !audioTracksFromToc(toc.data(), toc.size(), tracks))
      return nullptr;
    for (const AudioTrack& track : tracks) {
      if (track.number != number) continue;
      error = OpenTrackError::OutOfMemory;
      std::unique_ptr<TrackSource> source =
          TrackSource::create(drive->takeDevice(), track.firstSector, track.endSector);
      if (!source) return nullptr;
      error = OpenTrackError::None;
      return source;
    }
    return nullptr;
  } catch (const std::bad_alloc&) {
    error = OpenTrackError::OutOfMemory;
    return nullptr;
  }
}

}  // namespace cd
