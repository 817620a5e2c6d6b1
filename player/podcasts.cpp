// Podcasts in the player: the subscriptions, the one feed download, a feed's episodes as the
// track list, and how the rows of that list read.
#include <algorithm>
#include <utility>

#include "base/messages.h"
#include "base/text.h"
#include "net/podcast/episode_text.h"
#include "net/podcast/feed_texts.h"
#include "player/player.h"

void Player::stopFeed() {
  feedDownload.stop();
  pendingFeedId = 0;
}

void Player::openFeed(const std::wstring& url, bool subscribe) {
  // The feed replaces whatever list was on its way.
  pendingScanId = 0;
  scanProgress = 0;
  forgetCdRead();
  feedCounter = feedCounter == INT32_MAX ? 1 : feedCounter + 1;
  pendingFeedId = feedCounter;
  feedSubscribe = subscribe;
  notice = Notice();
  podcast::FeedRequest request;
  request.requestId = pendingFeedId;
  request.url = url;
  request.window = window;
  request.message = WM_APP_FEED_DONE;
  if (!feedDownload.start(std::move(request))) {
    // No thread, so no answer will come: say so now rather than wait for ever.
    pendingFeedId = 0;
    setNotice(std::wstring(podcast::kFeedErrorPrefix) + std::wstring(podcast::kOutOfMemory),
              podcast::kFeedErrorNoticeMs);
  }
  refresh();
}

void Player::onFeedDone(std::unique_ptr<podcast::FeedResult> result) {
  if (!result || pendingFeedId == 0 || result->requestId != pendingFeedId) return;
  pendingFeedId = 0;
  feedDownload.stop();  // the thread has posted its last word; join it now

  if (!result->error.empty()) {
    setNotice(std::wstring(podcast::kFeedErrorPrefix) + result->error, podcast::kFeedErrorNoticeMs);
    if (restore.pending) {
      restore = RestoreTarget();
      if (!sourceFolder.empty()) openPath(sourceFolder, includeSubfolders, false);
    }
    refresh();
    return;
  }

  const bool known = std::any_of(podcasts.begin(), podcasts.end(),
                                 [&](const auto& p) { return p.url == result->feedUrl; });
  if (feedSubscribe && !known && podcasts.size() < Settings::kMaxPodcasts) {
    podcasts.push_back(
        {podcast::subscriptionTitle(result->title, result->feedUrl), result->feedUrl});
  }
  installEpisodes(*result);
  restore = RestoreTarget();
  save();
  refresh();
}

void Player::installEpisodes(podcast::FeedResult& result) {
  cancelPreload();
  TrackList fresh;
  std::vector<podcast::Episode> kept;
  kept.reserve(result.episodes.size());
  for (podcast::Episode& episode : result.episodes) {
    // The rows and the episode records stay parallel: an episode the list refuses goes too.
    if (!fresh.addTrack(episode.url)) continue;
    fresh.setTitle(fresh.size() - 1, podcast::episodeDisplayText(episode));
    kept.push_back(std::move(episode));
  }
  list.moveFrom(fresh);
  listScanId = 0;
  removedScanIndices.clear();
  episodes = std::move(kept);
  feedTitle = std::move(result.title);
  feedUrl = result.feedUrl;
  cd = CdSource();

  list.repeat = repeat;
  list.reseedFromSystem();
  if (list.shuffle != shuffle) list.shuffle = shuffle;
  list.current = playing.id != -1 ? list.find(playing.path) : -1;
  list.rebuildOrder();
  playing.index = list.current;
  if (load.id != -1) load.index = list.find(load.path);
  listChanged(list.current, false);

  const int64_t target =
      restore.pending && !restore.path.empty() ? list.find(restore.path) : int64_t{-1};
  if (target != -1) {
    const int64_t old = list.current;
    list.current = target;
    list.rebuildOrder();
    repaintRows(old, target);
    listChanged(target, false);
    playIndex(target, std::wstring(list.path(static_cast<size_t>(target))), true,
              restore.positionMs);
  } else {
    cancelPreload();
    if (playing.id != -1 && playState != PlayState::Failed) preloadNext();
  }
}

void Player::addPodcast(const std::wstring& url) {
  if (audiobook || !text::isValidUrl(url)) return;
  for (const Settings::Podcast& stored : podcasts) {
    if (stored.url == url) {
      openFeed(url, false);
      return;
    }
  }
  if (podcasts.size() >= Settings::kMaxPodcasts) return;
  openFeed(url, true);
}

void Player::openPodcast(size_t index) {
  if (audiobook || index >= podcasts.size()) return;
  openFeed(podcasts[index].url, false);
}

void Player::removePodcast(size_t index) {
  if (index >= podcasts.size()) return;
  podcasts.erase(podcasts.begin() + static_cast<ptrdiff_t>(index));
  save();
  refresh();
}

std::wstring Player::rowText(size_t row) const {
  if (row >= list.size()) return std::wstring();
  const std::wstring_view name = list.displayName(row);
  const bool heardEpisode =
      row < episodes.size() && std::find(heard.begin(), heard.end(), list.path(row)) != heard.end();
  return podcast::episodeRowText(name, heardEpisode);
}

bool Player::rowUnplayable(int64_t row) const {
  return row >= 0 && static_cast<size_t>(row) < episodes.size() &&
         !episodes[static_cast<size_t>(row)].playable;
}

bool Player::refuseUnplayable(int64_t row) {
  if (!rowUnplayable(row)) return false;
  setNotice(std::wstring(podcast::kUnplayableNotice), podcast::kUnplayableNoticeMs);
  refresh();
  return true;
}
