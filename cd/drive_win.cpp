#include "cd/drive_win.h"

#include <winioctl.h>
// After winioctl.h, which it builds on.
#include <ntddcdrm.h>

#include <algorithm>
#include <mutex>
#include <new>

#include "base/messages.h"
#include "cd/system_errors.h"

static_assert(IOCTL_CDROM_READ_TOC_EX == 0x24054);
static_assert(IOCTL_CDROM_RAW_READ == 0x2403E);
static_assert(sizeof(RAW_READ_INFO) == 16 && CDDA == 2);
static_assert(cd::syserr::kInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(cd::syserr::kNotReady == ERROR_NOT_READY);
static_assert(cd::syserr::kDevNotExist == ERROR_DEV_NOT_EXIST);
// ERROR_NO_SUCH_DEVICE (433) is missing from the MinGW-w64 headers.
static_assert(cd::syserr::kOperationAborted == ERROR_OPERATION_ABORTED);
static_assert(cd::syserr::kFileInvalid == ERROR_FILE_INVALID);
static_assert(cd::syserr::kMediaChanged == ERROR_MEDIA_CHANGED);
static_assert(cd::syserr::kNoMediaInDrive == ERROR_NO_MEDIA_IN_DRIVE);
static_assert(cd::syserr::kDeviceNotConnected == ERROR_DEVICE_NOT_CONNECTED);
static_assert(cd::syserr::kDeviceRemoved == ERROR_DEVICE_REMOVED);

namespace cd {

namespace {

constexpr DWORD kTocBytes = 804;             // header and 100 entries
constexpr DWORD kCdTextBytes = 65532;        // the largest answer the length field can state
constexpr DWORD kLogicalSectorBytes = 2048;  // raw reads address the disc in these units
constexpr int kTocAttempts = 2;

class DriveHandle : public Drive {
 public:
  explicit DriveHandle(base::ScopedHandle handle) : handle_(std::move(handle)) {}

  bool readToc(uint8_t format, std::vector<uint8_t>& out, uint32_t& error) override {
    DWORD code = 0;
    const bool ok = cd::readToc(handle_.get(), format, out, code);
    error = code;
    return ok;
  }

  std::unique_ptr<Device> takeDevice() override {
    return std::unique_ptr<Device>(new (std::nothrow) DriveDevice(std::move(handle_)));
  }

 private:
  base::ScopedHandle handle_;
};

}  // namespace

std::vector<wchar_t> listDrives() {
  std::vector<wchar_t> letters;
  const DWORD mask = GetLogicalDrives();
  wchar_t root[] = L"?:\\";
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    root[0] = static_cast<wchar_t>(L'A' + i);
    if (GetDriveTypeW(root) == DRIVE_CDROM) letters.push_back(root[0]);
  }
  return letters;
}

base::ScopedHandle openDriveHandle(wchar_t letter) {
  wchar_t path[] = L"\\\\.\\?:";
  path[4] = letter;
  return base::ScopedHandle(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
}

bool readToc(HANDLE drive, uint8_t format, std::vector<uint8_t>& out, DWORD& error) {
  out.clear();
  error = 0;
  // Format in the low four bits, the address form bit (MSF) clear for block numbers; the
  // table of contents starts at session 1.
  BYTE request[4] = {static_cast<BYTE>(format & 0x0F),
                     static_cast<BYTE>(format == kTocFormat ? 1 : 0), 0, 0};
  std::vector<uint8_t> buffer;
  try {
    buffer.resize(format == kTocFormat ? kTocBytes : kCdTextBytes);
  } catch (const std::bad_alloc&) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    return false;
  }
  for (int attempt = 0; attempt < kTocAttempts; ++attempt) {
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    DWORD returned = 0;
    if (DeviceIoControl(drive, IOCTL_CDROM_READ_TOC_EX, request, sizeof request, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
      buffer.resize(std::min<size_t>(returned, buffer.size()));
      out.swap(buffer);
      return true;
    }
    error = GetLastError();
    if (error != ERROR_MEDIA_CHANGED) break;
  }
  return false;
}

ReadResult DriveDevice::readSectors(uint32_t first, uint32_t count, uint8_t* buffer) {
  if (cancelled_.load()) return ReadResult::Gone;
  RAW_READ_INFO info = {};
  info.DiskOffset.QuadPart = static_cast<LONGLONG>(first) * kLogicalSectorBytes;
  info.SectorCount = count;
  info.TrackMode = CDDA;
  const DWORD wanted = count * kSectorBytes;
  DWORD returned = 0;
  if (!DeviceIoControl(drive_.get(), IOCTL_CDROM_RAW_READ, &info, sizeof info, buffer, wanted,
                       &returned, nullptr))
    return readResultForError(GetLastError());
  return returned == wanted ? ReadResult::Ok : ReadResult::Retry;
}

std::unique_ptr<Drive> openDrive(wchar_t letter, const std::atomic<bool>&) {
  base::ScopedHandle handle = openDriveHandle(letter);
  if (!handle) return nullptr;
  return std::unique_ptr<Drive>(new (std::nothrow) DriveHandle(std::move(handle)));
}

namespace {

std::mutex openerMutex;
DriveOpener replacedOpener;

DriveOpener currentOpener() {
  std::lock_guard<std::mutex> lock(openerMutex);
  return replacedOpener ? replacedOpener : DriveOpener(openDrive);
}

}  // namespace

bool startDiscRead(DiscReader& reader, HWND window, UINT message, int32_t id, wchar_t letter,
                   uint32_t codepage) {
  return reader.start(id, letter, codepage, currentOpener(), [window, message](DiscResult* result) {
    std::unique_ptr<DiscResult> record(result);
    if (postRecord(window, message, record)) return true;
    record.release();  // still the reader's
    return false;
  });
}

std::unique_ptr<source::ByteSource> openCdTrack(std::wstring_view path, OpenTrackError& error) {
  return openTrackSource(path, currentOpener(), error);
}

void setDriveOpener(DriveOpener open) {
  std::lock_guard<std::mutex> lock(openerMutex);
  replacedOpener = std::move(open);
}

}  // namespace cd
