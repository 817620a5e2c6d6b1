// The computer's CD drives through device I/O control: listing them, their table of contents
// and CD-Text, raw audio sectors, and the two ways the program reaches them (the reading
// thread and the track loader). Windows only.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "base/scoped_win.h"
#include "cd/device.h"
#include "cd/disc_reader.h"
#include "cd/drive.h"
#include "cd/open_track.h"

namespace cd {

// Upper-case letters of the CD-ROM drives, in order.
std::vector<wchar_t> listDrives();

// "\\.\D:" opened for reading, shared for reading and writing; invalid when it cannot be.
base::ScopedHandle openDriveHandle(wchar_t letter);

// IOCTL_CDROM_READ_TOC_EX for the format (kTocFormat or kCdTextFormat); a media change is
// tried once more. False with an empty buffer and the system error code.
bool readToc(HANDLE drive, uint8_t format, std::vector<uint8_t>& out, DWORD& error);

// Raw CD-DA sectors through IOCTL_CDROM_RAW_READ. Owns the drive handle.
class DriveDevice : public Device {
 public:
  explicit DriveDevice(base::ScopedHandle drive) noexcept : drive_(std::move(drive)) {}
  ReadResult readSectors(uint32_t first, uint32_t count, uint8_t* buffer) override;
  void cancel() override { cancelled_.store(true); }

 private:
  base::ScopedHandle drive_;
  std::atomic<bool> cancelled_{false};
};

// A DriveOpener for real drives. A blocked call is aborted with CancelSynchronousIo on the
// calling thread, so the cancel flag is not watched here.
std::unique_ptr<Drive> openDrive(wchar_t letter, const std::atomic<bool>& cancelled);

// Starts reading the drive's disc; the result is posted to the window as (message, 0, result).
// False when the thread cannot be started.
bool startDiscRead(DiscReader& reader, HWND window, UINT message, int32_t id, wchar_t letter,
                   uint32_t codepage);

// The track loader's CD branch.
std::unique_ptr<source::ByteSource> openCdTrack(std::wstring_view path, OpenTrackError& error);

// Puts another opener (the tests' disc image) in place of the real drives for the reading
// thread and the track loader; an empty one brings the drives back.
void setDriveOpener(DriveOpener open);

}  // namespace cd
