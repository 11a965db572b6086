#pragma once
// Window messages as controls see them, and the class library's own
// messages: component messages that tell a control of a change of its
// state, and notifications reflected back to the control that sent them.
#include <windows.h>

#include <functional>

// One window message as a control's handlers see it; Result is the answer.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

using TWndMethod = std::function<void(TMessage& message)>;

// Component messages. LParam names the control concerned where a message
// is about another control than the one receiving it.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
// WParam the virtual key, LParam the key data; a nonzero result consumes it.
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
// WParam the character, LParam the key data; a nonzero result consumes it.
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
// LParam the control that now holds the focus.
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_UIACTIVATE = CM_BASE + 41;
constexpr UINT CM_UIDEACTIVATE = CM_BASE + 42;
constexpr UINT CM_DOCWINDOWACTIVATE = CM_BASE + 43;
// A drag passes over or ends on the control: WParam a TDragMessage, LParam
// the TDragRec; the answer of enter, move and leave is whether the control
// accepts a drop.
constexpr UINT CM_DRAG = CM_BASE + 47;

// A notification a parent window receives about a child window (WM_COMMAND,
// WM_NOTIFY, WM_DRAWITEM, ...) reaches the child's own control as
// CN_BASE + the message; so do keyboard messages before they are dispatched,
// which the control consumes by answering nonzero.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;

// The point of a mouse message's LParam; coordinates left of or above the
// window are negative.
inline POINT MessagePoint(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

inline LPARAM PointToLParam(POINT point)
{
    return MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
}
