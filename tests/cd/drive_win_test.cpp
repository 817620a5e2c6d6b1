// The real drive code under Wine, which has no CD drives of its own: the drive list, a CD-ROM
// letter with nothing behind it read by the reading thread and opened by the loader's branch,
// and the sector device and table-of-contents call over a handle that is no drive.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <memory>
#include <string>

#include "base/scoped_win.h"
#include "cd/drive_win.h"
#include "cd/track_path.h"
#include "tests/support/win_test_support.h"

namespace {

constexpr UINT kCdDone = WM_APP + 9;

// Wine's mount manager can define a drive letter of any type for a Unix device; winecfg does
// it this way. A CD-ROM on a device path that does not exist is a drive with no disc in it.
// Nothing happens on Windows, where the request is unknown.
class WineCdRom {
 public:
  WineCdRom() {
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return;
    const DWORD used = GetLogicalDrives();
    for (wchar_t l = L'Y'; l >= L'M' && !letter_; --l)
      if (!(used & (1u << (l - L'A'))) && define(l, DRIVE_CDROM)) letter_ = l;
  }
  ~WineCdRom() {
    if (letter_) define(letter_, DRIVE_NO_ROOT_DIR);
  }
  wchar_t letter() const { return letter_; }

 private:
  struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
  };

  static bool define(wchar_t letter, ULONG type) {
    base::ScopedHandle manager(
        CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!manager) return false;
    const char device[] = "/dev/tarnwick-test-no-such-cdrom";
    std::string request(sizeof(UnixDrive) + sizeof device, '\0');
    UnixDrive drive = {};
    drive.size = static_cast<ULONG>(request.size());
    drive.type = type;
    drive.letter = static_cast<WCHAR>(letter - L'A' + L'a');
    if (type != DRIVE_NO_ROOT_DIR) drive.deviceOffset = sizeof(UnixDrive);
    memcpy(&request[0], &drive, sizeof drive);
    memcpy(&request[sizeof drive], device, sizeof device);
    const DWORD defineUnixDrive =
        CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
    DWORD returned = 0;
    return DeviceIoControl(manager.get(), defineUnixDrive, request.data(),
                           static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
  }

  wchar_t letter_ = 0;
};

TEST(CdDrive, ACdRomLetterWithoutADiscGivesACleanAnswer) {
  WineCdRom configured;
  std::vector<wchar_t> drives = cd::listDrives();
  EXPECT_TRUE(std::is_sorted(drives.begin(), drives.end()));
  for (wchar_t l : drives) EXPECT_TRUE(l >= L'A' && l <= L'Z');
  if (configured.letter()) {
    EXPECT_NE(drives.end(), std::find(drives.begin(), drives.end(), configured.letter()));
  }
  if (drives.empty()) GTEST_SKIP() << "Wine reports no CD-ROM drive";
  const wchar_t letter = configured.letter() ? configured.letter() : drives.front();

  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, window);
  std::unique_ptr<cd::DiscResult> result;
  {
    cd::DiscReader reader;
    ASSERT_TRUE(cd::startDiscRead(reader, window, kCdDone, 7, letter, 0));
    EXPECT_TRUE(testsupport::pumpUntil(
        [&] {
          MSG msg;
          if (PeekMessageW(&msg, window, kCdDone, kCdDone, PM_REMOVE))
            result.reset(reinterpret_cast<cd::DiscResult*>(msg.lParam));
          return result != nullptr;
        },
        20000));
  }
  DestroyWindow(window);
  ASSERT_TRUE(result);
  EXPECT_EQ(7, result->id);
  EXPECT_EQ(letter, result->letter);
  std::wstring name = L"drive ?:";
  name[6] = letter;
  const std::wstring allowed[] = {L"Can't open " + name, L"No disc in " + name,
                                  L"Can't read the disc in " + name, L"No audio CD in " + name};
  if (configured.letter() || !result->error.empty()) {
    EXPECT_NE(std::end(allowed), std::find(std::begin(allowed), std::end(allowed), result->error))
        << std::string(result->error.begin(), result->error.end());
  }

  if (configured.letter()) {
    std::wstring path = cd::formatTrackPath(letter, 1);
    cd::OpenTrackError error = cd::OpenTrackError::None;
    EXPECT_FALSE(cd::openCdTrack(path, error));
    EXPECT_EQ(cd::OpenTrackError::NoDisc, error);
  }
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
