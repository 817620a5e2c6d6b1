// The real program killed while it plays a book: started again, it takes its place from the
// listening log rather than from the older settings. Each run gets a private LOCALAPPDATA.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/settings_file.h"
#include "base/text.h"
#include "player/log_codec.h"
#include "tests/support/child_process.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"
#include "ui/control_ids.h"
#include "ui/main_window.h"

namespace {

using childproc::Child;

constexpr DWORD kStartMs = 60000;
constexpr DWORD kAtLineMs = 120000;  // the first "at" line comes 30 s after playing starts
constexpr DWORD kRestoreMs = 30000;
constexpr uint32_t kRate = 1000;  // 20 silent minutes stay small

std::wstring programPath() {
  const char* exe = std::getenv("TWK_EXE");
  return exe ? childproc::windowsPath(exe) : std::wstring();
}

std::wstring textOf(HWND control) {
  wchar_t buffer[512] = {};
  DWORD_PTR copied = 0;
  if (!control || !SendMessageTimeoutW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer),
                                       SMTO_ABORTIFHUNG, 5000, &copied)) {
    return {};
  }
  return buffer;
}

// The main window of the child once its controls are made (just after its first frame; the
// list comes last).
HWND waitForWindow(const Child& child) {
  HWND window = nullptr;
  testsupport::pumpUntil(
      [&] {
        window = childproc::windowOfProcess(kMainWindowClass, child.processId());
        return (window != nullptr && GetDlgItem(window, kIdList) != nullptr) || !child.running();
      },
      kStartMs);
  return window;
}

TEST(CrashRestore, TheListeningLogPlaceWinsAfterTheProgramWasKilled) {
  const std::wstring program = programPath();
  ASSERT_FALSE(program.empty()) << "TWK_EXE is not set";
  testsupport::TempFolder data(L"twk_crash_data_");
  testsupport::TempFolder book(L"twk_crash_book_");
  const std::wstring track = book.path(L"Chapter 1.wav");
  const uint32_t frames = 20 * 60 * kRate;
  const std::vector<uint8_t> header = testwav::header(kRate, 1, frames * 2);
  std::string wav(header.begin(), header.end());
  wav.append(static_cast<size_t>(frames) * 2, '\0');
  ASSERT_TRUE(testsupport::writeFile(track, wav));

  const std::wstring folder = data.path(L"Tarnwick");
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  Settings settings;
  settings.audiobook = true;
  settings.bookPath = book.root();
  settings.bookTrack = track;
  settings.bookPositionMs = 5000;
  ASSERT_TRUE(saveSettings(folder + L"\\settings.ini", settings));
  const std::wstring logPath = folder + L"\\listening.log";
  const std::wstring environment = childproc::environmentWith({{L"LOCALAPPDATA", data.root()}});

  // The first run restores the book paused, plays it, and is killed once the log holds a
  // periodic place.
  LogSummary logged;
  std::wstring pausedGlyph;
  {
    Child first;
    ASSERT_TRUE(first.start(program, {}, environment, false));
    const HWND window = waitForWindow(first);
    ASSERT_NE(window, nullptr) << "no main window";
    const HWND time = GetDlgItem(window, kIdTime);
    const HWND button = GetDlgItem(window, kIdPlayPause);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return textOf(time) == L"0:05 / 20:00"; }, kStartMs))
        << "time: " << text::wideToUtf8(textOf(time));
    pausedGlyph = textOf(button);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(kIdPlayPause, 0), 0);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return textOf(button) != pausedGlyph; }, kStartMs));
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] { return testsupport::readFile(logPath).find(" at ") != std::string::npos; },
        kAtLineMs))
        << "log: " << testsupport::readFile(logPath);
    first.terminate();
    ASSERT_TRUE(first.wait(kStartMs));
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !IsWindow(window); }, kStartMs));
    const std::string content = testsupport::readFile(logPath);
    logged = logcodec::summarise(content);
    EXPECT_EQ(content.find(" exit"), std::string::npos) << content;
  }
  ASSERT_TRUE(logged.hasLastPosition);
  ASSERT_FALSE(logged.endedCleanly);
  EXPECT_EQ(logged.lastPath, track);
  ASSERT_GT(logged.lastPositionMs, settings.bookPositionMs + 2000);
  EXPECT_EQ(loadSettings(folder + L"\\settings.ini").bookPositionMs, 5000u);

  // The second run says where it restored to and waits there, paused.
  Child second;
  ASSERT_TRUE(second.start(program, {}, environment, false));
  const HWND window = waitForWindow(second);
  ASSERT_NE(window, nullptr) << "no main window";
  const HWND title = GetDlgItem(window, kIdTitle);
  const HWND time = GetDlgItem(window, kIdTime);
  const std::wstring place = text::formatTime(logged.lastPositionMs);
  const std::wstring restored = L"Restored to " + place + L" from the listening log";
  EXPECT_TRUE(testsupport::pumpUntil([&] { return textOf(title) == restored; }, kRestoreMs))
      << "title: " << text::wideToUtf8(textOf(title))
      << " caption: " << text::wideToUtf8(textOf(window))
      << " title control: " << (title != nullptr);
  EXPECT_TRUE(
      testsupport::pumpUntil([&] { return textOf(time) == place + L" / 20:00"; }, kRestoreMs))
      << "time: " << text::wideToUtf8(textOf(time));
  // The track waits there, paused.
  EXPECT_EQ(textOf(GetDlgItem(window, kIdPlayPause)), pausedGlyph);
  EXPECT_EQ(textOf(time), place + L" / 20:00");

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(second.wait(kStartMs)) << "the second run did not close";
  EXPECT_EQ(second.exitCode, 0u);
  const std::string content = testsupport::readFile(logPath);
  EXPECT_TRUE(logcodec::summarise(content).endedCleanly) << content;
}

}  // namespace
