#pragma once
// Sole ownership of one system graphics handle: freed exactly once, when its
// owner goes away or takes another, never copied.
#include <windows.h>

#include <utility>

template <typename H, auto Free>
class TUniqueHandle {
public:
    TUniqueHandle() = default;
    explicit TUniqueHandle(H handle) : handle_(handle) {}
    ~TUniqueHandle() { Reset(); }
    TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(other.Release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;

    H Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle up without freeing it.
    H Release() { return std::exchange(handle_, nullptr); }
    void Reset(H handle = nullptr)
    {
        H old = std::exchange(handle_, handle);
        if (old && old != handle) Free(old);
    }

private:
    H handle_ = nullptr;
};

namespace gdi_detail {
inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DeleteMemoryDC(HDC dc) { DeleteDC(dc); }
inline void DestroyIconHandle(HICON icon) { DestroyIcon(icon); }
}

using TFontHandle = TUniqueHandle<HFONT, gdi_detail::DeleteGdiObject>;
using TPenHandle = TUniqueHandle<HPEN, gdi_detail::DeleteGdiObject>;
using TBrushHandle = TUniqueHandle<HBRUSH, gdi_detail::DeleteGdiObject>;
using TBitmapHandle = TUniqueHandle<HBITMAP, gdi_detail::DeleteGdiObject>;
using TRegionHandle = TUniqueHandle<HRGN, gdi_detail::DeleteGdiObject>;
using TPaletteHandle = TUniqueHandle<HPALETTE, gdi_detail::DeleteGdiObject>;
using TMemoryDCHandle = TUniqueHandle<HDC, gdi_detail::DeleteMemoryDC>;
using TIconHandle = TUniqueHandle<HICON, gdi_detail::DestroyIconHandle>;

// Restores a DC's transformation, clipping and selections when it goes.
class TSavedDC {
public:
    explicit TSavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~TSavedDC() { RestoreDC(dc_, saved_); }
    TSavedDC(const TSavedDC&) = delete;
    TSavedDC& operator=(const TSavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};
