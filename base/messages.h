// Window messages the workers post to the main window (lParam carries the result record,
// which the receiver owns once the post succeeded), and the posting and taking of records.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <type_traits>

#include "base/posted_record.h"

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

// The messages whose lParam is a record.
constexpr bool carriesRecord(UINT message) {
  return message == WM_APP_LOAD_DONE || message == WM_APP_SCAN_DONE || message == WM_APP_TITLES ||
         message == WM_APP_RADIO || message == WM_APP_FEED_DONE || message == WM_APP_CD_DONE;
}

// Posts a record with a message; the window owns it once the post succeeded (record is then
// empty), else it stays the caller's.
template <typename Record>
bool postRecord(HWND window, UINT message, std::unique_ptr<Record>& record) {
  static_assert(std::is_base_of_v<PostedRecord, Record>);
  const PostedRecord* base = record.get();
  if (!PostMessageW(window, message, 0, reinterpret_cast<LPARAM>(base))) return false;
  record.release();
  return true;
}

// The record a message carries, owned by the caller. Record must be the type the message's
// sender posted (or PostedRecord itself, to free any record).
template <typename Record>
std::unique_ptr<Record> takeRecord(LPARAM lParam) {
  static_assert(std::is_base_of_v<PostedRecord, Record>);
  return std::unique_ptr<Record>(static_cast<Record*>(reinterpret_cast<PostedRecord*>(lParam)));
}
