// The "Add podcast" dialog (resource 102): one feed URL, checked before the dialog closes.
#pragma once

#include <windows.h>

#include <string>

constexpr int kAddPodcastDialog = 102;
constexpr int kIdFeedUrl = 1101;
constexpr int kIdFeedHint = 1102;  // the hint line, which an invalid URL's message replaces
constexpr int kIdFeedLink = 1103;
constexpr size_t kMaxFeedUrlLength = 2048;

inline constexpr wchar_t kPodcastDirectoryUrl[] = L"https://podcastindex.org/";
inline constexpr wchar_t kFeedUrlRequired[] =
    L"Enter a feed URL that starts with http:// or https://";

// Shows the dialog; true with the trimmed, valid URL when the user chose "Add".
bool askFeedUrl(HWND owner, std::wstring& url);
