// The HTTP range source and the loader's way into a URL, against a loopback server that counts
// and logs requests: skipping and reopening, the tail cache, resuming after a reset, redirects
// to another host name, cancellation during stalls and hostile answers.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "base/thread.h"
#include "net/http/open_url.h"
#include "net/http/request.h"
#include "tests/support/test_server.h"

namespace {

using testsupport::LoggedRequest;
using testsupport::TestServer;

constexpr DWORD kCancelPatienceMs = 10000;  // well below the 15 s receive time-out
constexpr DWORD kPatienceMs = 30000;

template <typename Cond>
bool waitFor(Cond cond, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!cond()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

// Reads count bytes at offset and checks them against the generated body.
::testing::AssertionResult readsPattern(source::ByteSource& src, uint64_t offset, uint64_t count) {
  std::vector<uint8_t> buffer(count);
  uint64_t got = 0;
  if (!src.readAt(offset, buffer.data(), count, got))
    return ::testing::AssertionFailure() << "read failed";
  if (got != count) return ::testing::AssertionFailure() << "got " << got << " of " << count;
  for (uint64_t i = 0; i < count; ++i) {
    if (buffer[i] != testsupport::generatedByte(offset + i))
      return ::testing::AssertionFailure() << "wrong byte at " << offset + i;
  }
  return ::testing::AssertionSuccess();
}

class RangeSourceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server_ = new TestServer("http_server.py"); }
  static void TearDownTestSuite() { delete server_; }
  void SetUp() override { ASSERT_TRUE(server_->ok()) << server_->error(); }

  std::unique_ptr<http::RangeSource> open(const std::wstring& path) {
    http::OpenedUrl opened = http::openUrlSource(server_->url(path));
    EXPECT_TRUE(opened.source) << testing::PrintToString(opened.error);
    return std::move(opened.source);
  }
  std::vector<LoggedRequest> log(const std::wstring& path) {
    return testsupport::loggedRequests(*server_, path);
  }
  static TestServer* server_;
};
TestServer* RangeSourceTest::server_ = nullptr;

TEST_F(RangeSourceTest, ServerIgnoringRangesSkipsAheadAndRereadsFromTheStart) {
  auto src = open(L"/gen/1000000?ranges=0");
  ASSERT_TRUE(src);
  EXPECT_FALSE(src->seekable());
  EXPECT_EQ(src->size(), 1000000u);
  EXPECT_TRUE(readsPattern(*src, 0, 1000));
  EXPECT_TRUE(readsPattern(*src, 1000 + 100 * 1024, 5000));  // skipped in the stream
  EXPECT_EQ(log(L"/gen/1000000").size(), 1u);
  EXPECT_TRUE(readsPattern(*src, 500, 1000));  // behind: from the start again, without a range
  const auto requests = log(L"/gen/1000000");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].range, "-");
  // Beyond 64 MiB without ranges is refused rather than downloaded.
  uint8_t byte = 0;
  uint64_t got = 0;
  auto endless = open(L"/gen/1/endless?endless=1&ranges=0");
  ASSERT_TRUE(endless);
  EXPECT_EQ(endless->size(), source::kUnknownSize);
  EXPECT_FALSE(endless->readAt(65 * 1024 * 1024, &byte, 1, got));
}

TEST_F(RangeSourceTest, TailReadsUseOneExtraRequestAndThenTheCache) {
  const uint64_t size = 10000000;
  auto src = open(L"/gen/10000000");
  ASSERT_TRUE(src);
  EXPECT_TRUE(src->seekable());
  EXPECT_EQ(src->size(), size);
  EXPECT_TRUE(readsPattern(*src, 0, 65536));
  EXPECT_TRUE(readsPattern(*src, size - 100, 100));
  auto requests = log(L"/gen/10000000");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].range, "bytes=0-");
  EXPECT_EQ(requests[1].range, "bytes=" + std::to_string(size - 4096) + "-");
  // The main stream is where it was, and the tail comes from the cache.
  EXPECT_TRUE(readsPattern(*src, 65536, 100000));
  EXPECT_TRUE(readsPattern(*src, size - 4096, 50));
  EXPECT_TRUE(readsPattern(*src, size - 1, 1));
  EXPECT_EQ(log(L"/gen/10000000").size(), 2u);
  // A far jump reopens with a range; a read past the end stores nothing.
  EXPECT_TRUE(readsPattern(*src, 5000000, 1000));
  requests = log(L"/gen/10000000");
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[2].range, "bytes=5000000-");
  uint8_t byte = 0;
  uint64_t got = 7;
  EXPECT_TRUE(src->readAt(size, &byte, 1, got));
  EXPECT_EQ(got, 0u);
}

TEST_F(RangeSourceTest, ResetMidBodyResumesFromTheOffsetReached) {
  // Past what the socket buffers hold, so the reset comes after the client read the headers.
  const uint64_t size = 20000000;
  auto src = open(L"/gen/20000000?reset=16000000&times=1");
  ASSERT_TRUE(src);
  std::vector<uint8_t> all(size);
  for (uint64_t at = 0; at < size; at += 262144) {
    uint64_t got = 0;
    const uint64_t want = std::min<uint64_t>(262144, size - at);
    ASSERT_TRUE(src->readAt(at, all.data() + at, want, got));
    ASSERT_EQ(got, want);
  }
  for (uint64_t i = 0; i < size; ++i) {
    if (all[i] != testsupport::generatedByte(i)) FAIL() << "wrong byte at " << i;
  }
  const auto requests = log(L"/gen/20000000");
  ASSERT_EQ(requests.size(), 2u);
  const uint64_t resumedAt = std::stoull(requests[1].range.substr(6));
  EXPECT_GT(resumedAt, 0u);
  EXPECT_LE(resumedAt, 16000000u);
}

TEST_F(RangeSourceTest, RedirectToAnotherHostMovesLaterRequestsThere) {
  auto src = open(L"/redirect/localhost/gen/2000000?x=1");
  ASSERT_TRUE(src);
  EXPECT_EQ(src->location().host, L"localhost");
  EXPECT_EQ(src->location().path, L"/gen/2000000?x=1");
  EXPECT_TRUE(readsPattern(*src, 0, 1000));
  EXPECT_TRUE(readsPattern(*src, 1500000, 1000));
  EXPECT_EQ(log(L"/redirect/localhost/gen/2000000").size(), 1u);
  const auto requests = log(L"/gen/2000000");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].range, "bytes=1500000-");
  EXPECT_EQ(requests[1].host, "localhost:" + std::to_string(server_->port()));
}

TEST_F(RangeSourceTest, LoaderBranchTextsAndDecoderChoice) {
  http::OpenedUrl opened = http::openUrlSource(server_->url(L"/missing.mp3"));
  EXPECT_FALSE(opened.source);
  EXPECT_EQ(opened.error, L"The server answered HTTP 404");
  EXPECT_EQ(http::openUrlSource(server_->url(L"/gen/1000?first=1")).error,
            L"The server sent the wrong part of the file");
  EXPECT_EQ(http::openUrlSource(server_->url(L"/gen/0/empty.mp3")).error, L"The episode is empty");
  EXPECT_EQ(http::openUrlSource(server_->url(L"/a b.mp3")).error,
            L"Not a valid http:// or https:// address");
  EXPECT_EQ(http::openUrlSource(L"http://127.0.0.1:1/x.mp3").error, L"Can't reach the server");

  opened = http::openUrlSource(server_->url(L"/gen/5000/e.mp3?ctype=AUDIO/mp4;%20x=1"));
  ASSERT_TRUE(opened.source);
  EXPECT_TRUE(opened.useMediaFoundation);
  EXPECT_EQ(opened.source->contentType(), L"AUDIO/mp4; x=1");
  opened = http::openUrlSource(server_->url(L"/gen/5000/e.mp3?ctype=audio/mpeg"));
  ASSERT_TRUE(opened.source);
  EXPECT_FALSE(opened.useMediaFoundation);
  opened = http::openUrlSource(server_->url(L"/gen/5000/e.m4b?total=star"));
  ASSERT_TRUE(opened.source);
  EXPECT_TRUE(opened.useMediaFoundation);
  EXPECT_EQ(opened.source->size(), source::kUnknownSize);
  EXPECT_TRUE(readsPattern(*opened.source, 0, 5000));
}

// A reader blocked on a stalled server returns once another thread cancels; the reader thread
// is joined before its source goes, and every request handle is closed.
TEST_F(RangeSourceTest, CancelFromAnotherThreadEndsStalledReads) {
  const long contextsBefore = http::Request::liveContexts();
  for (const wchar_t* path :
       {L"/gen/5000000/stall-body?stall=100000", L"/gen/5000000/trickle?rate=1"}) {
    auto src = open(path);
    ASSERT_TRUE(src);
    std::atomic<bool> done{false};
    bool result = true;
    uint64_t got = 0;
    std::vector<uint8_t> buffer(200000);
    DWORD cancelledAt = 0;
    DWORD finishedAt = 0;
    {
      base::Thread reader;
      ASSERT_TRUE(reader.start([&] {
        result = src->readAt(0, buffer.data(), buffer.size(), got);
        finishedAt = GetTickCount();
        done = true;
      }));
      // Whatever the reader is waiting for, it will not come in the next 15 s.
      cancelledAt = GetTickCount();
      src->cancel();
      EXPECT_TRUE(waitFor([&] { return done.load(); }, kCancelPatienceMs)) << path;
    }
    EXPECT_LT(got, buffer.size());
    if (got == 0) {
      EXPECT_FALSE(result);
    }
    printf("%ls: read returned %lu ms after cancel\n", path, finishedAt - cancelledAt);
  }

  // A jump that reopens into a stall before the headers.
  auto src = open(L"/gen/5000000/stall-headers?stall=headers&after=1");
  ASSERT_TRUE(src);
  std::atomic<bool> done{false};
  {
    base::Thread reader;
    ASSERT_TRUE(reader.start([&] {
      uint8_t byte = 0;
      uint64_t got = 0;
      src->readAt(4000000, &byte, 1, got);
      done = true;
    }));
    ASSERT_TRUE(
        waitFor([&] { return log(L"/gen/5000000/stall-headers").size() == 2; }, kPatienceMs));
    src->cancel();
    EXPECT_TRUE(waitFor([&] { return done.load(); }, kCancelPatienceMs));
  }
  src.reset();

  std::string ignored;
  server_->get(L"/_release", ignored);
  EXPECT_TRUE(
      waitFor([&] { return http::Request::liveContexts() == contextsBefore; }, kPatienceMs));
}

TEST_F(RangeSourceTest, LyingLengthsEndTheDataWithoutHanging) {
  // Longer than the body: the data ends where the body does, after the retries give up.
  auto longer = open(L"/gen/300000?lie=20000&ranges=0");
  ASSERT_TRUE(longer);
  EXPECT_EQ(longer->size(), 320000u);
  EXPECT_TRUE(readsPattern(*longer, 0, 300000));
  std::vector<uint8_t> buffer(20000);
  uint64_t got = 0;
  longer->readAt(300000, buffer.data(), buffer.size(), got);
  EXPECT_EQ(got, 0u);
  // Shorter than the body: the source ends at the announced length.
  auto shorter = open(L"/gen/300000?lie=-20000&ranges=0");
  ASSERT_TRUE(shorter);
  EXPECT_EQ(shorter->size(), 280000u);
  EXPECT_TRUE(readsPattern(*shorter, 0, 280000));
  EXPECT_TRUE(shorter->readAt(280000, buffer.data(), 10, got));
  EXPECT_EQ(got, 0u);
}

}  // namespace
