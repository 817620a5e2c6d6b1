// The one place that releases what the scoped owners hold.
#include "base/scoped_win.h"

namespace base {

void KernelHandleTraits::close(HANDLE h) noexcept { CloseHandle(h); }
void FindHandleTraits::close(HANDLE h) noexcept { FindClose(h); }
void InternetHandleTraits::close(HINTERNET h) noexcept { WinHttpCloseHandle(h); }
void ModuleTraits::close(HMODULE h) noexcept { FreeLibrary(h); }
void MenuTraits::close(HMENU h) noexcept { DestroyMenu(h); }
void releaseGdiObject(HGDIOBJ object) noexcept { DeleteObject(object); }
void releaseCoTaskMem(void* p) noexcept { CoTaskMemFree(p); }

WindowDC::WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
WindowDC::~WindowDC() {
  if (dc_) ReleaseDC(window_, dc_);
}

ComApartment::ComApartment(DWORD model) noexcept : result_(CoInitializeEx(nullptr, model)) {}
ComApartment::~ComApartment() {
  if (SUCCEEDED(result_)) CoUninitialize();
}

}  // namespace base
