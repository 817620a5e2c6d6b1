// How episodes and podcasts are named in the list and the menu. Portable.
#pragma once

#include <string>
#include <string_view>

#include "net/podcast/episode.h"

namespace podcast {

constexpr size_t kMaxPodcastTitleLength = 256;

// "Title (5 Mar 2024, 42 min)": the title, or the URL's file name when it has none, then the
// UTC day of publication and the length rounded to minutes, each when there is one.
std::wstring episodeDisplayText(const Episode& episode);

// The last path segment before any query or fragment; the whole URL when that is empty.
std::wstring urlFileName(std::wstring_view url);

// A heard episode's row starts with a check mark.
std::wstring episodeRowText(std::wstring_view displayText, bool heard);

// The name a subscription is stored under: the feed's title cut to 256 characters, with "|"
// (the settings' separator) and control characters made spaces; the URL when the feed has no
// title.
std::wstring subscriptionTitle(std::wstring_view feedTitle, std::wstring_view feedUrl);

}  // namespace podcast
