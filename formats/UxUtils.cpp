#include "UxUtils.h"

#include <algorithm>
#include <cstring>

#include "Exceptions.h"
#include "Forms.h"

void DiscardPendingMessage(HWND wnd, UINT msg)
{
    // PeekMessage reads the range 0..0 as "any message", so WM_NULL cannot be
    // singled out; it carries nothing worth discarding anyway.
    if (msg == WM_NULL) return;
    MSG message;
    if (PeekMessageA(&message, wnd, msg, msg, PM_REMOVE) && message.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(message.wParam));
}

bool IsAppForeground()
{
    HWND active = GetForegroundWindow();
    return active && GetWindowThreadProcessId(active, nullptr) == GetCurrentThreadId();
}

std::string ShortenTextToWidth(const std::string& text, HDC dc, int maxWidth)
{
    auto width = [dc](const std::string& s) {
        SIZE extent{};
        GetTextExtentPoint32A(dc, s.data(), static_cast<int>(s.size()), &extent);
        return extent.cx;
    };
    // Bounded by the text's length: once the ellipsis stands alone, no
    // shorter text is left to try.
    const int length = static_cast<int>(text.size());
    std::string result = text;
    for (int i = 1; i <= length && width(result) > maxWidth; ++i)
        result = text.substr(0, static_cast<size_t>(std::max(0, length - i - 1))) + "...";
    return result;
}

void* AllocZeroedBlock(int32_t size)
{
    return size > 0 ? GlobalAlloc(GPTR, static_cast<SIZE_T>(size)) : nullptr;
}

void FreeBlock(void*& block)
{
    if (!block) return;
    GlobalFree(block);
    block = nullptr;
}

bool SameBytes(const void* a, const void* b, int32_t count)
{
    return count <= 0 || std::memcmp(a, b, static_cast<size_t>(count)) == 0;
}

void ShowNotImplemented()
{
    Screen->SetCursor(crDefault);
    Application->MessageBox("Function not yet implemented", Application->Title(), MB_OK | MB_ICONINFORMATION);
    throw EAbort();
}
