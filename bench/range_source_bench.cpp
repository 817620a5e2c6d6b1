// Throughput of the HTTP range source against a plain synchronous WinHTTP download of the same
// loopback resource, the latency of a seek that reopens the stream, and through a real player:
// play command to first audio of an MP3 URL, and seeks by estimate to the first audio after.
//   range_source_bench [megabytes=64] [seeks=40]
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "base/scoped_win.h"
#include "net/http/open_url.h"
#include "player/player.h"
#include "tests/support/player_host.h"
#include "tests/support/test_server.h"
#include "tests/support/win_test_support.h"

namespace {

double nowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Bytes per second of a synchronous GET read in 1 MiB calls; 0 on failure.
double plainDownload(uint16_t port, const std::wstring& path, uint64_t expected) {
  const double start = nowMs();
  base::ScopedInternet session(WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                           WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  base::ScopedInternet connection(WinHttpConnect(session.get(), L"127.0.0.1", port, 0));
  base::ScopedInternet request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr,
                                                  WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                  0));
  if (!request ||
      !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, nullptr, 0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return 0;
  }
  std::vector<uint8_t> buffer(1 << 20);
  uint64_t total = 0;
  DWORD got = 0;
  while (WinHttpReadData(request.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got) &&
         got > 0) {
    total += got;
  }
  if (total != expected) return 0;
  return static_cast<double>(total) * 1000.0 / (nowMs() - start);
}

// Bytes per second through the range source read in pieces of the given size; 0 on failure.
double rangeSourceRead(const std::wstring& url, uint64_t expected, uint64_t piece) {
  const double start = nowMs();
  http::OpenedUrl opened = http::openUrlSource(url);
  if (!opened.source) return 0;
  std::vector<uint8_t> buffer(piece);
  uint64_t total = 0;
  for (;;) {
    uint64_t got = 0;
    if (!opened.source->readAt(total, buffer.data(), piece, got) || got == 0) break;
    total += got;
  }
  if (total != expected) return 0;
  return static_cast<double>(total) * 1000.0 / (nowMs() - start);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Play command to the output having played the first frames of an MP3 URL, then seeks by
// estimate (12.5 s, 3.5 s, 17.5 s, ...) to the first frames played after the target.
void playerFigures(int rounds) {
  testsupport::TestServer server("http_server.py", {"--root", TWK_UNIX_AUDIO_DATA});
  testsupport::PlayerHost host;
  if (!server.ok() || !host.ok()) {
    std::printf("player figures: no server or player\n");
    return;
  }
  Player& p = host.player();
  const std::wstring url = server.url(L"/file/steps20.mp3");
  std::vector<double> firstAudio, seeks;
  for (int round = 0; round < rounds; ++round) {
    const double start = nowMs();
    p.playIndex(-1, url, false, 0);
    const int32_t id = p.view().load.id;
    if (!testsupport::pumpUntil(
            [&] { return p.view().outputTrackId == id && p.view().positionFrames > 0; }, 20000, 1))
      break;
    firstAudio.push_back(nowMs() - start);
    for (uint64_t ms : {12500, 3500, 17500}) {
      const uint64_t target = ms * 44100 / 1000;
      const double at = nowMs();
      p.seekTo(ms);
      if (!testsupport::pumpUntil([&] { return p.view().positionFrames > target; }, 20000, 1))
        break;
      seeks.push_back(nowMs() - at);
    }
  }
  std::sort(firstAudio.begin(), firstAudio.end());
  std::sort(seeks.begin(), seeks.end());
  if (!firstAudio.empty()) {
    std::printf(
        "MP3 URL (64 kbit/s) play command to first audio, %zu plays: median %.1f ms, max %.1f ms\n",
        firstAudio.size(), median(firstAudio), firstAudio.back());
  }
  if (!seeks.empty()) {
    std::printf(
        "MP3 URL seek by estimate to first audio after it, %zu seeks: median %.1f ms, max %.1f "
        "ms\n",
        seeks.size(), median(seeks), seeks.back());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
  const int seeks = argc > 2 ? std::atoi(argv[2]) : 40;
  testsupport::TestServer server("http_server.py");
  if (!server.ok()) {
    std::printf("server: %s\n", server.error().c_str());
    return 1;
  }
  const uint64_t size = megabytes << 20;
  const std::wstring path = L"/gen/" + std::to_wstring(size);
  const std::wstring url = server.url(path);

  std::vector<double> plain, whole, decoderSized;
  for (int run = 0; run < 3; ++run) {
    plain.push_back(plainDownload(server.port(), path, size));
    whole.push_back(rangeSourceRead(url, size, 1 << 20));
    decoderSized.push_back(rangeSourceRead(url, size, 16384));
  }
  const double mb = 1024.0 * 1024.0;
  std::printf("loopback %llu MiB, median of 3\n", static_cast<unsigned long long>(megabytes));
  std::printf("  plain WinHTTP download      %8.1f MiB/s\n", median(plain) / mb);
  std::printf("  range source, 1 MiB reads   %8.1f MiB/s  (plain / this = %.2f)\n",
              median(whole) / mb, median(plain) / std::max(median(whole), 1.0));
  std::printf("  range source, 16 KiB reads  %8.1f MiB/s  (plain / this = %.2f)\n",
              median(decoderSized) / mb, median(plain) / std::max(median(decoderSized), 1.0));

  http::OpenedUrl opened = http::openUrlSource(url);
  if (!opened.source) return 1;
  std::mt19937_64 random(7);
  std::vector<uint8_t> buffer(16384);
  std::vector<double> latencies;
  for (int i = 0; i < seeks; ++i) {
    // Far enough from anything read before that the stream is reopened.
    const uint64_t offset = (random() % (size / (1 << 20) - 1)) * (1 << 20) + 12345;
    const double start = nowMs();
    uint64_t got = 0;
    if (!opened.source->readAt(offset, buffer.data(), buffer.size(), got) || got == 0) break;
    latencies.push_back(nowMs() - start);
  }
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    std::printf("seek (reopen + first 16 KiB), %zu seeks: median %.2f ms, max %.2f ms\n",
                latencies.size(), latencies[latencies.size() / 2], latencies.back());
  }
  playerFigures(10);
  return 0;
}
