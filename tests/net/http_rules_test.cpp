// The HTTP rules that need no network: Content-Range, the status judgement and its texts,
// Content-Length, the media-type choice, request paths and where the range source serves a
// read from.
#include <gtest/gtest.h>

#include "net/http/error_text.h"
#include "net/http/range_rules.h"
#include "net/http/response_rules.h"
#include "net/http/url.h"

namespace {

using http::ContentRange;
using http::kUnknownLength;
using http::RangeOutcome;

TEST(ContentRangeHeader, AcceptsOnlyTheStrictForm) {
  ContentRange r;
  ASSERT_TRUE(http::parseContentRange(L"bytes 0-99/1000", r));
  EXPECT_EQ(r.first, 0u);
  EXPECT_EQ(r.last, 99u);
  EXPECT_EQ(r.total, 1000u);
  ASSERT_TRUE(http::parseContentRange(L"   BYTES   500-999/*  ", r));
  EXPECT_EQ(r.first, 500u);
  EXPECT_EQ(r.total, kUnknownLength);
  ASSERT_TRUE(http::parseContentRange(L"bytes 0-18446744073709551614/18446744073709551615", r));
  EXPECT_EQ(r.last, 18446744073709551614ull);

  for (const wchar_t* bad :
       {L"bytes 0-1/3",      // 11 characters: too short
        L"bytes=0-99/1000",  // no space after the unit
        L"items 0-99/1000", L"bytes -99/1000", L"bytes 0-/1000", L"bytes 0-99/",
        L"bytes 0-99 /1000", L"bytes 0-99/1000x", L"bytes 0-99/1000\t",
        L"bytes 0-1000/1000",                // last must lie below the total
        L"bytes 0-99/18446744073709551616",  // over 64 bits
        L"bytes 18446744073709551616-1/*", L"bytes 0-99/**", L"\tbytes 0-99/1000"}) {
    EXPECT_FALSE(http::parseContentRange(bad, r)) << bad;
  }
}

TEST(ResponseJudgement, StatusAndRangeDecideTheOutcome) {
  EXPECT_EQ(http::judgeResponse(200, true, 0, L"").outcome, RangeOutcome::Whole);
  EXPECT_EQ(http::judgeResponse(416, true, 5000, L"bytes */1000").outcome, RangeOutcome::PastEnd);
  const http::Judgement ranged = http::judgeResponse(206, true, 500, L"bytes 500-999/1000");
  EXPECT_EQ(ranged.outcome, RangeOutcome::Ranged);
  EXPECT_EQ(ranged.total, 1000u);
  EXPECT_EQ(http::judgeResponse(206, true, 500, L"bytes 500-999/*").total, kUnknownLength);
  // A wrong first byte, a range ending before it starts, or no header at all.
  EXPECT_EQ(http::judgeResponse(206, true, 500, L"bytes 501-999/1000").outcome,
            RangeOutcome::Invalid);
  EXPECT_EQ(http::judgeResponse(206, true, 500, L"bytes 500-499/1000").outcome,
            RangeOutcome::Invalid);
  EXPECT_EQ(http::judgeResponse(206, true, 0, L"").outcome, RangeOutcome::Invalid);
  // Without a Range header only a 200 will do.
  EXPECT_EQ(http::judgeResponse(200, false, 0, L"").outcome, RangeOutcome::Whole);
  EXPECT_EQ(http::judgeResponse(206, false, 0, L"bytes 0-9/10").outcome, RangeOutcome::Invalid);
  EXPECT_EQ(http::judgeResponse(416, false, 0, L"").outcome, RangeOutcome::Invalid);
  EXPECT_EQ(http::judgeResponse(404, true, 0, L"").outcome, RangeOutcome::Invalid);

  EXPECT_EQ(http::invalidResponseText(206), L"The server sent the wrong part of the file");
  EXPECT_EQ(http::invalidResponseText(404), L"The server answered HTTP 404");
  EXPECT_EQ(http::invalidResponseText(0), L"The server answered HTTP 0");
}

TEST(ResponseHeaders, ContentLengthAndMediaType) {
  uint64_t n = 0;
  ASSERT_TRUE(http::parseContentLength(L"10000000", n));
  EXPECT_EQ(n, 10000000u);
  ASSERT_TRUE(http::parseContentLength(L"18446744073709551615", n));
  EXPECT_EQ(n, ~0ull);
  ASSERT_TRUE(http::parseContentLength(L"42, 42", n));
  EXPECT_EQ(n, 42u);
  EXPECT_FALSE(http::parseContentLength(L"18446744073709551616", n));
  EXPECT_FALSE(http::parseContentLength(L"", n));
  EXPECT_FALSE(http::parseContentLength(L" 12", n));
  EXPECT_FALSE(http::parseContentLength(L"-1", n));

  EXPECT_EQ(http::mediaType(L"Audio/MP4 ; codecs=mp4a"), L"audio/mp4");
  EXPECT_TRUE(http::urlSelectsMediaFoundation(L"AUDIO/mp4; charset=x", L"http://h/e.mp3"));
  EXPECT_TRUE(http::urlSelectsMediaFoundation(L"video/x-ms-asf", L"http://h/e"));
  EXPECT_TRUE(http::urlSelectsMediaFoundation(L"audio/x-m4b  ", L"http://h/e"));
  EXPECT_TRUE(
      http::urlSelectsMediaFoundation(L"application/octet-stream", L"http://h/e.M4A?sig=a.mp3"));
  EXPECT_TRUE(http::urlSelectsMediaFoundation(L"", L"http://h/e.wma"));
  EXPECT_FALSE(http::urlSelectsMediaFoundation(L"audio/mpeg", L"http://h/e.mp3"));
  EXPECT_FALSE(http::urlSelectsMediaFoundation(L"audio/mp4x", L"http://h/e"));
  EXPECT_FALSE(http::urlSelectsMediaFoundation(L" audio/mp4", L"http://h/e"));
}

TEST(NetworkTexts, ErrorCodesByMeaning) {
  EXPECT_EQ(http::errorText(12002), L"The server didn't answer in time");
  EXPECT_EQ(http::errorText(12007), L"Can't find the server (no network?)");
  EXPECT_EQ(http::errorText(12029), L"Can't reach the server");
  EXPECT_EQ(http::errorText(12030), L"The connection broke");
  for (uint32_t tls : {12037u, 12038u, 12045u, 12057u, 12157u, 12169u, 12170u, 12175u, 12179u}) {
    EXPECT_EQ(http::errorText(tls), L"The secure connection failed") << tls;
  }
  EXPECT_EQ(http::errorText(12017), L"Can't connect");
  EXPECT_EQ(http::errorText(0), L"Can't connect");
}

TEST(RequestPath, PathAndQuery) {
  EXPECT_EQ(http::requestPath(L"", L""), L"/");
  EXPECT_EQ(http::requestPath(L"", L"?id=7"), L"?id=7");
  EXPECT_EQ(http::requestPath(L"/a/b.mp3", L"?x=1#f"), L"/a/b.mp3?x=1#f");
}

TEST(RangeRoutes, SkipWindowLimitsAndTail) {
  using http::Route;
  constexpr uint64_t kib = 1024, mib = 1024 * kib;
  EXPECT_EQ(http::chooseRoute(false, 0, 0, true), Route::Reopen);
  EXPECT_EQ(http::chooseRoute(true, 1000, 999, true), Route::Reopen);
  EXPECT_EQ(http::chooseRoute(true, 1000, 1000, false), Route::Read);
  EXPECT_EQ(http::chooseRoute(true, 0, 512 * kib, true), Route::Skip);
  EXPECT_EQ(http::chooseRoute(true, 0, 512 * kib + 1, true), Route::Reopen);
  EXPECT_EQ(http::chooseRoute(true, 0, 64 * mib, false), Route::Skip);
  EXPECT_EQ(http::chooseRoute(true, 0, 64 * mib + 1, false), Route::Reopen);
  EXPECT_EQ(http::chooseRoute(true, ~0ull - 1, ~0ull, true), Route::Skip);

  const uint64_t size = 10000000;
  EXPECT_TRUE(http::isTailRead(size - 100, 0, size));
  EXPECT_TRUE(http::isTailRead(size - 4096, 0, size));
  EXPECT_FALSE(http::isTailRead(size - 4097, 0, size));
  EXPECT_FALSE(http::isTailRead(size - 100, size - 100, size));  // the stream is there already
  EXPECT_FALSE(http::isTailRead(size - 100, 0, kUnknownLength));
  EXPECT_TRUE(http::isTailRead(~0ull - 10, 0, ~0ull - 1));  // no overflow near the top
  EXPECT_EQ(http::tailStart(size), size - 4096);
  EXPECT_EQ(http::tailStart(4096), 0u);
  EXPECT_EQ(http::tailStart(100), 0u);

  EXPECT_EQ(http::retryPauseMs(0), 300u);
  EXPECT_EQ(http::retryPauseMs(1), 600u);
  EXPECT_EQ(http::retryPauseMs(2), 1200u);
}

}  // namespace
