// The tags of one track, as every tag source fills them, and the title shown from them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Chapter {
  uint32_t startMs = 0;
  std::wstring title;  // may be empty
};

// Each field is filled at most once: a later tag source only fills what is still empty.
struct TagInfo {
  std::wstring title;
  std::wstring artist;
  std::vector<Chapter> chapters;
  bool drm = false;  // set only by the ASF parser
};

// "artist - title", the title alone without an artist; empty without a title. What the list
// and the title line show of a track's tags.
std::wstring displayTitle(const TagInfo& tags);
