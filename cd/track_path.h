// The path under which a CD track appears in the track list: "D:\Track05.cda".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cd {

// Exactly 14 characters: a drive letter, ":\", "Track" in any case, two digits from 01 to 99
// and ".cda" in any case. Gives the upper-case letter and the track number.
bool parseTrackPath(std::wstring_view path, wchar_t& letter, uint32_t& track);

// "%c:\Track%02u.cda".
std::wstring formatTrackPath(wchar_t letter, uint32_t track);

}  // namespace cd
