#include "ui/player_messages.h"

#include "base/messages.h"
#include "player/player.h"

bool routePlayerMessage(Player* player, UINT message, WPARAM wParam, LPARAM lParam,
                        LRESULT& result) noexcept {
  try {
    switch (message) {
      case WM_APP_LOAD_DONE: {
        auto record = takeRecord<LoadResult>(lParam);
        if (player) player->onLoadDone(std::move(record));
        result = 0;
        return true;
      }
      case WM_APP_SCAN_PROGRESS:
        if (player)
          player->onScanProgress(static_cast<uint32_t>(wParam), static_cast<uint64_t>(lParam));
        result = 0;
        return true;
      case WM_APP_SCAN_DONE: {
        auto record = takeRecord<ScanResult>(lParam);
        if (player) player->onScanDone(std::move(record));
        result = 0;
        return true;
      }
      case WM_APP_TITLES: {
        auto record = takeRecord<ScanTitleBatch>(lParam);
        if (player) player->onTitles(std::move(record));
        result = 0;
        return true;
      }
      case WM_APP_MEDIA_BUTTON:
        if (player && wParam <= static_cast<WPARAM>(MediaButton::Previous)) {
          player->onMediaButton(static_cast<MediaButton>(wParam));
        }
        result = 0;
        return true;
      case WM_APP_CD_DONE: {
        auto record = takeRecord<cd::DiscResult>(lParam);
        if (player) player->onCdDone(std::move(record));
        result = 0;
        return true;
      }
      case WM_APP_RADIO: {
        auto record = takeRecord<RadioEvent>(lParam);
        if (player) player->onRadioEvent(std::move(record));
        result = 0;
        return true;
      }
      case WM_APP_FEED_DONE: {
        auto record = takeRecord<podcast::FeedResult>(lParam);
        if (player) player->onFeedDone(std::move(record));
        result = 0;
        return true;
      }
      case WM_APPCOMMAND:
        if (player && player->onAppCommand(GET_APPCOMMAND_LPARAM(lParam))) {
          result = TRUE;
          return true;
        }
        return false;
      case WM_TIMER:
        if (wParam == Player::kNoticeTimer) {
          if (player) player->onNoticeTimer();
          result = 0;
          return true;
        }
        if (wParam != Player::kTickTimer) return false;
        if (player) player->onTimer();
        result = 0;
        return true;
      default:
        return false;
    }
  } catch (...) {
    // The record was already taken (and freed by its unique_ptr on the way out).
    result = 0;
    return true;
  }
}
