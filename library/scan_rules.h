// The folder scanner's pure rules: which files it takes, how it lists a folder and how it
// sorts what it found. Portable: no platform headers.
#pragma once

#include <string>
#include <string_view>

#include "base/track_list.h"

namespace scanner {

// True when the text after the last '.' of the file name is ".mp3", ".wav", ".m4a", ".m4b",
// ".wma" or ".flac", in any case. A name whose only dot is its first character has no type.
bool isAcceptedFileType(std::wstring_view fileName);

// The listing pattern for a folder: the folder, a separator unless it ends in one, and "*".
std::wstring searchPattern(std::wstring_view folder);

// Puts a freshly scanned list of two or more files into track order, compared below the
// folder all paths share, releases its spare capacity and leaves it with no current track
// and a fresh shuffle order.
void sortScanned(TrackList& list);
// The same for a list whose walk handed every folder to runs.
void sortScanned(TrackList& list, FolderRuns& runs);

}  // namespace scanner
