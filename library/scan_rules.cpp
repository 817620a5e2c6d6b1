#include "library/scan_rules.h"

#include "base/path.h"
#include "base/text.h"

namespace scanner {

using namespace std::literals;

bool isAcceptedFileType(std::wstring_view fileName) {
  static constexpr std::wstring_view kAccepted[] = {L".mp3"sv, L".wav"sv, L".m4a"sv,
                                                    L".m4b"sv, L".wma"sv, L".flac"sv};
  const size_t dot = fileName.rfind(L'.');
  if (dot == std::wstring_view::npos || dot == 0) return false;
  const std::wstring_view type = fileName.substr(dot);
  for (std::wstring_view accepted : kAccepted) {
    if (text::equalsOrdinalIgnoreCase(type, accepted)) return true;
  }
  return false;
}

std::wstring searchPattern(std::wstring_view folder) { return paths::child(folder, L"*"sv); }

void sortScanned(TrackList& list) {
  list.sort(list.commonPrefixLength());
  list.releaseSpareCapacity();
  list.current = -1;
  list.rebuildOrder();
}

}  // namespace scanner
