#include "library/scanner.h"

#include <memory>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "base/path.h"
#include "base/scoped_win.h"
#include "library/scan_rules.h"
#include "library/tags.h"

namespace scanner {

namespace {

constexpr uint64_t kProgressEvery = 500;
constexpr size_t kMaxBatchEntries = 256;
constexpr ULONGLONG kBatchIntervalMs = 250;
// Room the walk's list takes before its first file: address space only until it is written,
// and a folder of some thousands of files then fills it without moving it.
constexpr size_t kWalkPoolUnits = size_t(1) << 20;
constexpr size_t kWalkTracks = size_t(1) << 14;

base::ScopedFind findFirst(const std::wstring& folder, WIN32_FIND_DATAW& data) {
  return base::ScopedFind(FindFirstFileExW(searchPattern(folder).c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
}

bool isDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// The title phase runs below normal priority and must give it back on every way out.
class LowPriority {
 public:
  LowPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL); }
  ~LowPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL); }
  LowPriority(const LowPriority&) = delete;
  LowPriority& operator=(const LowPriority&) = delete;
};

}  // namespace

WalkOutcome walkFolder(const std::wstring& folder, bool includeSubfolders, TrackList& list,
                       const std::function<bool()>& cancelled,
                       const std::function<void(uint64_t)>& progress, FolderRuns* runs) {
  // An empty folder text would list the root of the current drive.
  if (folder.empty()) return WalkOutcome::Failed;
  std::vector<std::wstring> folders{folder};
  const size_t sharedLength = paths::child(folder, L"").size();
  uint64_t count = 0;
  WIN32_FIND_DATAW data;
  while (!folders.empty()) {
    if (cancelled()) return WalkOutcome::Cancelled;
    const std::wstring current = std::move(folders.back());
    folders.pop_back();
    const base::ScopedFind find = findFirst(current, data);
    if (!find) {
      if (current == folder) return WalkOutcome::Failed;
      continue;
    }
    // Every entry's path is the folder, a separator and its name.
    const std::wstring prefix = paths::child(current, L"");
    do {
      if (isDotEntry(data.cFileName)) continue;
      const DWORD attributes = data.dwFileAttributes;
      if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
      const std::wstring_view name(data.cFileName);
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (!isAcceptedFileType(name)) continue;
        list.addTrack(prefix, name);
        if (++count % kProgressEvery == 0) {
          progress(count);
          if (cancelled()) return WalkOutcome::Cancelled;
        }
      } else if (includeSubfolders && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        folders.push_back(prefix + data.cFileName);
      }
    } while (FindNextFileW(find.get(), &data));
    // Sorted while the walk goes on, so that little of the sort is left for the end.
    if (runs) runs->folderDone(list, sharedLength);
  }
  return WalkOutcome::Done;
}

bool Scanner::start(HWND window, UINT progressMessage, UINT doneMessage, UINT titlesMessage) {
  if (thread_.running()) return true;
  window_ = window;
  progressMessage_ = progressMessage;
  doneMessage_ = doneMessage;
  titlesMessage_ = titlesMessage;
  stopping_.store(false);
  return thread_.start([this] { run(); });
}

uint32_t Scanner::submit(const std::wstring& folder, bool includeSubfolders, uint32_t tagCodepage) {
  uint32_t id;
  {
    std::lock_guard<std::mutex> hold(lock_);
    id = currentRequestId_.fetch_add(1) + 1;
    pending_.folder = folder;
    pending_.includeSubfolders = includeSubfolders;
    pending_.tagCodepage = tagCodepage;
    pending_.requestId = id;
    hasPending_ = true;
  }
  wake_.notify_one();
  return id;
}

void Scanner::stop() {
  if (!thread_.running()) return;
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_.store(true);
  }
  wake_.notify_one();
  thread_.join();
}

void Scanner::run() {
  for (;;) {
    ScanRequest request;
    {
      std::unique_lock<std::mutex> hold(lock_);
      wake_.wait(hold, [this] { return stopping_.load() || hasPending_; });
      if (stopping_.load()) return;
      request = std::move(pending_);
      hasPending_ = false;
    }
    bool delivered = false;
    try {
      scan(request, delivered);
    } catch (...) {
      // Out of memory on a huge tree. Whatever was built is freed by its owner; the window
      // still hears that this scan ended, so it does not wait for it forever.
      try {
        if (!delivered && !cancelled(request.requestId)) {
          auto result = std::make_unique<ScanResult>();
          result->requestId = request.requestId;
          result->folder = request.folder;
          result->includeSubfolders = request.includeSubfolders;
          result->failed = true;
          post(doneMessage_, result);
        }
      } catch (...) {
      }
    }
  }
}

template <typename Record>
bool Scanner::post(UINT message, std::unique_ptr<Record>& record) {
  if (postRecord(window_, message, record)) return true;
  record.reset();
  return false;
}

void Scanner::scan(const ScanRequest& request, bool& delivered) {
  const uint32_t id = request.requestId;
  auto result = std::make_unique<ScanResult>();
  result->requestId = id;
  result->folder = request.folder;
  result->includeSubfolders = request.includeSubfolders;

  FolderRuns runs;
  result->list.pool.reserve(kWalkPoolUnits);
  result->list.tracks.reserve(kWalkTracks);
  const WalkOutcome outcome = walkFolder(
      request.folder, request.includeSubfolders, result->list, [this, id] { return cancelled(id); },
      [this, id](uint64_t count) {
        PostMessageW(window_, progressMessage_, id, static_cast<LPARAM>(count));
      },
      &runs);
  if (outcome == WalkOutcome::Cancelled) return;
  result->failed = outcome == WalkOutcome::Failed;

  const TrackList& list = result->list;
  // Once posted the list is the window's, so the title phase keeps the pool the walk grew and
  // the list takes a copy without the spare capacity: the copy releasing it would make anyway.
  std::vector<wchar_t> paths;
  paths.swap(result->list.pool);
  result->list.pool.assign(paths.begin(), paths.end());
  if (list.size() >= 2) {
    sortScanned(result->list, runs);
  } else {
    result->list.releaseSpareCapacity();
  }
  if (result->failed || list.size() == 0) {
    if (!cancelled(id)) delivered = post(doneMessage_, result);
    return;
  }
  std::vector<uint32_t> offsets;
  offsets.reserve(list.size());
  for (const Track& track : list.tracks) offsets.push_back(track.pathOffset);
  if (cancelled(id)) return;
  delivered = post(doneMessage_, result);
  if (!delivered) return;
  readTitles(request, paths, offsets);
}

void Scanner::readTitles(const ScanRequest& request, const std::vector<wchar_t>& paths,
                         const std::vector<uint32_t>& offsets) {
  const uint32_t id = request.requestId;
  const LowPriority lowPriority;
  ULONGLONG lastFlush = GetTickCount64();
  std::unique_ptr<ScanTitleBatch> batch;
  auto flush = [&] {
    if (batch && !batch->entries.empty()) post(titlesMessage_, batch);
    batch.reset();
    lastFlush = GetTickCount64();
  };
  for (size_t i = 0; i < offsets.size(); ++i) {
    if (cancelled(id)) return;  // an unposted batch goes with it
    std::wstring title = displayTitle(readTags(&paths[offsets[i]], request.tagCodepage, false));
    if (!title.empty()) {
      if (!batch) {
        batch = std::make_unique<ScanTitleBatch>();
        batch->requestId = id;
      }
      batch->entries.push_back({static_cast<uint32_t>(i), std::move(title)});
    }
    if (batch && (batch->entries.size() >= kMaxBatchEntries ||
                  GetTickCount64() - lastFlush >= kBatchIntervalMs)) {
      flush();
    }
  }
  if (!cancelled(id)) flush();
}

}  // namespace scanner
