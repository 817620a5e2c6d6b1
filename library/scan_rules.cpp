#include "library/scan_rules.h"

#include "base/text.h"

namespace scanner {

using namespace std::literals;

namespace {

bool endsInSeparator(std::wstring_view path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

}  // namespace

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

std::wstring childPath(std::wstring_view folder, std::wstring_view name) {
  std::wstring path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  if (!endsInSeparator(folder)) path.push_back(L'\\');
  path.append(name);
  return path;
}

std::wstring searchPattern(std::wstring_view folder) { return childPath(folder, L"*"sv); }

std::wstring displayTitle(const TagInfo& tags) {
  if (tags.title.empty()) return {};
  if (tags.artist.empty()) return tags.title;
  std::wstring title;
  title.reserve(tags.artist.size() + 3 + tags.title.size());
  title.append(tags.artist).append(L" - "sv).append(tags.title);
  return title;
}

void sortScanned(TrackList& list) {
  list.sort(list.commonPrefixLength());
  list.releaseSpareCapacity();
  list.current = -1;
  list.rebuildOrder();
}

}  // namespace scanner
