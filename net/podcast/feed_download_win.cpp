#include "net/podcast/feed_download.h"

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "base/messages.h"
#include "net/http/client.h"
#include "net/podcast/download_error.h"
#include "net/podcast/episode.h"
#include "net/podcast/feed_parser.h"
#include "net/podcast/feed_texts.h"

namespace podcast {

namespace {

bool cancelled(const FeedRequest& request) { return request.cancel && request.cancel->cancelled(); }

// XmlLite needs no COM apartment on this thread.
void download(const FeedRequest& request, FeedResult& result) {
  http::HttpResponse response;
  const std::wstring error = http::fetch(request.url, kMaxFeedBytes, response, request.cancel);
  result.error = downloadError(error, response.status);
  if (!result.error.empty()) return;
  const std::string_view body(reinterpret_cast<const char*>(response.body.data()),
                              response.body.size());
  parseFeedBody(body, result);
}

bool setOutOfMemory(FeedResult& result) noexcept {
  try {
    result.title.clear();
    result.episodes = {};
    result.error = kOutOfMemory;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

void runFeedRequest(const FeedRequest& request) noexcept {
  std::unique_ptr<FeedResult> result;
  try {
    result = std::make_unique<FeedResult>();
    result->requestId = request.requestId;
    result->feedUrl = request.url;
    download(request, *result);
  } catch (const std::bad_alloc&) {
    // The body is gone by now, so the short text usually fits.
    if (!result || !setOutOfMemory(*result)) return;
  }
  // A null window would post to this thread's own queue, which nobody reads.
  if (cancelled(request) || request.window == nullptr) return;
  postRecord(request.window, request.message, result);  // the window's once posted
}

bool FeedDownload::start(FeedRequest request) noexcept {
  stop();
  if (request.window == nullptr) return false;
  try {
    cancel_ = std::make_shared<http::Cancel>();
    request.cancel = cancel_;
    if (thread_.start([request = std::move(request)] { runFeedRequest(request); })) return true;
  } catch (const std::bad_alloc&) {
  }
  cancel_.reset();
  return false;
}

void FeedDownload::stop() noexcept {
  if (cancel_) cancel_->cancel();
  thread_.join();
  cancel_.reset();
}

}  // namespace podcast
