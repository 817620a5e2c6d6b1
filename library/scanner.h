// The folder scanner: one worker thread that turns a folder into a sorted track list and then
// reads display titles at low priority, posting both to the main window.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/thread.h"
#include "library/scan_result.h"

namespace scanner {

enum class WalkOutcome { Done, Failed, Cancelled };

// Collects the playable files of a folder (and of its subfolders when asked) into list,
// skipping hidden and system entries and never following reparse-point folders.
// cancelled is asked before each folder is listed; progress gets the count at every 500th
// accepted file, and cancelled is asked right after it. Failed means the folder itself could
// not be listed; an unlistable subfolder is skipped. With runs, each folder's files are
// handed to it as the folder is done (list starts empty).
WalkOutcome walkFolder(const std::wstring& folder, bool includeSubfolders, TrackList& list,
                       const std::function<bool()>& cancelled,
                       const std::function<void(uint64_t)>& progress, FolderRuns* runs = nullptr);

class Scanner {
 public:
  Scanner() = default;
  ~Scanner() { stop(); }
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // Once, from the window's deferred start-up; nothing when the thread already runs.
  // False when the thread could not be created.
  bool start(HWND window, UINT progressMessage, UINT doneMessage, UINT titlesMessage);

  // Replaces any pending request; returns the id the window should await.
  uint32_t submit(const std::wstring& folder, bool includeSubfolders, uint32_t tagCodepage);

  // Abandons the work in progress and joins the thread.
  void stop();

  bool running() const { return thread_.running(); }

 private:
  void run();
  void scan(const ScanRequest& request, bool& delivered);
  void readTitles(const ScanRequest& request, const std::vector<wchar_t>& paths,
                  const std::vector<uint32_t>& offsets);
  bool cancelled(uint32_t id) const { return stopping_.load() || currentRequestId_.load() != id; }
  template <typename Record>
  bool post(UINT message, std::unique_ptr<Record>& record);

  HWND window_ = nullptr;
  UINT progressMessage_ = 0;
  UINT doneMessage_ = 0;
  UINT titlesMessage_ = 0;
  std::mutex lock_;
  std::condition_variable wake_;
  ScanRequest pending_;
  bool hasPending_ = false;
  std::atomic<uint32_t> currentRequestId_{0};
  std::atomic<bool> stopping_{false};
  base::Thread thread_;  // last: joined before the rest goes
};

}  // namespace scanner
