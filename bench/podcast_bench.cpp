// Feed parsing figures: a 5,000-episode feed of about 8 MB read through XmlLite and the feed
// builder, as the feed thread does once the download is in memory. The first run also loads
// XmlLite and is shown apart.
//   podcast_bench [feed.xml]   (default: the feed generated in the build tree)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "net/podcast/feed_parser.h"
#include "tests/support/win_test_support.h"

namespace {

constexpr int kRuns = 10;

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : TWK_PODCAST_FEEDS "/episodes5000.xml";
  const std::string body = testsupport::readFile(text::utf8ToWide(path));
  if (body.empty()) {
    std::printf("cannot read %s (build the podcast_feeds target)\n", path.c_str());
    return 1;
  }

  podcast::FeedResult result;
  double start = testsupport::nowMs();
  podcast::parseFeedBody(body, result);
  const double first = testsupport::nowMs() - start;
  if (!result.error.empty()) {
    std::printf("parse failed: %s\n", text::wideToUtf8(result.error).c_str());
    return 1;
  }

  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    start = testsupport::nowMs();
    podcast::parseFeedBody(body, result);
    times.push_back(testsupport::nowMs() - start);
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  std::printf("feed: %.2f MB, %zu episodes\n", body.size() / 1e6, result.episodes.size());
  std::printf("first parse (loads XmlLite): %.1f ms\n", first);
  std::printf("parse over %d runs: min %.1f ms, median %.1f ms, max %.1f ms (%.0f MB/s)\n", kRuns,
              times.front(), median, times.back(), body.size() / 1e3 / median);
  return 0;
}
