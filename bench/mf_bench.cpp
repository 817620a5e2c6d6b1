// Media Foundation decoding through an mf::MediaReader: open-to-first-frame time and decoding
// speed in times real time, for M4A (AAC) and WMA. Prints one line per file.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/mf/media_foundation.h"
#include "engine/mf/media_reader.h"
#include "engine/source/file_source.h"
#include "tests/support/mf_decode.h"
#include "tests/support/win_test_support.h"

namespace {

constexpr double kMinMs = 2000;  // measure each file for at least this long

void run(const char* label, const char* name) {
  const std::string narrow = std::string(TWK_SOURCE_DIR "/tests/data/mf/") + name;
  const std::wstring path(narrow.begin(), narrow.end());
  uint32_t error = 0;
  std::unique_ptr<source::FileSource> file = source::FileSource::open(path, error);
  if (!file) {
    std::printf("%-4s missing %s\n", label, name);
    return;
  }
  std::vector<float> chunk(testsupport::kDecodeChunkFrames * 2);
  double openMs = 0, firstMs = 0, decodeMs = 0, audioSeconds = 0, totalMs = 0;
  double bestFirstMs = 1e9;
  int runs = 0;
  while (totalMs < kMinMs) {
    const double start = testsupport::nowMs();
    std::unique_ptr<mf::MediaReader> reader;
    if (mf::MediaReader::open(*file, reader) != mf::OpenOutcome::Ok) {
      std::printf("%-4s cannot open %s\n", label, name);
      return;
    }
    const double opened = testsupport::nowMs();
    uint64_t frames = reader->read(chunk.data(), testsupport::kDecodeChunkFrames);
    const double first = testsupport::nowMs();
    while (uint64_t got = reader->read(chunk.data(), testsupport::kDecodeChunkFrames))
      frames += got;
    const double end = testsupport::nowMs();
    openMs += opened - start;
    firstMs += first - start;
    bestFirstMs = std::min(bestFirstMs, first - start);
    decodeMs += end - opened;
    audioSeconds += double(frames) / reader->sampleRate();
    totalMs += end - start;
    ++runs;
  }
  std::printf(
      "%-4s open %6.2f ms   open to first frame %6.2f ms (best %6.2f)   decoding %7.1fx real "
      "time, %7.1fx with the open   (%s, %d runs)\n",
      label, openMs / runs, firstMs / runs, bestFirstMs, audioSeconds * 1000 / decodeMs,
      audioSeconds * 1000 / totalMs, name, runs);
}

}  // namespace

int main() {
  const double start = testsupport::nowMs();
  if (!mf::mediaFoundation()) {
    std::printf("Media Foundation is not available\n");
    return 1;
  }
  std::printf("Media Foundation start-up %.1f ms (once per process)\n",
              testsupport::nowMs() - start);
  run("M4A", "stereo.m4a");
  run("M4B", "chapters.m4b");
  run("WMA", "stereo.wma");
  return 0;
}
