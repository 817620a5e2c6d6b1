// Window messages the workers post to the main window (lParam carries the result record,
// which the receiver owns once the post succeeded).
#pragma once

#include <windows.h>

#include <cstdint>

constexpr UINT WM_APP_LOAD_DONE = WM_APP + 1;
constexpr UINT WM_APP_START = WM_APP + 2;
constexpr UINT WM_APP_SCAN_PROGRESS = WM_APP + 3;
constexpr UINT WM_APP_SCAN_DONE = WM_APP + 4;
constexpr UINT WM_APP_TITLES = WM_APP + 5;
constexpr UINT WM_APP_MEDIA_BUTTON = WM_APP + 6;
constexpr UINT WM_APP_RADIO = WM_APP + 7;
constexpr UINT WM_APP_FEED_DONE = WM_APP + 8;
constexpr UINT WM_APP_CD_DONE = WM_APP + 9;

// The button of WM_APP_MEDIA_BUTTON, in its wParam.
enum class MediaButton : uint8_t { Play = 0, Pause = 1, Next = 2, Previous = 3 };
