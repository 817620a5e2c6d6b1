// A memory bitmap that drawing code paints into and tests read back pixel by pixel. No
// GoogleTest here.
#pragma once

#include <windows.h>

#include <algorithm>
#include <climits>
#include <set>
#include <utility>

#include "base/scoped_win.h"

namespace testsupport {

// The colour nothing draws in: what is left of it was not painted.
constexpr COLORREF kUnpainted = RGB(255, 0, 255);

// A 32-bit bitmap selected into a memory DC, first filled with kUnpainted.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    old_ = SelectObject(dc_, bitmap_.get());
    const RECT all = {0, 0, width, height};
    const base::ScopedBrush brush(CreateSolidBrush(kUnpainted));
    FillRect(dc_, &all, brush.get());
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    bitmap_.reset();
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
  // How many pixels of r have exactly this colour; the leftmost and rightmost column of them.
  int count(COLORREF colour, RECT r, int* minX = nullptr, int* maxX = nullptr) const {
    int n = 0, lo = INT_MAX, hi = INT_MIN;
    for (const auto& [x, y] : where(colour, r)) {
      ++n;
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
    if (minX) *minX = lo;
    if (maxX) *maxX = hi;
    return n;
  }
  // The pixels of r that have exactly this colour, as (x, y).
  std::set<std::pair<int, int>> where(COLORREF colour, RECT r) const {
    std::set<std::pair<int, int>> found;
    for (int y = std::max(0L, r.top); y < std::min<LONG>(height_, r.bottom); ++y) {
      for (int x = std::max(0L, r.left); x < std::min<LONG>(width_, r.right); ++x) {
        if (at(x, y) == colour) found.insert({x, y});
      }
    }
    return found;
  }
  RECT all() const { return {0, 0, width_, height_}; }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  base::ScopedBitmap bitmap_;
  HGDIOBJ old_ = nullptr;
};

}  // namespace testsupport
