// Tag reading figures: the scanner's title phase over 10,000 small tagged MP3 files (the same
// files as the scanner bench), header-only and full readTags over them, and both modes over
// files that keep their tags behind cover art or audio (an MP3 with APIC before its text
// frames, a FLAC with a picture before its comments, WAVs with LIST/INFO or an id3 chunk
// after the data). Every figure is printed per run, as the best run and as the median. The trees
// stay in the temporary folder for the next run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/text.h"
#include "library/scan_result.h"
#include "library/scanner.h"
#include "library/tags.h"
#include "tests/support/win_test_support.h"

namespace {

using testsupport::nowMs;

constexpr int kFolders = 100;
constexpr int kPerFolder = 100;
constexpr int kLayoutFiles = 50;  // per layout
constexpr size_t kArtBytes = 100000;
constexpr int kRuns = 7;

std::string be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string syncsafe(uint32_t v) {
  return {char((v >> 21) & 0x7F), char((v >> 14) & 0x7F), char((v >> 7) & 0x7F), char(v & 0x7F)};
}

std::string id3Frame(const char* id, const std::string& body) {
  return std::string(id, 4) + be32(uint32_t(body.size())) + std::string(2, '\0') + body;
}
std::string id3Tag(const std::string& frames) {
  return std::string("ID3\x03\x00\x00", 6) + syncsafe(uint32_t(frames.size())) + frames;
}
std::string text(const std::string& value) { return std::string(1, '\0') + value; }
const std::string kMp3Audio = std::string("\xFF\xFB\x90\x00", 4) + std::string(400, '\0');

std::string taggedMp3(const std::string& title, const std::string& artist) {
  return id3Tag(id3Frame("TIT2", text(title)) + id3Frame("TPE1", text(artist))) + kMp3Audio;
}

std::string artFirstMp3(const std::string& title) {
  const std::string apic = text("image/png") + '\3' + '\0' + std::string(kArtBytes, 'P');
  return id3Tag(id3Frame("APIC", apic) + id3Frame("TIT2", text(title))) + kMp3Audio;
}

std::string flacBlock(uint8_t type, const std::string& body) {
  const uint32_t n = uint32_t(body.size());
  return std::string{char(type), char(n >> 16), char(n >> 8), char(n)} + body;
}

std::string pictureFirstFlac(const std::string& title) {
  const std::string comment = "TITLE=" + title;
  const std::string vorbis =
      le32(6) + "vendor" + le32(1) + le32(uint32_t(comment.size())) + comment;
  return "fLaC" + flacBlock(0, std::string(34, '\0')) + flacBlock(6, std::string(kArtBytes, 'P')) +
         flacBlock(0x84, vorbis) + std::string(400, '\xFF');
}

std::string riffChunk(const char* id, const std::string& data) {
  return std::string(id, 4) + le32(uint32_t(data.size())) + data + (data.size() & 1 ? "\0" : "");
}
std::string wave(const std::string& chunks) {
  return "RIFF" + le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks;
}
std::string infoList(const std::string& title) {
  return riffChunk("LIST", "INFO" + riffChunk("INAM", title));
}

std::string infoAfterDataWav(const std::string& title) {
  return wave(riffChunk("fmt ", std::string(16, '\0')) +
              riffChunk("data", std::string(kArtBytes, '\0')) + infoList(title));
}

std::string id3AfterDataWav(const std::string& title) {
  return wave(riffChunk("fmt ", std::string(16, '\0')) + infoList("Info " + title) +
              riffChunk("data", std::string(kArtBytes, '\0')) +
              riffChunk("id3 ", id3Tag(id3Frame("TIT2", text(title)))));
}

struct Layout {
  const char* name;
  const wchar_t* extension;
  std::string (*make)(const std::string& title);
};
const Layout kLayouts[] = {
    {"mp3, APIC before the text frames", L".mp3", artFirstMp3},
    {"flac, picture before the comments", L".flac", pictureFirstFlac},
    {"wav, LIST/INFO after the data", L".wav", infoAfterDataWav},
    {"wav, id3 chunk after the data", L".wav", id3AfterDataWav},
};

std::wstring number(int value, size_t width) {
  std::wstring digits = text::toDecimal(static_cast<int64_t>(value));
  if (digits.size() < width) digits.insert(0, width - digits.size(), L'0');
  return digits;
}

// Builds a tree once (a marker beside it says it is complete) and returns its files in order.
std::vector<std::wstring> tree(const std::wstring& folder, bool tagged) {
  std::vector<std::wstring> files;
  const bool ready = testsupport::exists(folder + L".ready");
  CreateDirectoryW(folder.c_str(), nullptr);
  if (tagged) {
    for (int f = 0; f < kFolders; ++f) {
      const std::wstring album = folder + L"\\Album " + number(f, 3);
      CreateDirectoryW(album.c_str(), nullptr);
      for (int i = 1; i <= kPerFolder; ++i) {
        files.push_back(album + L"\\" + number(i, 3) + L" Some Track Name.mp3");
        if (!ready)
          testsupport::writeFile(
              files.back(), taggedMp3("Title " + std::to_string(i), "Artist " + std::to_string(f)));
      }
    }
  } else {
    int kind = 0;
    for (const Layout& layout : kLayouts) {
      for (int i = 0; i < kLayoutFiles; ++i) {
        files.push_back(folder + L"\\" + number(kind, 1) + L"-" + number(i, 3) + layout.extension);
        if (!ready) testsupport::writeFile(files.back(), layout.make("Title " + std::to_string(i)));
      }
      ++kind;
    }
  }
  if (!ready) testsupport::writeFile(folder + L".ready", std::string());
  return files;
}

// The machine is shared: the best run shows the cost, the median how steady it was.
double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void printRuns(const char* label, const std::vector<double>& ms, size_t files) {
  std::printf("%-44s", label);
  for (double v : ms) std::printf(" %8.1f", v);
  const double best = *std::min_element(ms.begin(), ms.end());
  std::printf("  | best %7.1f ms = %6.0f files/s, median %7.1f ms\n", best, files * 1000.0 / best,
              median(ms));
}

size_t titlesReceived = 0;
bool scanDone = false;
uint32_t awaitedId = 0;

LRESULT CALLBACK benchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP_SCAN_DONE) {
    const auto result = takeRecord<ScanResult>(lParam);
    if (result->requestId == awaitedId) scanDone = true;
    return 0;
  }
  if (message == WM_APP_TITLES) {
    const auto batch = takeRecord<ScanTitleBatch>(lParam);
    if (batch->requestId == awaitedId) titlesReceived += batch->entries.size();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// From the posted list to the last title of the folder, through the scanner itself.
double titlePhaseMs(HWND window, const std::wstring& folder, size_t titles) {
  scanner::Scanner scanner;
  scanner.start(window, WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES);
  titlesReceived = 0;
  scanDone = false;
  awaitedId = scanner.submit(folder, true, 0);
  if (!testsupport::pumpUntil([] { return scanDone; }, 10 * 60 * 1000, 1)) return -1;
  const double start = nowMs();
  if (!testsupport::pumpUntil([&] { return titlesReceived >= titles; }, 10 * 60 * 1000, 1))
    return -1;
  return nowMs() - start;
}

double readAllMs(const std::vector<std::wstring>& files, bool full, size_t& titled) {
  titled = 0;
  const double start = nowMs();
  for (const std::wstring& file : files) {
    if (!readTags(file, 0, full).title.empty()) ++titled;
  }
  return nowMs() - start;
}

}  // namespace

int main() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring base = std::wstring(temp, n) + L"twk_tag_read_bench";
  CreateDirectoryW(base.c_str(), nullptr);
  const std::wstring taggedFolder = base + L"\\tagged";
  const std::vector<std::wstring> tagged = tree(taggedFolder, true);
  const std::vector<std::wstring> layouts = tree(base + L"\\layouts", false);

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = benchWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TwkTagReadBench";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"TwkTagReadBench", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);

  std::vector<double> phase, header, full, layoutHeader, layoutFull;
  size_t headerTitled = 0, fullTitled = 0, layoutHeaderTitled = 0, layoutFullTitled = 0;
  for (int run = 0; run < kRuns; ++run) {
    const double ms = titlePhaseMs(window, taggedFolder, tagged.size());
    if (ms < 0) {
      std::printf("title phase did not finish\n");
      return 1;
    }
    phase.push_back(ms);
    header.push_back(readAllMs(tagged, false, headerTitled));
    full.push_back(readAllMs(tagged, true, fullTitled));
    layoutHeader.push_back(readAllMs(layouts, false, layoutHeaderTitled));
    layoutFull.push_back(readAllMs(layouts, true, layoutFullTitled));
  }
  DestroyWindow(window);

  std::printf("runs (ms):\n");
  printRuns("scanner title phase, 10,000 tagged mp3", phase, tagged.size());
  printRuns("readTags header-only, 10,000 tagged mp3", header, tagged.size());
  printRuns("readTags full, 10,000 tagged mp3", full, tagged.size());
  printRuns("readTags header-only, 200 layout files", layoutHeader, layouts.size());
  printRuns("readTags full, 200 layout files", layoutFull, layouts.size());
  std::printf(
      "titles found: tagged %zu/%zu header-only, %zu full; layouts %zu/%zu header-only, "
      "%zu full\n",
      headerTitled, tagged.size(), fullTitled, layoutHeaderTitled, layouts.size(),
      layoutFullTitled);
  return 0;
}
