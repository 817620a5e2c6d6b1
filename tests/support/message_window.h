// A message-only window for the workers under test to post to: it keeps what arrives, in
// order, and owns every record until the test takes it. No GoogleTest here.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/messages.h"

namespace testsupport {

class MessageWindow {
 public:
  struct Posted {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;                     // for a message without a record
    std::unique_ptr<PostedRecord> record;  // for one with (carriesRecord)
  };

  MessageWindow();
  ~MessageWindow();  // frees what was kept and what is still queued
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND hwnd() const { return window_; }

  // Keeps what is queued for this window now and dispatches this thread's other messages.
  void collect();
  // Collects until done() holds; false once timeoutMs has passed.
  bool waitFor(const std::function<bool()>& done, DWORD timeoutMs);
  bool has(UINT message) const;
  // The record of the first kept message of this kind, taken out; null when there is none.
  template <typename Record>
  std::unique_ptr<Record> take(UINT message) {
    for (auto it = posted.begin(); it != posted.end(); ++it) {
      if (it->message != message || !it->record) continue;
      std::unique_ptr<Record> record(static_cast<Record*>(it->record.release()));
      posted.erase(it);
      return record;
    }
    return nullptr;
  }

  std::vector<Posted> posted;

 private:
  HWND window_ = nullptr;
};

}  // namespace testsupport
