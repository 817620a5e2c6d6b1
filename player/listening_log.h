// The listening log file, listening.log next to settings.ini: opened (and repaired) when
// audiobook mode starts, appended to as listening goes on, kept between 512 KiB and 1 MiB.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/scoped_win.h"
#include "player/log_codec.h"

class ListeningLog {
 public:
  ListeningLog() = default;
  ~ListeningLog();
  ListeningLog(const ListeningLog&) = delete;
  ListeningLog& operator=(const ListeningLog&) = delete;

  // Opens the log at path (creating its folder), repairs it and summarises it.
  LogSummary open(const std::wstring& path);
  // Writes one event line; does nothing while the log is closed.
  void append(int code, const std::wstring& path, uint64_t positionMs);
  void close();
  bool isOpen() const { return file_.valid(); }
  int64_t size() const { return size_; }
  const std::wstring& path() const { return path_; }

  // The listening.log beside a settings file.
  static std::wstring pathBeside(const std::wstring& settingsPath);

 private:
  void openForAppending();

  std::wstring path_;
  base::ScopedHandle file_;
  int64_t size_ = 0;
};
