#include "cd/disc_result.h"

#include "cd/track_path.h"

namespace cd {

std::wstring trackDisplayName(uint32_t number, const std::wstring& title,
                              const std::wstring& performer) {
  if (title.empty()) {
    std::wstring name = L"Track 00";
    name[6] = static_cast<wchar_t>(L'0' + (number / 10) % 10);
    name[7] = static_cast<wchar_t>(L'0' + number % 10);
    return name;
  }
  if (performer.empty()) return title;
  return performer + L" - " + title;
}

std::vector<ListEntry> listEntries(const DiscResult& result) {
  std::vector<ListEntry> entries;
  entries.reserve(result.tracks.size());
  for (const AudioTrack& track : result.tracks) {
    if (track.number >= kTextSlots) continue;
    const std::wstring& performer = result.performers[track.number].empty()
                                        ? result.performers[0]
                                        : result.performers[track.number];
    entries.push_back({formatTrackPath(result.letter, track.number),
                       trackDisplayName(track.number, result.titles[track.number], performer)});
  }
  return entries;
}

}  // namespace cd
