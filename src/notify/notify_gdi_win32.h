#pragma once
// Owners of the handles the pop-up windows use, after the character's pattern:
// each releases its handle once and cannot be copied.
#include <windows.h>

#include "character/gdi_handles_win32.h"

namespace pell {

using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteGdiObject>;

struct FreeGlobal {
    void operator()(HGLOBAL block) const { GlobalFree(block); }
};
using UniqueGlobal = UniqueHandle<HGLOBAL, FreeGlobal>;

// A window's client-area device context for one scope.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// An off-screen picture of a given size to draw into and copy to a window.
class OffscreenCanvas {
  public:
    OffscreenCanvas(HDC compatible, int width, int height)
        : dc_(CreateCompatibleDC(compatible)),
          bitmap_(
              CreateCompatibleBitmap(compatible, width > 0 ? width : 1, height > 0 ? height : 1)),
          selected_(dc_.get(), bitmap_.get()),
          width_(width),
          height_(height) {}
    HDC dc() const { return dc_.get(); }
    bool ok() const { return dc_ && bitmap_; }
    void Fill(COLORREF colour) const {
        UniqueBrush brush(CreateSolidBrush(colour));
        RECT all{0, 0, width_, height_};
        FillRect(dc_.get(), &all, brush.get());
    }
    void CopyTo(HDC target) const {
        BitBlt(target, 0, 0, width_, height_, dc_.get(), 0, 0, SRCCOPY);
    }

  private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    SelectedObject selected_;
    int width_;
    int height_;
};

}  // namespace pell
