// The HTTP client against a real loopback server: URL splitting, fetch with its size limit,
// status and texts, and a cancel from another thread while the server stalls.
#include <gtest/gtest.h>

#include <winsock2.h>

#include <atomic>
#include <memory>

#include "base/thread.h"
#include "net/http/client.h"
#include "net/http/request.h"
#include "tests/support/test_server.h"

namespace {

using testsupport::TestServer;

constexpr DWORD kCancelPatienceMs = 10000;  // well below the 15 s receive time-out
constexpr DWORD kPatienceMs = 30000;

// Polls cond every 20 ms until it holds or timeoutMs passes.
template <typename Cond>
bool waitFor(Cond cond, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!cond()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

// A loopback port nobody listens on.
uint16_t closedPort() {
  base::ScopedSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int n = sizeof a;
  bind(s.get(), reinterpret_cast<sockaddr*>(&a), n);
  getsockname(s.get(), reinterpret_cast<sockaddr*>(&a), &n);
  return ntohs(a.sin_port);
}

class HttpClient : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new TestServer("http_server.py"); }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override { ASSERT_TRUE(server_->ok()) << server_->error(); }
  static TestServer* server_;
};
TestServer* HttpClient::server_ = nullptr;

TEST_F(HttpClient, ParseUrlSplitsHostPathPortAndScheme) {
  auto url = http::parseUrl(L"HTTPS://Example.com:8443/feed.xml?a=1&b=2");
  ASSERT_TRUE(url);
  EXPECT_EQ(url->host, L"Example.com");
  EXPECT_EQ(url->path, L"/feed.xml?a=1&b=2");
  EXPECT_EQ(url->port, 8443);
  EXPECT_TRUE(url->secure);
  url = http::parseUrl(L"http://h");
  ASSERT_TRUE(url);
  EXPECT_EQ(url->path, L"/");
  EXPECT_EQ(url->port, 80);
  EXPECT_FALSE(url->secure);
  url = http::parseUrl(L"http://h?x=1");
  ASSERT_TRUE(url);
  EXPECT_EQ(url->path, L"?x=1");
  EXPECT_EQ(http::parseUrl(L"https://h")->port, 443);

  std::wstring tooLong = L"http://h/";
  tooLong.resize(2049, L'a');
  for (const std::wstring& bad : {std::wstring(L"http:///x"), std::wstring(L"http://:80/x"),
                                  std::wstring(L"http://a b/"), tooLong}) {
    EXPECT_FALSE(http::parseUrl(bad)) << bad;
    http::HttpResponse response;
    EXPECT_EQ(http::fetch(bad, 100, response), L"Not a valid http:// or https:// address");
  }
}

TEST_F(HttpClient, FetchKeepsToMaxBytesAndReturnsStatusAndType) {
  const uint64_t size = 100000;
  http::HttpResponse response;
  ASSERT_EQ(http::fetch(server_->url(L"/gen/100000?ctype=application/rss%2Bxml"), size, response),
            L"");
  EXPECT_EQ(response.status, 200u);
  EXPECT_EQ(response.contentType, L"application/rss+xml");
  ASSERT_EQ(response.body.size(), size);
  for (uint64_t i = 0; i < size; ++i) {
    ASSERT_EQ(response.body[i], testsupport::generatedByte(i)) << i;
  }
  EXPECT_EQ(http::fetch(server_->url(L"/gen/100000"), size - 1, response), L"Too big");
  EXPECT_LE(response.body.size(), size - 1);
  // An endless body ends at the limit too.
  EXPECT_EQ(http::fetch(server_->url(L"/gen/1?endless=1"), 1 << 20, response), L"Too big");

  // The status is the caller's to judge.
  ASSERT_EQ(http::fetch(server_->url(L"/nothing"), 1000, response), L"");
  EXPECT_EQ(response.status, 404u);
  EXPECT_EQ(std::string(response.body.begin(), response.body.end()), "not found\n");

  const std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(closedPort()) + L"/feed.xml";
  EXPECT_EQ(http::fetch(refused, 1000, response), L"Can't reach the server");
}

TEST_F(HttpClient, HostileAnswersEndWithoutHanging) {
  http::HttpResponse response;
  // Bodies that end before or after their Content-Length end the fetch either way, never
  // with more than was sent.
  for (const wchar_t* lie : {L"/gen/5000?lie=1000", L"/gen/5000?lie=-1000"}) {
    const std::wstring text = http::fetch(server_->url(lie), 100000, response);
    EXPECT_TRUE(text.empty() || text == L"The connection dropped") << text;
    EXPECT_LE(response.body.size(), 5000u);
  }
  // A connection reset mid-body is no complete body. The reset comes past what the socket
  // buffers hold, so the client has surely read the headers (a reset before that takes them
  // with it, and the connection broke before any answer).
  EXPECT_EQ(http::fetch(server_->url(L"/gen/20000000?reset=16000000"), 30000000, response),
            L"The connection dropped");
  // Far more header bytes than any real server sends.
  const std::wstring text = http::fetch(server_->url(L"/gen/10?pad=1000000"), 1000, response);
  EXPECT_TRUE(text.empty() || text == L"Can't connect" || text == L"The connection broke") << text;
  // A Content-Type longer than the 1 KiB buffer counts as absent.
  ASSERT_EQ(http::fetch(server_->url(L"/gen/10?bigtype=1100"), 1000, response), L"");
  EXPECT_EQ(response.contentType, L"");
}

TEST_F(HttpClient, CancelEndsAStalledFetchAndClosesItsRequestOnce) {
  const long contextsBefore = http::Request::liveContexts();
  auto cancel = std::make_shared<http::Cancel>();
  std::wstring text = L"unset";
  std::atomic<bool> done{false};
  http::HttpResponse response;
  DWORD cancelledAt = 0;
  DWORD finishedAt = 0;
  {
    base::Thread worker;
    ASSERT_TRUE(worker.start([&] {
      text = http::fetch(server_->url(L"/stall/fetch?stall=headers"), 1000, response, cancel);
      finishedAt = GetTickCount();
      done = true;
    }));
    // Once the server has the request, the worker waits for headers that never come.
    ASSERT_TRUE(
        waitFor([&] { return !testsupport::loggedRequests(*server_, L"/stall/fetch").empty(); },
                kPatienceMs));
    cancelledAt = GetTickCount();
    cancel->cancel();
    EXPECT_TRUE(waitFor([&] { return done.load(); }, kCancelPatienceMs));
  }
  EXPECT_EQ(text, L"Cancelled");
  printf("fetch returned %lu ms after cancel\n", finishedAt - cancelledAt);

  // A token cancelled beforehand refuses the request at once.
  EXPECT_EQ(http::fetch(server_->url(L"/gen/10"), 1000, response, cancel), L"Cancelled");

  // Every request handle is closed: WinHTTP releases each one's context exactly at its close.
  std::string ignored;
  server_->get(L"/_release", ignored);
  EXPECT_TRUE(
      waitFor([&] { return http::Request::liveContexts() == contextsBefore; }, kPatienceMs));
}

}  // namespace
