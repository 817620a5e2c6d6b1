// The feed thread against the loopback server: each result reaches the window with the feed's
// episodes or its server's failure text; a stall, a newer download or the owner's end cancels
// the running download, which then posts nothing and leaves no record behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "net/podcast/episode.h"
#include "net/podcast/feed_download.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"

namespace podcast {
namespace {

using testsupport::loggedRequests;
using testsupport::pumpUntil;

constexpr UINT kFeedDone = WM_APP + 8;
constexpr DWORD kPatienceMs = 30000;
constexpr DWORD kCancelPatienceMs = 10000;  // well below the 15 s receive time-out
const std::wstring kBigFeed = L"/file/episodes5000.xml";

std::vector<std::unique_ptr<FeedResult>> received;

LRESULT CALLBACK inbox(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kFeedDone) return DefWindowProcW(window, message, wParam, lParam);
  received.push_back(takeRecord<FeedResult>(lParam));
  return 0;
}

TEST(FeedDownload, PostsFeedsOrTheirFailureTextsAndNothingOnceCancelled) {
  testsupport::TestServer server(
      "http_server.py", {"--root", TWK_UNIX_PODCAST_DATA, "--root", TWK_UNIX_PODCAST_FEEDS});
  ASSERT_TRUE(server.ok()) << server.error();
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = inbox;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TwkFeedTestInbox";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, windowClass.hInstance, nullptr);
  ASSERT_TRUE(window);
  int32_t id = 0;
  auto request = [&](const std::wstring& path) {
    return FeedRequest{++id, server.url(path), nullptr, window, kFeedDone};
  };
  auto arrived = [] { return !received.empty(); };
  auto startStalled = [&](FeedDownload& feeds, const wchar_t* stall) {
    const size_t before = loggedRequests(server, kBigFeed).size();
    return feeds.start(request(kBigFeed + L"?stall=" + stall)) &&
           pumpUntil([&] { return loggedRequests(server, kBigFeed).size() > before; }, kPatienceMs);
  };

  FeedDownload feeds;
  const struct {
    const wchar_t* path;
    const wchar_t* error;
    size_t episodes;
  } served[] = {
      {L"/file/episodes5000.xml", L"", kMaxEpisodes},
      {L"/redirect/127.0.0.1/file/edge_cases.xml", L"", 7},
      {L"/redirect/127.0.0.1/file/missing.xml", L"The feed answered HTTP 404", 0},
      {L"/file/web_page.html", L"Not a valid podcast feed (XML error)", 0},
      // Past what the socket buffers hold: the reset lands after the headers were read.
      {L"/file/episodes5000.xml?reset=6000000", L"The connection dropped", 0},
      {L"/file/over8mb.xml", L"The feed is over 8 MB", 0},
  };
  for (const auto& feed : served) {
    SCOPED_TRACE(testing::Message() << feed.path);
    received.clear();
    ASSERT_TRUE(feeds.start(request(feed.path)));
    ASSERT_TRUE(pumpUntil(arrived, kPatienceMs));
    const FeedResult& r = *received.front();
    EXPECT_EQ(r.requestId, id);
    EXPECT_EQ(r.feedUrl, server.url(feed.path));
    EXPECT_EQ(r.error, feed.error);
    EXPECT_EQ(r.episodes.size(), feed.episodes);
  }
  received.clear();

  for (const wchar_t* stall : {L"headers", L"100000"}) {
    ASSERT_TRUE(startStalled(feeds, stall));
    const double started = testsupport::nowMs();
    feeds.stop();
    const double took = testsupport::nowMs() - started;
    std::printf("stop() during a stall (%ls) took %.0f ms\n", stall, took);
    EXPECT_LT(took, kCancelPatienceMs);  // the cancel ended it, not the receive time-out
  }
  {
    FeedDownload leaving;
    ASSERT_TRUE(startStalled(leaving, L"100000"));
    ASSERT_TRUE(leaving.start(request(L"/file/edge_cases.xml")));
    ASSERT_TRUE(pumpUntil(arrived, kPatienceMs));
    ASSERT_TRUE(startStalled(leaving, L"headers"));
  }
  MSG msg;
  while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  ASSERT_EQ(received.size(), 1u);  // only the download nobody cancelled
  EXPECT_EQ(received.front()->requestId, id - 1);
  received.clear();
  EXPECT_EQ(FeedResult::live(), 0);

  // A window gone before the post, or none: the thread frees the record itself.
  DestroyWindow(window);
  for (HWND gone : {window, HWND(nullptr)}) {
    runFeedRequest({++id, server.url(L"/file/edge_cases.xml"), nullptr, gone, kFeedDone});
    EXPECT_EQ(FeedResult::live(), 0);
  }
}

}  // namespace
}  // namespace podcast
