// Feed figures: a 5,000-episode feed of about 8 MB read through XmlLite and the feed builder,
// as the feed thread does once the download is in memory (the first run also loads XmlLite and
// is shown apart); then the generated feed served on loopback, from FeedDownload::start() to
// its result in the window's queue, and how long stop() takes while a server stalls; last, on
// the real main window, from "Add" in the "Add podcast" dialog to a 300-episode list painted.
//   podcast_bench [feed.xml]   (default: the feed generated in the build tree)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/text.h"
#include "net/podcast/feed_download.h"
#include "net/podcast/feed_parser.h"
#include "tests/support/main_window_host.h"
#include "tests/support/modal_robot.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"
#include "ui/add_podcast_dialog.h"
#include "ui/context_menu.h"
#include "ui/control_ids.h"

namespace {

constexpr int kRuns = 10;
constexpr int kServedRuns = 5;
constexpr int kDialogRuns = 6;
constexpr int kDialogEpisodes = 300;
constexpr UINT kFeedDone = WM_APP + 8;
constexpr DWORD kPatienceMs = 60000;
const std::wstring kServedFeed = L"/file/episodes5000.xml";

void printTimes(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%s over %zu runs: min %.1f ms, median %.1f ms, max %.1f ms\n", what, times.size(),
              times.front(), times[times.size() / 2], times.back());
}

// The result of this request as it reaches the window's queue; null after the patience.
std::unique_ptr<podcast::FeedResult> awaitResult(HWND window, int32_t requestId) {
  const ULONGLONG deadline = GetTickCount64() + kPatienceMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, window, kFeedDone, kFeedDone, PM_REMOVE)) {
      std::unique_ptr<podcast::FeedResult> result = takeRecord<podcast::FeedResult>(msg.lParam);
      if (result->requestId == requestId) return result;
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return nullptr;
    MsgWaitForMultipleObjects(0, nullptr, FALSE,
                              static_cast<DWORD>(std::min(deadline - now, 50ull)), QS_POSTMESSAGE);
  }
}

// The feed thread on loopback; false when the server or a download fails.
bool benchServedFeed() {
  testsupport::TestServer server("http_server.py", {"--root", TWK_UNIX_PODCAST_FEEDS});
  if (!server.ok()) {
    std::printf("no loopback server: %s\n", server.error().c_str());
    return false;
  }
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  podcast::FeedDownload feeds;
  std::vector<double> times;
  bool ok = true;
  for (int32_t id = 1; ok && id <= kServedRuns; ++id) {
    const double start = testsupport::nowMs();
    ok = feeds.start({id, server.url(kServedFeed), nullptr, window, kFeedDone});
    const std::unique_ptr<podcast::FeedResult> result = ok ? awaitResult(window, id) : nullptr;
    times.push_back(testsupport::nowMs() - start);
    ok = result && result->error.empty();
    if (result && !ok)
      std::printf("download failed: %s\n", text::wideToUtf8(result->error).c_str());
  }
  if (ok) printTimes("served feed, start() to the result message", times);

  // Stops while the server stalls mid-body, once the request has reached it.
  times.clear();
  for (int32_t id = 100; ok && id < 100 + kServedRuns; ++id) {
    const size_t before = testsupport::loggedRequests(server, kServedFeed).size();
    ok = feeds.start(
             {id, server.url(kServedFeed + L"?stall=1000000"), nullptr, window, kFeedDone}) &&
         testsupport::pumpUntil(
             [&] { return testsupport::loggedRequests(server, kServedFeed).size() > before; },
             kPatienceMs);
    const double start = testsupport::nowMs();
    feeds.stop();
    times.push_back(testsupport::nowMs() - start);
  }
  if (ok) printTimes("stop() during a stalled download", times);
  DestroyWindow(window);
  return ok;
}

// The list view holds every episode and has no paint pending.
bool listShown(const testsupport::MainWindowHost& host) {
  return host.itemCount() == kDialogEpisodes && !GetUpdateRect(host.item(kIdList), nullptr, FALSE);
}

// From the dialog's "Add" to the episodes on show, each run a new subscription to the feed
// served on loopback; an empty folder opened between runs clears the list. The first run is
// shown apart. Under Xvfb, with no window manager, Wine waits up to 2 s for the dialog's X
// window to be withdrawn ("wait_for_withdrawn_state ... timed out"), so the dialog's closing
// is shown apart from what the program does after it.
bool benchDialogToList() {
  testsupport::TestServer server("http_server.py", {"--root", TWK_UNIX_PODCAST_FEEDS});
  testsupport::MainWindowHost host;
  testsupport::TempFolder empty(L"twk_podcast_bench_");
  if (!server.ok() || !host.ok()) {
    std::printf("no loopback server or main window: %s\n", server.error().c_str());
    return false;
  }
  std::vector<double> times, closing, feeding, listing;
  double first = 0;
  for (int run = 0; run < kDialogRuns; ++run) {
    if (!host.open(empty.root(), false) || host.itemCount() != 0) return false;
    const std::wstring url = server.url(L"/file/episodes300.xml?run=" + std::to_wstring(run));
    double pressed = 0;
    testsupport::Robot robot{L"#32770", L"Add podcast", [&](HWND dialog) {
                               SetDlgItemTextW(dialog, kIdFeedUrl, url.c_str());
                               pressed = testsupport::nowMs();
                               testsupport::pressButton(dialog, IDOK);
                             }};
    {
      testsupport::RobotRun running(robot);
      runMenuCommand(host.w(), takeMenuSnapshot(host.w(), -1), kCmdAddPodcast);
    }
    const double closed = testsupport::nowMs();
    const auto failed = [run] {
      std::printf("the dialog's feed did not reach the list (run %d)\n", run);
      return false;
    };
    const auto feedIn = [&] { return host.player().view().pendingFeedId == 0; };
    if (!robot.acted || !testsupport::pumpUntil(feedIn, kPatienceMs, 1)) return failed();
    const double arrived = testsupport::nowMs();
    if (!testsupport::pumpUntil([&] { return listShown(host); }, kPatienceMs, 1)) return failed();
    const double shown = testsupport::nowMs();
    if (run == 0) {
      first = shown - pressed;
      continue;
    }
    times.push_back(shown - pressed);
    closing.push_back(closed - pressed);
    feeding.push_back(arrived - closed);
    listing.push_back(shown - arrived);
  }
  std::printf("dialog OK to %d episodes shown: first %.1f ms\n", kDialogEpisodes, first);
  printTimes("dialog OK to the list shown", times);
  printTimes("  of which OK to the dialog gone (Wine under Xvfb)", closing);
  printTimes("  of which the download and parse, to the episodes taken in", feeding);
  printTimes("  of which the list filled and painted", listing);
  return true;
}

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
  const bool served = benchServedFeed();
  return served && benchDialogToList() ? 0 : 1;
}
