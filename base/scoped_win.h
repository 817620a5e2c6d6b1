// Scoped owners for the Win32 resources the program holds. Each owner releases its resource in
// its destructor; nothing outside this header's source file calls the release functions
// itself. Move-only, like std::unique_ptr.
#pragma once

#include <objbase.h>
#include <windows.h>
#include <winhttp.h>

#include <utility>

namespace base {

// The owner itself: a value, how to tell it is empty, and how to release it.
template <typename Traits>
class Scoped {
 public:
  using Value = typename Traits::Value;

  Scoped() noexcept = default;
  explicit Scoped(Value value) noexcept : value_(value) {}
  ~Scoped() { reset(); }
  Scoped(Scoped&& other) noexcept : value_(other.release()) {}
  Scoped& operator=(Scoped&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;

  Value get() const noexcept { return value_; }
  bool valid() const noexcept { return Traits::valid(value_); }
  explicit operator bool() const noexcept { return valid(); }

  // Gives up ownership without releasing.
  Value release() noexcept { return std::exchange(value_, Traits::empty()); }
  void reset(Value value = Traits::empty()) noexcept {
    Value old = std::exchange(value_, value);
    if (Traits::valid(old)) Traits::close(old);
  }
  // For functions that return a resource through a pointer: releases what is held first.
  Value* put() noexcept {
    reset();
    return &value_;
  }

 private:
  Value value_ = Traits::empty();
};

struct KernelHandleTraits {
  using Value = HANDLE;
  static HANDLE empty() noexcept { return nullptr; }
  // Files and snapshots fail with INVALID_HANDLE_VALUE, events and threads with null; no owner
  // here ever holds the pseudo-handle of the current process, so both mean "nothing".
  static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept;
};
using ScopedHandle = Scoped<KernelHandleTraits>;

struct FindHandleTraits {
  using Value = HANDLE;
  static HANDLE empty() noexcept { return INVALID_HANDLE_VALUE; }
  static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept;
};
using ScopedFind = Scoped<FindHandleTraits>;

struct InternetHandleTraits {
  using Value = HINTERNET;
  static HINTERNET empty() noexcept { return nullptr; }
  static bool valid(HINTERNET h) noexcept { return h != nullptr; }
  static void close(HINTERNET h) noexcept;
};
using ScopedInternet = Scoped<InternetHandleTraits>;

struct ModuleTraits {
  using Value = HMODULE;
  static HMODULE empty() noexcept { return nullptr; }
  static bool valid(HMODULE h) noexcept { return h != nullptr; }
  static void close(HMODULE h) noexcept;
};
using ScopedModule = Scoped<ModuleTraits>;

// A Winsock SOCKET (a UINT_PTR; all ones is INVALID_SOCKET). The header stays free of
// <winsock2.h>, which must come before <windows.h> where it is used.
struct SocketTraits {
  using Value = UINT_PTR;
  static UINT_PTR empty() noexcept { return ~UINT_PTR(0); }
  static bool valid(UINT_PTR s) noexcept { return s != empty(); }
  static void close(UINT_PTR s) noexcept;
};
using ScopedSocket = Scoped<SocketTraits>;

struct MenuTraits {
  using Value = HMENU;
  static HMENU empty() noexcept { return nullptr; }
  static bool valid(HMENU h) noexcept { return h != nullptr; }
  static void close(HMENU h) noexcept;
};
using ScopedMenu = Scoped<MenuTraits>;

// Fonts, brushes, pens and bitmaps: anything DeleteObject frees.
void releaseGdiObject(HGDIOBJ object) noexcept;
template <typename Object>
struct GdiObjectTraits {
  using Value = Object;
  static Object empty() noexcept { return nullptr; }
  static bool valid(Object h) noexcept { return h != nullptr; }
  static void close(Object h) noexcept { releaseGdiObject(h); }
};
using ScopedFont = Scoped<GdiObjectTraits<HFONT>>;
using ScopedBrush = Scoped<GdiObjectTraits<HBRUSH>>;
using ScopedPen = Scoped<GdiObjectTraits<HPEN>>;
using ScopedBitmap = Scoped<GdiObjectTraits<HBITMAP>>;
using ScopedRegion = Scoped<GdiObjectTraits<HRGN>>;

// Memory the shell and COM hand out with CoTaskMemAlloc (a dialog's path, say).
void releaseCoTaskMem(void* p) noexcept;
template <typename T>
struct CoTaskMemTraits {
  using Value = T*;
  static T* empty() noexcept { return nullptr; }
  static bool valid(T* p) noexcept { return p != nullptr; }
  static void close(T* p) noexcept { releaseCoTaskMem(p); }
};
template <typename T>
using ScopedCoMem = Scoped<CoTaskMemTraits<T>>;

// A window's device context from GetDC, released on scope exit.
class WindowDC {
 public:
  explicit WindowDC(HWND window) noexcept;
  ~WindowDC();
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a device context and selects the previous one back on scope exit.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectObjectScope() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// COM on this thread for the scope's lifetime; uninitialised only when initialising succeeded
// (S_FALSE included: the count still went up).
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) noexcept;
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT result() const noexcept { return result_; }
  bool ok() const noexcept { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};

}  // namespace base
