// Whether the player can decode an episode (MP3, M4A/M4B or WMA). Portable.
#pragma once

#include <string_view>

namespace podcast {

// By the enclosure's MIME type; an empty or octet-stream type leaves it to the URL's
// extension.
bool isPlayable(std::wstring_view type, std::wstring_view url);

}  // namespace podcast
