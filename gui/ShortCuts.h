#pragma once
// Shortcut keys of menu items and their texts.
#include <windows.h>

#include <cstdint>
#include <string>

// A key with modifier flags: the virtual-key code in the low byte.
using TShortCut = uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// "Shift+Ctrl+Alt+<key>" with the modifiers in that order. Keys are named
// A-Z, 0-9, F1-F24, BkSp, Tab, Enter, Esc, Space, PgUp, PgDn, End, Home,
// Left, Up, Right, Down, Ins and Del; any other key gives "".
std::string ShortCutToText(TShortCut shortCut);
// The reverse, modifiers in any order and without regard to case; scNone
// for a text naming no key.
TShortCut TextToShortCut(const std::string& text);
// The key with the modifier keys held down while its message was queued.
TShortCut ShortCutFromKey(WORD key);
