// The texts the feed reader and the player's podcast side show. Portable.
#pragma once

#include <cstdint>
#include <string_view>

namespace podcast {

inline constexpr std::wstring_view kFeedTooBig = L"The feed is over 8 MB";
inline constexpr std::wstring_view kFeedHttpStatus = L"The feed answered HTTP ";
inline constexpr std::wstring_view kNotAFeed = L"Not a podcast feed";
inline constexpr std::wstring_view kXmlLiteMissing =
    L"Can't read feeds on this system (XmlLite missing)";
inline constexpr std::wstring_view kOutOfMemory = L"Out of memory";
inline constexpr std::wstring_view kXmlError = L"Not a valid podcast feed (XML error)";
inline constexpr std::wstring_view kNoChannel = L"Not a podcast feed (no RSS channel)";

// Shown by the player and the status line.
inline constexpr std::wstring_view kFeedErrorPrefix = L"Podcast: ";
inline constexpr uint32_t kFeedErrorNoticeMs = 8000;
inline constexpr std::wstring_view kUnplayableNotice = L"This episode isn't MP3 or M4A audio";
inline constexpr uint32_t kUnplayableNoticeMs = 5000;
inline constexpr std::wstring_view kLoadingPodcast = L"Loading podcast...";
inline constexpr std::wstring_view kHeardMark = L"\u2713 ";

}  // namespace podcast
