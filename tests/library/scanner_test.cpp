#include "library/scanner.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/text.h"
#include "tests/support/bytes.h"
#include "tests/support/message_window.h"
#include "tests/support/win_test_support.h"

namespace {

constexpr DWORD kTimeoutMs = 60000;

// A fresh folder under the temporary folder, removed with everything in it.
class TempTree : public testsupport::TempFolder {
 public:
  TempTree() : TempFolder(L"twk_scanner_") {}

  void folder(const std::wstring& relative, DWORD attributes = 0) const {
    ASSERT_TRUE(CreateDirectoryW(path(relative).c_str(), nullptr)) << text::wideToUtf8(relative);
    if (attributes) setAttributes(relative, attributes | FILE_ATTRIBUTE_DIRECTORY);
  }
  void file(const std::wstring& relative, const std::string& bytes = {},
            DWORD attributes = 0) const {
    ASSERT_TRUE(testsupport::writeFile(path(relative), bytes)) << text::wideToUtf8(path(relative));
    if (attributes) setAttributes(relative, attributes);
  }

 private:
  void setAttributes(const std::wstring& relative, DWORD attributes) const {
    const std::wstring full = path(relative);
    ASSERT_TRUE(SetFileAttributesW(full.c_str(), attributes));
    ASSERT_EQ(GetFileAttributesW(full.c_str()) & attributes, attributes)
        << "attributes not kept for " << text::wideToUtf8(relative);
  }
};

// An ID3v2.3 tag with text frames, followed by a little non-tag data.
std::string latin1Text(const std::string& text) { return std::string(1, '\0') + text; }
std::string utf16Text(const std::wstring& text) {
  std::string payload = "\x01\xFF\xFE";
  for (wchar_t c : text) {
    payload.push_back(static_cast<char>(c & 0xFF));
    payload.push_back(static_cast<char>(c >> 8));
  }
  return payload;
}
std::string taggedMp3(const std::string& titleFrame, const std::string& artistFrame) {
  using namespace testbytes;
  Bytes frames;
  if (!titleFrame.empty()) frames += id3Frame("TIT2", bytes(titleFrame));
  if (!artistFrame.empty()) frames += id3Frame("TPE1", bytes(artistFrame));
  const Bytes file = id3Tag(frames) + Bytes{0xFF, 0xFB, 0x90, 0x00} + zeros(64);
  return std::string(file.begin(), file.end());
}

// What the scanner posted to a message-only window, looked up by scan.
class Inbox : public testsupport::MessageWindow {
 public:
  struct Progress {
    uint32_t id;
    uint64_t count;
  };

  HWND window() const { return hwnd(); }
  bool waitFor(const std::function<bool()>& done) {
    return MessageWindow::waitFor(done, kTimeoutMs);
  }
  bool waitForResult(uint32_t id) {
    return waitFor([&] { return result(id) != nullptr; });
  }

  const ScanResult* result(uint32_t id) const {
    for (const ScanResult* r : records<ScanResult>(WM_APP_SCAN_DONE)) {
      if (r->requestId == id) return r;
    }
    return nullptr;
  }
  std::vector<Progress> progressOf(uint32_t id) const {
    std::vector<Progress> found;
    for (const Posted& p : posted) {
      if (p.message == WM_APP_SCAN_PROGRESS && static_cast<uint32_t>(p.wParam) == id)
        found.push_back({id, static_cast<uint64_t>(p.lParam)});
    }
    return found;
  }
  std::vector<const ScanTitleBatch*> batches() const {
    return records<ScanTitleBatch>(WM_APP_TITLES);
  }
  std::vector<ScanTitle> titlesOf(uint32_t id) const {
    std::vector<ScanTitle> found;
    for (const ScanTitleBatch* batch : batches()) {
      if (batch->requestId != id) continue;
      found.insert(found.end(), batch->entries.begin(), batch->entries.end());
    }
    return found;
  }
  bool hasTitleIndex(uint32_t id, uint32_t index) const {
    for (const ScanTitle& title : titlesOf(id)) {
      if (title.index == index) return true;
    }
    return false;
  }
  bool heardOf(uint32_t id) const {
    return result(id) || !progressOf(id).empty() || !titlesOf(id).empty();
  }

 private:
  template <typename Record>
  std::vector<const Record*> records(UINT message) const {
    std::vector<const Record*> found;
    for (const Posted& p : posted) {
      if (p.message == message && p.record)
        found.push_back(static_cast<const Record*>(p.record.get()));
    }
    return found;
  }
};

// The walk takes room for thousands of files; a posted list keeps none of it.
void expectNoSpareRoom(const TrackList& list) {
  EXPECT_EQ(list.pool.capacity(), list.pool.size());
  EXPECT_EQ(list.tracks.capacity(), list.tracks.size());
}

std::vector<std::wstring> pathsOf(const TrackList& list) {
  std::vector<std::wstring> paths;
  for (size_t i = 0; i < list.size(); ++i) paths.emplace_back(list.path(i));
  return paths;
}

class ScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(inbox.window(), nullptr);
    ASSERT_TRUE(
        scanner.start(inbox.window(), WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES));
  }
  void TearDown() override {
    scanner.stop();
    EXPECT_FALSE(scanner.running());
  }

  // A scan that must be delivered; the result stays owned by the inbox.
  const ScanResult& scan(const std::wstring& folder, bool includeSubfolders) {
    const uint32_t id = scanner.submit(folder, includeSubfolders, 0);
    EXPECT_TRUE(inbox.waitForResult(id)) << "no result for " << text::wideToUtf8(folder);
    const ScanResult* result = inbox.result(id);
    return result ? *result : missing_;
  }

  TempTree tree;
  Inbox inbox;
  scanner::Scanner scanner;
  const ScanResult missing_;  // stands in for a result that never came
};

TEST_F(ScannerTest, FilesComeInNaturalOrderBeforeTheirSubfolders) {
  tree.file(L"Track 10.mp3");
  tree.file(L"Track 2.mp3");
  tree.file(L"cover.jpg");
  tree.folder(L"A");
  tree.file(L"A\\2.mp3");
  tree.file(L"A\\1.wav");
  tree.folder(L"A\\Deep");
  tree.file(L"A\\Deep\\z.mp3");
  tree.folder(L"b");
  tree.file(L"b\\a.m4a");

  const ScanResult& deep = scan(tree.root(), true);
  EXPECT_FALSE(deep.failed);
  EXPECT_EQ(deep.folder, tree.root());
  EXPECT_TRUE(deep.includeSubfolders);
  EXPECT_EQ(deep.list.current, -1);
  EXPECT_EQ(pathsOf(deep.list),
            (std::vector<std::wstring>{tree.path(L"Track 2.mp3"), tree.path(L"Track 10.mp3"),
                                       tree.path(L"A\\1.wav"), tree.path(L"A\\2.mp3"),
                                       tree.path(L"A\\Deep\\z.mp3"), tree.path(L"b\\a.m4a")}));

  // Without subfolders, and with the folder given with its trailing separator.
  const ScanResult& flat = scan(tree.root() + L"\\", false);
  EXPECT_FALSE(flat.failed);
  EXPECT_FALSE(flat.includeSubfolders);
  EXPECT_EQ(pathsOf(flat.list),
            (std::vector<std::wstring>{tree.path(L"Track 2.mp3"), tree.path(L"Track 10.mp3")}));
}

TEST_F(ScannerTest, TakesOnlyAcceptedTypes) {
  for (const wchar_t* name : {L"song.MP3", L"x.FLAC", L"song.mp3.txt", L"mp3", L".mp3",
                              L"notes.txt", L"b.m4b", L"c.WMA"}) {
    tree.file(name);
  }
  tree.folder(L"folder.mp3");  // a folder is never a track, whatever its name

  const ScanResult& result = scan(tree.root(), false);
  EXPECT_EQ(pathsOf(result.list),
            (std::vector<std::wstring>{tree.path(L"b.m4b"), tree.path(L"c.WMA"),
                                       tree.path(L"song.MP3"), tree.path(L"x.FLAC")}));
}

TEST_F(ScannerTest, SkipsHiddenAndSystemEntries) {
  tree.file(L"visible.mp3");
  tree.file(L"hidden.mp3", {}, FILE_ATTRIBUTE_HIDDEN);
  tree.file(L"system.mp3", {}, FILE_ATTRIBUTE_SYSTEM);
  tree.folder(L"Shown");
  tree.file(L"Shown\\in.mp3");
  tree.folder(L"Hidden", FILE_ATTRIBUTE_HIDDEN);
  tree.file(L"Hidden\\in.mp3");
  tree.folder(L"System", FILE_ATTRIBUTE_SYSTEM);
  tree.file(L"System\\in.mp3");

  const ScanResult& result = scan(tree.root(), true);
  EXPECT_EQ(pathsOf(result.list),
            (std::vector<std::wstring>{tree.path(L"visible.mp3"), tree.path(L"Shown\\in.mp3")}));
}

TEST_F(ScannerTest, DoesNotFollowLinkedFolders) {
  tree.folder(L"scanned");
  tree.file(L"scanned\\own.mp3");
  tree.folder(L"elsewhere");
  tree.file(L"elsewhere\\linked.mp3");
  // Needs developer mode on Windows; Wine 8 answers success without making a link.
  const std::wstring link = tree.path(L"scanned\\link");
  CreateSymbolicLinkW(link.c_str(), tree.path(L"elsewhere").c_str(),
                      SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  const DWORD attributes = GetFileAttributesW(link.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    GTEST_SKIP() << "folder links cannot be made here";
  }

  const ScanResult& result = scan(tree.path(L"scanned"), true);
  EXPECT_EQ(pathsOf(result.list), std::vector<std::wstring>{tree.path(L"scanned\\own.mp3")});
  RemoveDirectoryW(link.c_str());
}

TEST_F(ScannerTest, MissingFolderFailsButUnlistableSubfolderIsSkipped) {
  const ScanResult& missing = scan(tree.path(L"nowhere"), true);
  EXPECT_TRUE(missing.failed);
  EXPECT_EQ(missing.list.size(), 0u);
  EXPECT_EQ(missing.folder, tree.path(L"nowhere"));

  // A folder whose name ends in a dot exists but cannot be listed through an ordinary path.
  tree.file(L"a.mp3");
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + tree.path(L"broken.")).c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + tree.path(L"broken.") + L"\\inner").c_str(), nullptr));
  tree.folder(L"fine");
  tree.file(L"fine\\b.mp3");
  const ScanResult& partial = scan(tree.root(), true);
  EXPECT_FALSE(partial.failed);
  EXPECT_EQ(pathsOf(partial.list),
            (std::vector<std::wstring>{tree.path(L"a.mp3"), tree.path(L"fine\\b.mp3")}));
  RemoveDirectoryW((L"\\\\?\\" + tree.path(L"broken.") + L"\\inner").c_str());
  RemoveDirectoryW((L"\\\\?\\" + tree.path(L"broken.")).c_str());
}

TEST_F(ScannerTest, EmptyFolderIsPostedWithoutTitlePhaseAndOneFileGetsOne) {
  tree.folder(L"empty");
  tree.file(L"empty\\cover.jpg");
  tree.folder(L"one");
  tree.file(L"one\\only.mp3", taggedMp3(latin1Text("Only"), latin1Text("Solo")));

  const uint32_t emptyId = scanner.submit(tree.path(L"empty"), true, 0);
  ASSERT_TRUE(inbox.waitForResult(emptyId));
  EXPECT_FALSE(inbox.result(emptyId)->failed);
  EXPECT_EQ(inbox.result(emptyId)->list.size(), 0u);
  expectNoSpareRoom(inbox.result(emptyId)->list);

  const uint32_t oneId = scanner.submit(tree.path(L"one"), true, 0);
  ASSERT_TRUE(inbox.waitFor([&] { return inbox.hasTitleIndex(oneId, 0); }));
  const ScanResult* one = inbox.result(oneId);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(pathsOf(one->list), std::vector<std::wstring>{tree.path(L"one\\only.mp3")});
  EXPECT_EQ(one->list.current, -1);
  expectNoSpareRoom(one->list);
  const std::vector<ScanTitle> titles = inbox.titlesOf(oneId);
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0].title, L"Solo - Only");
  // The scanner works one request at a time, so a title phase of the empty folder would
  // have been posted before anything of the next request.
  EXPECT_TRUE(inbox.titlesOf(emptyId).empty());
}

TEST_F(ScannerTest, TitlesArriveForTheirSortedIndices) {
  tree.file(L"05.mp3", taggedMp3(latin1Text("Last"), {}));
  tree.file(L"01.mp3", taggedMp3(latin1Text("First"), latin1Text("Band")));
  tree.file(L"02.mp3", "not a tag at all");
  tree.file(L"03.mp3", taggedMp3({}, latin1Text("Artist Without Title")));
  tree.file(L"04.mp3", taggedMp3(utf16Text(L"\u0422\u0435\u0441\u0442"), {}));
  tree.file(L"00.mp3");  // empty

  const uint32_t id = scanner.submit(tree.root(), false, 0);
  // The last file carries a title, so its entry closes the title phase.
  ASSERT_TRUE(inbox.waitFor([&] { return inbox.hasTitleIndex(id, 5); }));
  ASSERT_NE(inbox.result(id), nullptr);
  ASSERT_EQ(inbox.result(id)->list.size(), 6u);
  expectNoSpareRoom(inbox.result(id)->list);
  const std::vector<ScanTitle> titles = inbox.titlesOf(id);
  ASSERT_EQ(titles.size(), 3u);
  EXPECT_EQ(titles[0].index, 1u);
  EXPECT_EQ(titles[0].title, L"Band - First");
  EXPECT_EQ(titles[1].index, 4u);
  EXPECT_EQ(titles[1].title, L"\u0422\u0435\u0441\u0442");
  EXPECT_EQ(titles[2].index, 5u);
  EXPECT_EQ(titles[2].title, L"Last");
}

// 1,200 tagged files in 12 folders, built once for the tests that need a large tree.
class LargeTree : public ::testing::Test {
 protected:
  static constexpr int kFolders = 12;
  static constexpr int kFilesPerFolder = 100;
  static constexpr int kFiles = kFolders * kFilesPerFolder;

  static void SetUpTestSuite() {
    tree_ = new TempTree;
    tree_->folder(L"large");
    for (int f = 1; f <= kFolders; ++f) {
      const std::wstring folder = L"large\\f" + text::toDecimal(static_cast<int64_t>(f));
      tree_->folder(folder);
      for (int i = 1; i <= kFilesPerFolder; ++i) {
        const int index = (f - 1) * kFilesPerFolder + (i - 1);
        tree_->file(folder + L"\\" + text::toDecimal(static_cast<int64_t>(i)) + L".mp3",
                    taggedMp3(latin1Text("Title " + std::to_string(index)), latin1Text("Artist")));
      }
    }
    tree_->folder(L"small");
    tree_->file(L"small\\a.mp3");
  }
  static void TearDownTestSuite() {
    delete tree_;
    tree_ = nullptr;
  }

  static TempTree* tree_;
};
TempTree* LargeTree::tree_ = nullptr;

TEST_F(LargeTree, ProgressEvery500AndTitlesInBoundedBatches) {
  Inbox inbox;
  scanner::Scanner scanner;
  ASSERT_TRUE(scanner.start(inbox.window(), WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES));
  const uint32_t id = scanner.submit(tree_->path(L"large"), true, 0);
  ASSERT_TRUE(inbox.waitFor([&] { return inbox.hasTitleIndex(id, kFiles - 1); }));
  scanner.stop();

  const std::vector<Inbox::Progress> progress = inbox.progressOf(id);
  ASSERT_EQ(progress.size(), 2u);
  EXPECT_EQ(progress[0].count, 500u);
  EXPECT_EQ(progress[1].count, 1000u);

  const ScanResult* result = inbox.result(id);
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(result->list.size(), static_cast<size_t>(kFiles));
  EXPECT_EQ(std::wstring(result->list.path(0)), tree_->path(L"large\\f1\\1.mp3"));
  EXPECT_EQ(std::wstring(result->list.path(kFiles - 1)), tree_->path(L"large\\f12\\100.mp3"));

  // Every file has a title; each lands on its own index, in list order, in batches of at
  // most 256 entries.
  size_t expected = 0;
  for (const ScanTitleBatch* batch : inbox.batches()) {
    ASSERT_EQ(batch->requestId, id);
    EXPECT_FALSE(batch->entries.empty());
    EXPECT_LE(batch->entries.size(), 256u);
    for (const ScanTitle& title : batch->entries) {
      ASSERT_EQ(title.index, expected);
      EXPECT_EQ(title.title, text::utf8ToWide("Artist - Title " + std::to_string(expected)));
      ++expected;
    }
  }
  EXPECT_EQ(expected, static_cast<size_t>(kFiles));
}

TEST_F(LargeTree, WalkStopsAtEachCancellationCheck) {
  const std::wstring root = tree_->path(L"large");
  auto walk = [&](int cancelAtCheck, TrackList& list, std::vector<uint64_t>& progress) {
    int checks = 0;
    return scanner::walkFolder(
        root, true, list, [&] { return ++checks >= cancelAtCheck; },
        [&](uint64_t count) { progress.push_back(count); });
  };

  // Checked before each folder is listed: the root holds only folders, each 100 files.
  for (int check = 1; check <= 3; ++check) {
    TrackList list;
    std::vector<uint64_t> progress;
    EXPECT_EQ(walk(check, list, progress), scanner::WalkOutcome::Cancelled);
    EXPECT_EQ(list.size(), check == 3 ? 100u : 0u) << "cancelled at check " << check;
    EXPECT_TRUE(progress.empty());
  }

  // Checked right after the progress of the 500th file, in the middle of a folder.
  TrackList list;
  std::vector<uint64_t> progress;
  bool cancel = false;
  EXPECT_EQ(scanner::walkFolder(
                root, true, list, [&] { return cancel; },
                [&](uint64_t count) {
                  progress.push_back(count);
                  cancel = true;
                }),
            scanner::WalkOutcome::Cancelled);
  EXPECT_EQ(progress, std::vector<uint64_t>{500});
  EXPECT_EQ(list.size(), 500u);

  TrackList whole;
  progress.clear();
  EXPECT_EQ(walk(1000, whole, progress), scanner::WalkOutcome::Done);
  EXPECT_EQ(whole.size(), static_cast<size_t>(kFiles));
  EXPECT_EQ(progress, (std::vector<uint64_t>{500, 1000}));
}

TEST_F(LargeTree, NewerRequestAbandonsTheOneInProgress) {
  Inbox inbox;
  scanner::Scanner scanner;
  ASSERT_TRUE(scanner.start(inbox.window(), WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES));
  // Whether the thread has begun the first walk or not, the second request supersedes it
  // before it could be delivered (the walk's own checks are tested above).
  const uint32_t first = scanner.submit(tree_->path(L"large"), true, 0);
  const uint32_t second = scanner.submit(tree_->path(L"small"), true, 0);
  EXPECT_EQ(second, first + 1);
  ASSERT_TRUE(inbox.waitForResult(second));
  // One thread posts in order: anything of the first request would already be here.
  EXPECT_EQ(inbox.result(first), nullptr);
  EXPECT_TRUE(inbox.titlesOf(first).empty());
  EXPECT_EQ(inbox.result(second)->list.size(), 1u);

  // A pending request that is replaced before the thread wakes is never scanned at all.
  scanner.stop();
  const uint32_t replaced = scanner.submit(tree_->path(L"large"), true, 0);
  const uint32_t newest = scanner.submit(tree_->path(L"small"), false, 0);
  ASSERT_TRUE(scanner.start(inbox.window(), WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES));
  ASSERT_TRUE(inbox.waitForResult(newest));
  EXPECT_FALSE(inbox.heardOf(replaced));
}

TEST_F(LargeTree, StopWithWorkInFlightLeavesNoThreadAndNoRecord) {
  {
    Inbox inbox;
    scanner::Scanner scanner;
    ASSERT_TRUE(
        scanner.start(inbox.window(), WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES));
    scanner.submit(tree_->path(L"large"), true, 0);
    scanner.stop();
    EXPECT_FALSE(scanner.running());

    // Stopped in the title phase.
    ASSERT_TRUE(
        scanner.start(inbox.window(), WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES));
    const uint32_t id = scanner.submit(tree_->path(L"large"), true, 0);
    ASSERT_TRUE(inbox.waitForResult(id));
    scanner.submit(tree_->path(L"large"), true, 0);
    scanner.stop();
    EXPECT_FALSE(scanner.running());
  }  // the inbox frees what reached it
  EXPECT_EQ(ScanResult::live(), 0);
  EXPECT_EQ(ScanTitleBatch::live(), 0);

  // A window that is gone: every post fails and the scanner frees each record itself.
  HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(gone, nullptr);
  DestroyWindow(gone);
  {
    scanner::Scanner scanner;
    ASSERT_TRUE(scanner.start(gone, WM_APP_SCAN_PROGRESS, WM_APP_SCAN_DONE, WM_APP_TITLES));
    scanner.submit(tree_->path(L"small"), true, 0);
    scanner.submit(tree_->path(L"large"), true, 0);
  }
  EXPECT_EQ(ScanResult::live(), 0);
  EXPECT_EQ(ScanTitleBatch::live(), 0);
}

}  // namespace
