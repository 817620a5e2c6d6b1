// The real program started as a process: the measuring mode, the hand-off from a second
// start and the checks on WM_COPYDATA. Each program gets a private LOCALAPPDATA.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/startup.h"
#include "base/handoff.h"
#include "base/text.h"
#include "tests/support/child_process.h"
#include "tests/support/wav_writer.h"
#include "tests/support/win_test_support.h"
#include "ui/main_window.h"

namespace {

using childproc::Child;

constexpr DWORD kWaitMs = 60000;

std::wstring programPath() {
  const char* exe = std::getenv("TWK_EXE");
  return exe ? childproc::windowsPath(exe) : std::wstring();
}

std::wstring captionOf(HWND window) {
  wchar_t caption[512] = {};
  GetWindowTextW(window, caption, 512);
  return caption;
}

// A folder for the program's data and one for music, and a running first player.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = programPath();
    ASSERT_FALSE(program_.empty()) << "TWK_EXE is not set";
    environment_ = childproc::environmentWith({{L"LOCALAPPDATA", data_.root()}});
  }

  // Starts the first player and waits for its main window.
  void startFirst() {
    first_ = std::make_unique<Child>();
    ASSERT_TRUE(first_->start(program_, {}, environment_, false));
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] {
          window_ = childproc::windowOfProcess(kMainWindowClass, first_->processId());
          return window_ != nullptr || !first_->running();
        },
        kWaitMs))
        << "no main window";
    ASSERT_NE(window_, nullptr) << "the first player ended early";
    // The window exists before the player behind it is built; a hand-off sent to a thread that
    // has not reached its message loop yet may be dropped as hung on a loaded machine.
    ASSERT_TRUE(testsupport::pumpUntil(
        [&] {
          DWORD_PTR ignored = 0;
          return SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored) !=
                     0 &&
                 IsWindowVisible(window_);
        },
        kWaitMs))
        << "the first player never answered";
  }

  void TearDown() override {
    if (first_ && first_->running()) {
      PostMessageW(window_, WM_CLOSE, 0, 0);
      EXPECT_TRUE(first_->wait(kWaitMs)) << "the first player did not close";
      EXPECT_EQ(first_->exitCode, 0u);
    }
    first_.reset();
  }

  LRESULT sendCopyData(uint64_t identifier, const void* data, DWORD bytes) {
    COPYDATASTRUCT copy = {};
    copy.dwData = static_cast<ULONG_PTR>(identifier);
    copy.cbData = bytes;
    copy.lpData = const_cast<void*>(data);
    DWORD_PTR result = 0xDEAD;
    EXPECT_TRUE(SendMessageTimeoutW(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy),
                                    SMTO_ABORTIFHUNG, kWaitMs, &result));
    return static_cast<LRESULT>(result);
  }

  testsupport::TempFolder data_{L"twk_program_data_"};
  testsupport::TempFolder music_;
  std::wstring program_;
  std::wstring environment_;
  std::unique_ptr<Child> first_;
  HWND window_ = nullptr;
};

TEST_F(ProgramTest, MeasuringPrintsOneLineAndExitsEvenWhileAPlayerRuns) {
  for (int round = 0; round < 2; ++round) {
    if (round == 1) startFirst();  // the second round with a player running
    if (HasFatalFailure()) return;
    Child measured;
    ASSERT_TRUE(measured.start(program_, {L"--MEASURE-startup"}, environment_, true));
    ASSERT_TRUE(measured.wait(kWaitMs)) << "the measuring run did not end";
    EXPECT_EQ(measured.exitCode, 0u);
    EXPECT_TRUE(
        std::regex_match(measured.output, std::regex("first_paint_ms=[0-9]+\\.[0-9]{2}\r\n")))
        << "output: " << measured.output;
  }
  EXPECT_TRUE(first_->running());
  EXPECT_EQ(childproc::windowOfProcess(kMainWindowClass, first_->processId()), window_);
}

TEST_F(ProgramTest, SecondStartHandsItsFileToTheRunningPlayer) {
  music_.write(L"1 other.wav", testwav::tone(2.0, 8000, "Other"));
  const std::wstring wanted =
      music_.write(L"2 wanted.wav", testwav::tone(6.0, 8000, "Handed Over"));
  startFirst();
  if (HasFatalFailure()) return;
  EXPECT_EQ(captionOf(window_), L"Tarnwick");

  Child second;
  ASSERT_TRUE(second.start(program_, {wanted}, environment_, false));
  ASSERT_TRUE(second.wait(kWaitMs)) << "the second start did not end";
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_TRUE(testsupport::pumpUntil(
      [&] { return captionOf(window_) == L"Handed Over - Tarnwick"; }, kWaitMs))
      << "caption: " << text::wideToUtf8(captionOf(window_));
  // Still the one player: the second start made no window of its own.
  EXPECT_EQ(FindWindowW(kMainWindowClass, nullptr), window_);
}

TEST_F(ProgramTest, MalformedHandOffsAreRefusedAndAnEmptyOneOnlyRaises) {
  startFirst();
  if (HasFatalFailure()) return;
  const std::wstring path = music_.path(L"x.wav");
  const std::wstring payload = path + L'\0';
  const DWORD bytes = static_cast<DWORD>(payload.size() * sizeof(wchar_t));

  EXPECT_EQ(sendCopyData(handoff::kIdentifier, payload.data(), bytes - 1), 0);
  std::vector<char> tooBig(1048578, 'a');
  EXPECT_EQ(sendCopyData(handoff::kIdentifier, tooBig.data(), 1048578), 0);
  EXPECT_EQ(sendCopyData(0x314B5754, payload.data(), bytes), 0);  // "TWK1" the wrong way round

  ShowWindow(window_, SW_MINIMIZE);
  ASSERT_TRUE(testsupport::pumpUntil([&] { return IsIconic(window_) != FALSE; }, kWaitMs))
      << "the window did not minimise";
  EXPECT_EQ(sendCopyData(handoff::kIdentifier, nullptr, 0), 1);
  EXPECT_TRUE(testsupport::pumpUntil([&] { return IsIconic(window_) == FALSE; }, kWaitMs))
      << "the window stayed minimised";
  EXPECT_EQ(captionOf(window_), L"Tarnwick");
}

// The command line as a shortcut or a shell passes it, split and made absolute by the system.
TEST(ProgramCommandLine, QuotedFoldersAndDriveRootsWithOrWithoutTheirBackslash) {
  testsupport::TempFolder folder(L"twk music ");  // a space: the path needs its quotes
  const std::wstring f = folder.root();
  const std::wstring drive = f.substr(0, 3);  // "X:\"
  ASSERT_EQ(drive[1], L':');
  const struct {
    std::wstring commandLine, expected;
  } cases[] = {
      {L"\"" + f + L"\\\"", f},
      {L"\"" + f + L"\"", f},
      {L"\"" + f + L"\\\\\"", f + L"\\"},
      {L"\"" + drive + L"\"", drive},
      {drive, drive},
      {L"\"" + drive.substr(0, 2) + L"\\\\\"", drive},
  };
  for (const auto& c : cases) {
    const std::string at = text::wideToUtf8(c.commandLine);
    const StartOptions options = parseCommandLine(
        splitCommandLine((L"Tarnwick.exe " + c.commandLine).c_str()), fullPathName);
    ASSERT_EQ(options.paths.size(), 1u) << at;
    EXPECT_TRUE(text::equalsOrdinalIgnoreCase(options.paths[0], c.expected))
        << at << " -> " << text::wideToUtf8(options.paths[0]);
    const DWORD attributes = GetFileAttributesW(options.paths[0].c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << at;
  }
}

}  // namespace
