// Figures for the player core: how long a play command takes until the audio output
// publishes the new track (memory and stream path), and what a 100,000-track list costs to
// install and to keep.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/text.h"
#include "player/player.h"
#include "tests/support/player_host.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"

namespace {

using testsupport::nowMs;

// A stereo 16-bit WAV of silence-like noise.
std::string wav(double seconds, uint32_t rate) {
  std::vector<int16_t> samples(static_cast<size_t>(seconds * rate) * 2);
  uint32_t x = 12345;
  for (int16_t& sample : samples) {
    x = x * 1103515245 + 12345;
    sample = static_cast<int16_t>((x >> 16) & 0x3F);
  }
  const std::vector<uint8_t> bytes = testwav::wav(rate, 2, samples);
  return std::string(bytes.begin(), bytes.end());
}

// Wine keeps PrivateUsage at zero; the working set moves with what the heap touches.
size_t workingSet() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return counters.WorkingSetSize;
}

size_t listBytes(const TrackList& list) {
  return list.pool.capacity() * sizeof(wchar_t) + list.tracks.capacity() * sizeof(Track) +
         (list.order.capacity() + list.nextOrder.capacity()) * sizeof(uint32_t) +
         list.history.size() * sizeof(uint32_t);
}

struct Figures {
  double min = 0, median = 0, max = 0;
};

Figures summarise(std::vector<double> samples) {
  Figures f;
  if (samples.empty()) return f;
  std::sort(samples.begin(), samples.end());
  f.min = samples.front();
  f.max = samples.back();
  f.median = samples[samples.size() / 2];
  return f;
}

// Play command to the output publishing the track, over every file of the folder in turn.
bool playLatency(const std::vector<std::wstring>& files, bool streaming, int rounds, Figures& out) {
  StartOptions options;
  options.forceStreaming = streaming;
  testsupport::PlayerHost host(Settings(), options);
  if (!host.ok()) return false;
  Player& p = host.player();
  std::vector<double> samples;
  bool ok = true;
  for (int round = 0; round < rounds && ok; ++round) {
    const std::wstring& path = files[static_cast<size_t>(round) % files.size()];
    const double start = nowMs();
    p.playIndex(-1, path, false, 0);
    const int32_t id = p.view().load.id;
    ok = testsupport::pumpUntil([&] { return p.view().outputTrackId == id; }, 20000, 1);
    samples.push_back(nowMs() - start);
  }
  out = summarise(samples);
  return ok;
}

std::unique_ptr<ScanResult> bigList(size_t count, uint32_t id) {
  auto result = std::make_unique<ScanResult>();
  result->requestId = id;
  result->folder = L"C:\\Music";
  for (size_t i = 0; i < count; ++i) {
    const uint64_t artist = i / 1000, album = (i / 12) % 100, track = i % 12 + 1;
    result->list.addTrack(L"C:\\Music\\Artist " + text::toDecimal(artist) + L"\\Album " +
                          text::toDecimal(album) + L"\\" + text::toDecimal(track) +
                          L" - Some Song Title " + text::toDecimal(static_cast<uint64_t>(i)) +
                          L".mp3");
  }
  result->list.releaseSpareCapacity();
  result->list.rebuildOrder();
  return result;
}

}  // namespace

int main() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring folder = std::wstring(temp, n) + L"twk_player_bench_" +
                              text::toDecimal(static_cast<uint64_t>(GetCurrentProcessId()));
  CreateDirectoryW(folder.c_str(), nullptr);
  std::vector<std::wstring> files;
  const std::string track = wav(30.0, 44100);  // 5 MB: a typical MP3's decoded-in-memory cost
  for (int i = 0; i < 4; ++i) {
    files.push_back(folder + L"\\" + text::toDecimal(static_cast<int64_t>(i)) + L".wav");
    if (!testsupport::writeFile(files.back(), track)) {
      std::printf("cannot write the bench files\n");
      return 1;
    }
  }

  constexpr int kRounds = 20;
  Figures memory, stream;
  const bool memoryOk = playLatency(files, false, kRounds, memory);
  const bool streamOk = playLatency(files, true, kRounds, stream);
  std::printf(
      "play command to output publishing the track, %d rounds, 30 s 44.1 kHz WAV (%.1f MB)\n",
      kRounds, track.size() / 1048576.0);
  std::printf("  memory path: min %.2f ms, median %.2f ms, max %.2f ms%s\n", memory.min,
              memory.median, memory.max, memoryOk ? "" : " (timed out)");
  std::printf("  stream path: min %.2f ms, median %.2f ms, max %.2f ms%s\n", stream.min,
              stream.median, stream.max, streamOk ? "" : " (timed out)");

  // A 100,000-track list installed as a scan result: plain, shuffled, and while a track plays
  // (its path is looked up in the new list, here in vain: the whole list is compared).
  constexpr size_t kTracks = 100000;
  for (int variant = 0; variant < 3; ++variant) {
    Settings settings;
    settings.shuffle = variant == 1;
    testsupport::PlayerHost host(settings);
    if (!host.ok()) return 1;
    Player& p = host.player();
    if (variant == 2) {
      p.playIndex(-1, files[0], true, 0);
      if (!testsupport::pumpUntil([&] { return p.view().playing.id != -1; }, 20000)) return 1;
    }
    const size_t before = workingSet();
    std::unique_ptr<ScanResult> result = bigList(kTracks, 0);
    const size_t built = workingSet();
    p.openPath(L"C:\\Music", false, false);  // the request the result answers
    result->requestId = p.view().pendingScanId;
    const double start = nowMs();
    p.onScanDone(std::move(result));
    const double installMs = nowMs() - start;
    const size_t after = workingSet();
    static const char* const kNames[] = {"", " with shuffle", " while a track plays"};
    const TrackList& list = p.trackList();
    std::printf(
        "100,000-track list%s: install %.2f ms; list %.1f MB (pool %.1f MB, entries %.1f MB);"
        " working set +%.1f MB built, %+.1f MB after install\n",
        kNames[variant], installMs, listBytes(list) / 1048576.0,
        list.pool.capacity() * 2 / 1048576.0, list.tracks.capacity() * 16 / 1048576.0,
        (static_cast<double>(built) - before) / 1048576.0,
        (static_cast<double>(after) - before) / 1048576.0);
  }
  for (const std::wstring& file : files) DeleteFileW(file.c_str());
  RemoveDirectoryW(folder.c_str());
  std::printf("sizeof(Player) %zu bytes\n", sizeof(Player));
  return 0;
}
