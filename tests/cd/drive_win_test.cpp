// The real drive code under Wine: the drive list, a CD-ROM letter with no disc read by the
// reading thread and opened by the loader's branch, and the device calls on a handle that is
// no drive.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/messages.h"
#include "cd/drive_win.h"
#include "cd/track_path.h"
#include "tests/support/win_test_support.h"
#include "tests/support/wine_cd_rom.h"

namespace {

constexpr UINT kCdDone = WM_APP + 9;

TEST(CdDrive, ACdRomLetterWithoutADiscGivesACleanAnswer) {
  testsupport::WineCdRom configured;
  const std::vector<wchar_t> drives = cd::listDrives();
  EXPECT_TRUE(std::is_sorted(drives.begin(), drives.end()));
  if (drives.empty()) GTEST_SKIP() << "Wine reports no CD-ROM drive";
  const wchar_t letter = configured.letter() ? configured.letter() : drives.front();
  EXPECT_NE(drives.end(), std::find(drives.begin(), drives.end(), letter));

  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  std::unique_ptr<cd::DiscResult> result;
  cd::DiscReader reader;
  ASSERT_TRUE(cd::startDiscRead(reader, window, kCdDone, 7, letter, 0));
  testsupport::pumpUntil(
      [&] {
        MSG msg;
        if (PeekMessageW(&msg, window, kCdDone, kCdDone, PM_REMOVE))
          result = takeRecord<cd::DiscResult>(msg.lParam);
        return result != nullptr;
      },
      20000);
  reader.cancel();
  DestroyWindow(window);
  ASSERT_TRUE(result);
  EXPECT_EQ(7, result->id);
  EXPECT_EQ(letter, result->letter);
  if (!configured.letter()) return;  // a drive of the machine's own may hold a disc

  const std::wstring texts[] = {L"Can't open drive ", L"No disc in drive ",
                                L"Can't read the disc in drive "};
  EXPECT_TRUE(std::any_of(std::begin(texts), std::end(texts), [&](const std::wstring& t) {
    return result->error == t + letter + L":";
  })) << std::string(result->error.begin(), result->error.end());
  cd::OpenTrackError error = cd::OpenTrackError::None;
  EXPECT_FALSE(cd::openCdTrack(cd::formatTrackPath(letter, 1), error));
  EXPECT_EQ(cd::OpenTrackError::NoDisc, error);
}

TEST(CdDrive, DeviceCallsOnAHandleThatIsNoDriveFailCleanly) {
  testsupport::TempFolder folder;
  const std::wstring path = folder.path(L"not-a-drive.bin");
  ASSERT_TRUE(testsupport::writeFile(path, std::string(10 * 2352, 'x')));
  base::ScopedHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file);
  std::vector<uint8_t> toc = {1, 2, 3};
  DWORD error = 0;
  EXPECT_FALSE(cd::readToc(file.get(), cd::kTocFormat, toc, error));
  EXPECT_TRUE(toc.empty());
  EXPECT_NE(0u, error);

  cd::DriveDevice device(std::move(file));
  std::vector<uint8_t> sectors(2 * cd::kSectorBytes);
  EXPECT_NE(cd::ReadResult::Ok, device.readSectors(0, 2, sectors.data()));
  device.cancel();
  EXPECT_EQ(cd::ReadResult::Gone, device.readSectors(0, 2, sectors.data()));
}

}  // namespace
