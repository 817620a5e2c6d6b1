#include "base/tag_info.h"

std::wstring displayTitle(const TagInfo& tags) {
  if (tags.title.empty()) return std::wstring();
  if (tags.artist.empty()) return tags.title;
  std::wstring title;
  title.reserve(tags.artist.size() + 3 + tags.title.size());
  title.append(tags.artist).append(L" - ").append(tags.title);
  return title;
}
