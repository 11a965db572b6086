#pragma once
// What the controls' utility units set up for the whole program: their hand
// and drag cursors on the screen, the four-digit-year flag and the icon
// clipboard format.
#include <windows.h>

#include "Controls.h"

constexpr TCursor crHandCursor = 14000;
constexpr TCursor crDragCursor = 14001;

// Counted, so that every part of the program may start the units up and shut
// them down in pairs: only the first start-up and the last shut-down act.
// The first start-up puts UX_HANDCUR and UX_DRAGCUR of the module's own
// resources on the screen as crHandCursor and crDragCursor, takes the
// four-digit-year flag from the short date format and registers the icon
// clipboard format; the last shut-down takes the cursors off the screen.
void StartUpUtilityUnits();
void ShutDownUtilityUnits();

// Whether the short date format writes the year with four digits, as the
// first start-up found it.
bool FourDigitYear();
// The clipboard format for icons; 0 before the first start-up.
UINT IconClipboardFormat();
