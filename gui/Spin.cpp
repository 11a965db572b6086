#include "Spin.h"

#include <algorithm>
#include <commctrl.h>

#include "SysUtils.h"

TSpinEdit::TSpinEdit(TComponent* owner) : TCustomEdit(owner)
{
    SetBounds(Left(), Top(), 121, 21);
    SetText("0");
}

void TSpinEdit::SetLimits(int minValue, int maxValue)
{
    minValue_ = minValue;
    maxValue_ = std::max(minValue, maxValue);
}

int TSpinEdit::Clamped(int value) const
{
    return HasLimits() ? std::clamp(value, minValue_, maxValue_) : value;
}

int TSpinEdit::Value()
{
    return Clamped(StrToInt(Text()));
}

void TSpinEdit::SetValue(int value)
{
    SetText(IntToStr(Clamped(value)));
}

void TSpinEdit::Step(int direction)
{
    if (ReadOnly()) return;
    int value = 0;
    if (!TryStrToInt(Text(), value)) value = minValue_;
    // Stepping past the ends of int stops there instead of wrapping.
    const int64_t stepped = static_cast<int64_t>(value) + static_cast<int64_t>(direction) * Increment;
    SetValue(static_cast<int>(std::clamp<int64_t>(stepped, INT32_MIN, INT32_MAX)));
    SelectAll();
}

void TSpinEdit::CreateWnd()
{
    TCustomEdit::CreateWnd();
    // The arrows are a child of the edit itself, so their notifications come
    // here and they move with the edit wherever it is placed.
    arrows_ = CreateWindowExA(0, UPDOWN_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Handle(), nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    PlaceArrows();
}

void TSpinEdit::PlaceArrows()
{
    if (!arrows_) return;
    RECT client = ClientRect();
    const int width = GetSystemMetrics(SM_CXVSCROLL);
    MoveWindow(arrows_, client.right - width, 0, width, client.bottom, TRUE);
    SendMessageA(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, width + 1));
}

void TSpinEdit::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
        if (header->hwndFrom == arrows_ && header->code == UDN_DELTAPOS) {
            // The up-down control counts downwards from its top arrow.
            Step(reinterpret_cast<const NMUPDOWN*>(header)->iDelta < 0 ? 1 : -1);
            message.Result = 1;
            return;
        }
        break;
    }
    case WM_SIZE:
        TCustomEdit::WndProc(message);
        PlaceArrows();
        return;
    case WM_NCDESTROY:
        arrows_ = nullptr;
        break;
    }
    TCustomEdit::WndProc(message);
}

void TSpinEdit::KeyDown(WORD& key, TShiftState shift)
{
    if (key == VK_UP || key == VK_DOWN) {
        Step(key == VK_UP ? 1 : -1);
        key = 0;
    }
    TCustomEdit::KeyDown(key, shift);
}

void TSpinEdit::KeyPress(char& key)
{
    const bool control = static_cast<unsigned char>(key) < ' ';
    if (!control && !(key >= '0' && key <= '9') && key != '-' && key != '+') {
        MessageBeep(0);
        key = 0;
    }
    TCustomEdit::KeyPress(key);
}
