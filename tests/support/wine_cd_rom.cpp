#include "tests/support/wine_cd_rom.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>

#include "base/scoped_win.h"

namespace testsupport {

namespace {

// Wine's request to define a drive letter for a Unix device (mountmgr's own extension).
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

bool define(wchar_t letter, ULONG type) {
  base::ScopedHandle manager(CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
  if (!manager) return false;
  const char device[] = "/dev/tarnwick-test-no-such-cdrom";
  std::string request(sizeof(UnixDrive) + sizeof device, '\0');
  UnixDrive drive = {};
  drive.size = static_cast<ULONG>(request.size());
  drive.type = type;
  drive.letter = static_cast<WCHAR>(letter - L'A' + L'a');
  if (type != DRIVE_NO_ROOT_DIR) drive.deviceOffset = sizeof(UnixDrive);
  std::memcpy(&request[0], &drive, sizeof drive);
  std::memcpy(&request[sizeof drive], device, sizeof device);
  const DWORD kDefineUnixDrive =
      CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
  DWORD returned = 0;
  return DeviceIoControl(manager.get(), kDefineUnixDrive, request.data(),
                         static_cast<DWORD>(request.size()), nullptr, 0, &returned, nullptr);
}

}  // namespace

WineCdRom::WineCdRom() {
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return;
  const DWORD used = GetLogicalDrives();
  for (wchar_t l = L'Y'; l >= L'M' && !letter_; --l)
    if (!(used & (1u << (l - L'A'))) && define(l, DRIVE_CDROM)) letter_ = l;
}

WineCdRom::~WineCdRom() {
  if (letter_) define(letter_, DRIVE_NO_ROOT_DIR);
}

}  // namespace testsupport
