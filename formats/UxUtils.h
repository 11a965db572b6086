#pragma once
// Rectangle, message and memory routines of the controls' utility unit.
#include <windows.h>

#include <cstdint>

#include "Geometry.h"

// The edges count as inside.
inline bool IsPointInRect(POINT p, const RECT& r)
{
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}
// A palette-relative colour for the RGB value of Color.
inline COLORREF PaletteColor(COLORREF color) { return (color & 0xFFFFFF) | 0x02000000; }

// Removes one pending Msg for Wnd; a WM_QUIT taken that way is posted again.
void DiscardPendingMessage(HWND wnd, UINT msg);
// Whether the active window belongs to the calling thread.
bool IsAppForeground();

// A zero-filled block of global memory, or null for Size <= 0.
void* AllocZeroedBlock(int32_t size);
// Frees Block (when set) and clears the variable.
void FreeBlock(void*& block);
bool SameBytes(const void* a, const void* b, int32_t count);

// Shows "Function not yet implemented" and leaves the operation silently.
[[noreturn]] void ShowNotImplemented();
