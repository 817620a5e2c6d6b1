// The feed thread against the loopback server: results posted to a window, the text of each
// way a feed server fails, and cancels (a stall, a second download, the owner going away)
// that leave no thread and no record behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "net/podcast/episode.h"
#include "net/podcast/feed_download.h"
#include "net/podcast/feed_parser.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"

namespace podcast {
namespace {

using testsupport::TestServer;

constexpr UINT kFeedDone = WM_APP + 8;
constexpr DWORD kPatienceMs = 30000;
constexpr DWORD kCancelPatienceMs = 10000;  // well below the 15 s receive time-out
const std::filesystem::path kData = std::filesystem::path(TWK_SOURCE_DIR) / "tests/data/podcast";
const std::wstring kBigFeed = L"/file/episodes5000.xml";

// A message-only window that takes the posted results over.
class Inbox {
 public:
  Inbox() {
    static const ATOM atom = [] {
      WNDCLASSW windowClass = {};
      windowClass.lpfnWndProc = DefWindowProcW;
      windowClass.hInstance = GetModuleHandleW(nullptr);
      windowClass.lpszClassName = L"TwkFeedTestInbox";
      return RegisterClassW(&windowClass);
    }();
    window_ = CreateWindowExW(0, MAKEINTATOM(atom), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  }
  ~Inbox() {
    pump();
    DestroyWindow(window_);
  }
  Inbox(const Inbox&) = delete;
  Inbox& operator=(const Inbox&) = delete;

  HWND window() const { return window_; }

  // Takes what is queued already.
  void pump() {
    MSG msg;
    while (PeekMessageW(&msg, window_, 0, 0, PM_REMOVE)) {
      if (msg.message == kFeedDone) {
        results.emplace_back(reinterpret_cast<FeedResult*>(msg.lParam));
      } else {
        DispatchMessageW(&msg);
      }
    }
  }

  // The result of this request once it arrives; null when it does not come in time.
  std::unique_ptr<FeedResult> take(int32_t requestId) {
    std::unique_ptr<FeedResult> found;
    testsupport::pumpUntil(
        [&] {
          pump();
          for (auto& r : results) {
            if (r && r->requestId == requestId) found = std::move(r);
          }
          std::erase(results, nullptr);
          return found != nullptr;
        },
        kPatienceMs);
    return found;
  }

  std::vector<std::unique_ptr<FeedResult>> results;

 private:
  HWND window_ = nullptr;
};

class FeedDownloadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new TestServer("http_server.py",
                             {"--root", TWK_UNIX_PODCAST_DATA, "--root", TWK_UNIX_PODCAST_FEEDS});
  }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override { ASSERT_TRUE(server_->ok()) << server_->error(); }

  FeedRequest request(int32_t id, const std::wstring& path) const {
    return {id, server_->url(path), nullptr, inbox_.window(), kFeedDone};
  }

  std::unique_ptr<FeedResult> download(FeedDownload& feeds, int32_t id, const std::wstring& path) {
    if (!feeds.start(request(id, path))) return nullptr;
    return inbox_.take(id);
  }

  // Starts a download the server stalls and waits until the server has its request.
  bool startStalled(FeedDownload& feeds, int32_t id, const std::wstring& stall) {
    const size_t before = testsupport::loggedRequests(*server_, kBigFeed).size();
    return feeds.start(request(id, kBigFeed + L"?stall=" + stall)) &&
           testsupport::pumpUntil(
               [&] { return testsupport::loggedRequests(*server_, kBigFeed).size() > before; },
               kPatienceMs);
  }

  static TestServer* server_;
  Inbox inbox_;
};
TestServer* FeedDownloadTest::server_ = nullptr;

TEST_F(FeedDownloadTest, FeedsArriveReadOrWithTheirServersFailureText) {
  FeedDownload feeds;
  std::unique_ptr<FeedResult> big = download(feeds, 1, kBigFeed);
  ASSERT_TRUE(big);
  EXPECT_EQ(big->error, L"");
  EXPECT_EQ(big->feedUrl, server_->url(kBigFeed));
  EXPECT_EQ(big->title, L"The Daily Example & Friends");
  EXPECT_EQ(big->episodes.size(), kMaxEpisodes);

  // A redirected feed reads as the same feed, under the address it was asked for.
  FeedResult local;
  parseFeedBody(testsupport::readFile((kData / "edge_cases.xml").wstring()), local);
  ASSERT_FALSE(local.episodes.empty());
  int32_t id = 1;
  for (const std::wstring path :
       {L"/file/edge_cases.xml", L"/redirect/127.0.0.1/file/edge_cases.xml"}) {
    SCOPED_TRACE(testing::Message() << path.c_str());
    std::unique_ptr<FeedResult> r = download(feeds, ++id, path);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->error, L"");
    EXPECT_EQ(r->feedUrl, server_->url(path));
    EXPECT_EQ(r->title, local.title);
    ASSERT_EQ(r->episodes.size(), local.episodes.size());
    for (size_t i = 0; i < local.episodes.size(); ++i) {
      EXPECT_EQ(r->episodes[i].url, local.episodes[i].url);
      EXPECT_EQ(r->episodes[i].published, local.episodes[i].published);
    }
  }

  const struct {
    const wchar_t* path;
    const wchar_t* error;
  } failures[] = {
      {L"/file/missing.xml", L"The feed answered HTTP 404"},
      {L"/redirect/127.0.0.1/file/missing.xml", L"The feed answered HTTP 404"},
      {L"/file/web_page.html", L"Not a valid podcast feed (XML error)"},
      {L"/file/episodes5000.xml?reset=300000", L"The connection dropped"},
      {L"/file/over8mb.xml", L"The feed is over 8 MB"},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(testing::Message() << f.path);
    std::unique_ptr<FeedResult> r = download(feeds, ++id, f.path);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->requestId, id);
    EXPECT_EQ(r->error, f.error);
    EXPECT_TRUE(r->title.empty() && r->episodes.empty());
  }
}

TEST_F(FeedDownloadTest, StopEndsAStalledDownloadWithoutPostingAnything) {
  FeedDownload feeds;
  int32_t id = 0;
  for (const wchar_t* stall : {L"headers", L"100000"}) {
    SCOPED_TRACE(testing::Message() << stall);
    ASSERT_TRUE(startStalled(feeds, ++id, stall));
    const double started = testsupport::nowMs();
    feeds.stop();
    const double took = testsupport::nowMs() - started;
    std::printf("stop() during a stall (%ls) took %.0f ms\n", stall, took);
    EXPECT_LT(took, kCancelPatienceMs);  // the cancel ended it, not the receive time-out
    EXPECT_FALSE(feeds.running());
    inbox_.pump();
    EXPECT_TRUE(inbox_.results.empty());
    EXPECT_EQ(FeedResult::live(), 0);
  }
  feeds.stop();  // nothing left to stop
}

TEST_F(FeedDownloadTest, ANewDownloadOrTheOwnersEndCancelsTheRunningOne) {
  {
    FeedDownload feeds;
    ASSERT_TRUE(startStalled(feeds, 1, L"100000"));
    std::unique_ptr<FeedResult> second = download(feeds, 2, L"/file/edge_cases.xml");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->error, L"");
    ASSERT_TRUE(startStalled(feeds, 3, L"headers"));
  }
  inbox_.pump();
  EXPECT_TRUE(inbox_.results.empty());  // neither the first nor the third posted
  EXPECT_EQ(FeedResult::live(), 0);

  // A window gone before the post (or none): the thread frees the record itself.
  HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  DestroyWindow(gone);
  for (HWND window : {gone, HWND(nullptr)}) {
    runFeedRequest({4, server_->url(L"/file/edge_cases.xml"), nullptr, window, kFeedDone});
    EXPECT_EQ(FeedResult::live(), 0);
  }
}

}  // namespace
}  // namespace podcast
