// A CD-ROM drive letter with no disc behind it, for the tests under Wine, which has no CD
// drives of its own: defined through Wine's mount manager (as winecfg does) on a device path
// that does not exist, and removed again by the destructor. On Windows nothing is defined.
#pragma once

namespace testsupport {

class WineCdRom {
 public:
  WineCdRom();
  ~WineCdRom();
  WineCdRom(const WineCdRom&) = delete;
  WineCdRom& operator=(const WineCdRom&) = delete;

  // The upper-case letter, or 0 when none could be defined.
  wchar_t letter() const { return letter_; }

 private:
  wchar_t letter_ = 0;
};

}  // namespace testsupport
