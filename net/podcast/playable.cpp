#include "net/podcast/playable.h"

#include <string>

#include "base/text.h"
#include "net/podcast/trim.h"

namespace podcast {

namespace {

constexpr std::wstring_view kPlayableTypes[] = {
    L"audio/mpeg", L"audio/mp3",   L"audio/x-mp3", L"audio/mpeg3", L"audio/x-mpeg",
    L"audio/mp4",  L"audio/x-m4a", L"audio/m4a",   L"audio/x-m4b", L"audio/x-ms-wma"};
constexpr std::wstring_view kUntypedTypes[] = {L"", L"application/octet-stream",
                                               L"binary/octet-stream"};
constexpr std::wstring_view kPlayableExtensions[] = {L".mp3", L".m4a", L".m4b", L".wma"};

template <size_t N>
bool isOneOf(std::wstring_view s, const std::wstring_view (&list)[N]) {
  for (std::wstring_view item : list) {
    if (s == item) return true;
  }
  return false;
}

}  // namespace

bool isPlayable(std::wstring_view type, std::wstring_view url) {
  std::wstring mime(trimmed(type.substr(0, type.find(L';'))));
  for (wchar_t& c : mime) {
    if (c >= L'A' && c <= L'Z') c = wchar_t(c + 32);
  }
  if (isOneOf(mime, kPlayableTypes)) return true;
  return isOneOf(mime, kUntypedTypes) && isOneOf(text::urlExtension(url), kPlayableExtensions);
}

}  // namespace podcast
