#include "Clipbrd.h"

#include <cstring>

#include "Exceptions.h"
#include "Graphics.h"
#include "Picture.h"

TClipboard::~TClipboard()
{
    if (openCount_) CloseClipboard();
    if (window_) DestroyWindow(window_);
}

void TClipboard::Open()
{
    if (openCount_ == 0) {
        // Without a window of its own the system lets nobody put data on
        // the clipboard once it has been emptied.
        if (!window_)
            window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!OpenClipboard(window_)) throw Exception("Cannot open clipboard");
        emptied_ = false;
    }
    ++openCount_;
}

void TClipboard::Close()
{
    if (openCount_ == 0) return;
    if (--openCount_ == 0) CloseClipboard();
}

void TClipboard::Clear()
{
    Open();
    EmptyClipboard();
    emptied_ = true;
    Close();
}

bool TClipboard::HasFormat(UINT format)
{
    return IsClipboardFormatAvailable(format) != FALSE;
}

int TClipboard::FormatCount()
{
    return CountClipboardFormats();
}

UINT TClipboard::Formats(int index)
{
    Open();
    UINT format = 0;
    for (int i = 0; i <= index; ++i) {
        format = EnumClipboardFormats(format);
        if (!format) break;
    }
    Close();
    if (!format) ListIndexError(index);
    return format;
}

UINT TClipboard::RegisterFormat(const std::string& name)
{
    return RegisterClipboardFormatA(name.c_str());
}

std::string TClipboard::AsText()
{
    Open();
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (auto* chars = static_cast<const char*>(GlobalLock(data))) {
            text.assign(chars, strnlen(chars, GlobalSize(data)));
            GlobalUnlock(data);
        }
    }
    Close();
    return text;
}

void TClipboard::SetAsText(const std::string& text)
{
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!data) throw EOutOfMemory("Out of memory");
    std::memcpy(GlobalLock(data), text.c_str(), text.size() + 1);
    GlobalUnlock(data);
    SetAsHandle(CF_TEXT, data);
}

HANDLE TClipboard::GetAsHandle(UINT format)
{
    Open();
    HANDLE data = GetClipboardData(format);
    Close();
    return data;
}

void TClipboard::SetAsHandle(UINT format, HANDLE data)
{
    Open();
    if (!emptied_) {
        EmptyClipboard();
        emptied_ = true;
    }
    SetClipboardData(format, data);
    Close();
}

void TClipboard::Assign(const TPersistent* source)
{
    auto* graphic = dynamic_cast<const TGraphic*>(source);
    if (auto* picture = dynamic_cast<const TPicture*>(source)) graphic = picture->Graphic();
    if (!graphic) {
        TPersistent::Assign(source);
        return;
    }
    UINT format = 0;
    HANDLE data = nullptr;
    HPALETTE palette = nullptr;
    const_cast<TGraphic*>(graphic)->SaveToClipboardFormat(format, data, palette);
    Open();
    SetAsHandle(format, data);
    if (palette) SetAsHandle(CF_PALETTE, palette);
    Close();
}

void TClipboard::AssignTo(TPersistent* dest) const
{
    auto* self = const_cast<TClipboard*>(this);
    auto* picture = dynamic_cast<TPicture*>(dest);
    auto* bitmap = dynamic_cast<TBitmap*>(dest);
    if (!picture && !bitmap) {
        TPersistent::AssignTo(dest);
        return;
    }
    self->Open();
    try {
        auto palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
        if (bitmap) {
            bitmap->LoadFromClipboardFormat(CF_BITMAP, GetClipboardData(CF_BITMAP), palette);
        } else {
            UINT format = 0;
            while ((format = EnumClipboardFormats(format)) && !TPicture::SupportsClipboardFormat(format)) {
            }
            picture->LoadFromClipboardFormat(format, format ? GetClipboardData(format) : nullptr, palette);
        }
    } catch (...) {
        self->Close();
        throw;
    }
    self->Close();
}

TClipboard* Clipboard()
{
    static TClipboard clipboard;
    return &clipboard;
}
