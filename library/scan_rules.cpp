#include "library/scan_rules.h"

#include "base/path.h"
#include "base/text.h"

namespace scanner {

using namespace std::literals;

namespace {

constexpr std::wstring_view kAccepted[] = {L".mp3"sv, L".wav"sv, L".m4a"sv,
                                           L".m4b"sv, L".wma"sv, L".flac"sv};

bool isAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

}  // namespace

bool isAcceptedFileType(std::wstring_view fileName) {
  // Every type taken is four or five units long with its dot, so a last dot further back (or
  // none) refuses the name at once.
  const size_t tail = fileName.size() < 5 ? fileName.size() : 5;
  const size_t dotInTail = fileName.substr(fileName.size() - tail).rfind(L'.');
  if (dotInTail == std::wstring_view::npos) return false;
  const size_t dot = fileName.size() - tail + dotInTail;
  if (dot == 0) return false;
  const std::wstring_view type = fileName.substr(dot);
  // An ASCII type folds by hand; only a character past ASCII needs the platform's casing.
  wchar_t folded[5];
  bool ascii = true;
  for (size_t i = 0; i < type.size() && ascii; ++i) {
    ascii = static_cast<uint16_t>(type[i]) < 0x80;
    folded[i] = isAsciiLetter(type[i]) ? static_cast<wchar_t>(type[i] | 0x20) : type[i];
  }
  for (std::wstring_view accepted : kAccepted) {
    if (ascii ? std::wstring_view(folded, type.size()) == accepted
              : text::equalsOrdinalIgnoreCase(type, accepted)) {
      return true;
    }
  }
  return false;
}

std::wstring searchPattern(std::wstring_view folder) { return paths::child(folder, L"*"sv); }

namespace {

void settle(TrackList& list) {
  list.releaseSpareCapacity();
  list.current = -1;
  list.rebuildOrder();
}

}  // namespace

void sortScanned(TrackList& list) {
  list.sort(list.commonPrefixLength());
  settle(list);
}

void sortScanned(TrackList& list, FolderRuns& runs) {
  runs.finish(list);
  settle(list);
}

}  // namespace scanner
