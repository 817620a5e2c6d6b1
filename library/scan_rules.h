// The folder scanner's pure rules: which files it takes, how it names paths and what title
// it shows for a track. Portable: no platform headers.
#pragma once

#include <string>
#include <string_view>

#include "base/tag_info.h"
#include "base/track_list.h"

namespace scanner {

// True when the text after the last '.' of the file name is ".mp3", ".wav", ".m4a", ".m4b",
// ".wma" or ".flac", in any case. A name whose only dot is its first character has no type.
bool isAcceptedFileType(std::wstring_view fileName);

// The folder followed by a separator unless it already ends in one ("\" or "/").
std::wstring childPath(std::wstring_view folder, std::wstring_view name);

// The listing pattern for a folder: childPath(folder, "*").
std::wstring searchPattern(std::wstring_view folder);

// "Artist - Title", the title alone without an artist, empty without a title.
std::wstring displayTitle(const TagInfo& tags);

// Puts a freshly scanned list of two or more files into track order, compared below the
// folder all paths share, releases its spare capacity and leaves it with no current track
// and a fresh shuffle order.
void sortScanned(TrackList& list);

}  // namespace scanner
