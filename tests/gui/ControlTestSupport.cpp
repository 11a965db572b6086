#include "ControlTestSupport.h"

#include <winternl.h>

namespace tvmtest {

TSwatch::TSwatch(TComponent* owner, TWinControl* parent, COLORREF color, RECT bounds)
    : TGraphicControl(owner), Fill(color)
{
    SetBoundsRect(bounds);
    SetParent(parent);
}

void TSwatch::Paint()
{
    Canvas()->Brush().SetColor(static_cast<TColor>(Fill));
    Canvas()->FillRect(Rect(-1000, -1000, 1000, 1000));
}

void TSwatch::WndProc(TMessage& message)
{
    if (Log && message.Msg == CM_MOUSEENTER) Log->push_back(Name() + " enter");
    if (Log && message.Msg == CM_MOUSELEAVE) Log->push_back(Name() + " leave");
    TGraphicControl::WndProc(message);
}

TTestForm::TTestForm(TComponent* owner, int width, int height) : TForm(owner)
{
    SetBounds(100, 100, width, height);
}

TPixels::TPixels(int width, int height) : width_(width), dc_(CreateCompatibleDC(nullptr))
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<const DWORD*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
}

TPixels::~TPixels()
{
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

COLORREF TPixels::At(int x, int y) const
{
    GdiFlush();
    DWORD pixel = bits_[y * width_ + x];
    return RGB(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF);
}

COLORREF ClientPixel(HWND window, int x, int y)
{
    RECT client;
    GetClientRect(window, &client);
    TPixels pixels(client.right, client.bottom);
    HDC dc = GetDC(window);
    BitBlt(pixels.DC(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    return pixels.At(x, y);
}

namespace {

// An entry of the GDI handle table that the process environment block
// points to. Only Wine's table is read: it holds this process's objects
// alone.
struct TGdiHandleEntry {
    UINT64 Object;
    USHORT ProcessId;
    USHORT Count;
    USHORT Unique;
    UCHAR Type;
    UCHAR Flags;
    UINT64 UserPointer;
};

const TGdiHandleEntry* GdiHandleTable()
{
#ifdef _WIN64
    constexpr size_t Offset = 0xF8;
#else
    constexpr size_t Offset = 0x94;
#endif
    using TQuery = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<TQuery>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0)
        return nullptr;
    auto* peb = reinterpret_cast<const BYTE*>(basic.PebBaseAddress);
    return *reinterpret_cast<const TGdiHandleEntry* const*>(peb + Offset);
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<DWORD*>(count);
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

}

DWORD GdiObjectCount()
{
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return count;
    const TGdiHandleEntry* table = GdiHandleTable();
    if (!table) return 0;
    DWORD count = 0;
    for (int i = 0; i < 0x10000; ++i)
        if (table[i].Type) ++count;
    return count;
}

DWORD WindowCount()
{
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)) return count;
    DWORD count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

void Pump()
{
    Application->ProcessMessages();
}

void SendMouseInput(POINT screen, DWORD flags)
{
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(screen.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
    SendInput(1, &input, sizeof(input));
}

}
