#include "UxStartUp.h"

#include "Forms.h"
#include "SysUtils.h"

// The module this code is linked into, whose resources hold the cursors.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

const struct {
    TCursor Number;
    const char* Resource;
} OwnCursors[] = {{crHandCursor, "UX_HANDCUR"}, {crDragCursor, "UX_DRAGCUR"}};

// The units start and stop on the GUI thread only.
int startUps = 0;
bool fourDigitYear = false;
UINT iconClipboardFormat = 0;

}

void StartUpUtilityUnits()
{
    if (startUps++ > 0) return;
    auto* module = reinterpret_cast<HINSTANCE>(&__ImageBase);
    // Cursors from resources belong to the system: nothing to destroy later.
    for (const auto& cursor : OwnCursors) Screen->SetCursors(cursor.Number, LoadCursorA(module, cursor.Resource));
    fourDigitYear = AnsiUpperCase(FormatSettings().ShortDateFormat).find("YYYY") != std::string::npos;
    iconClipboardFormat = RegisterClipboardFormatA("Tavelomatic Icon");
}

void ShutDownUtilityUnits()
{
    if (startUps == 0 || --startUps > 0) return;
    for (const auto& cursor : OwnCursors) Screen->SetCursors(cursor.Number, nullptr);
}

bool FourDigitYear()
{
    return fourDigitYear;
}

UINT IconClipboardFormat()
{
    return iconClipboardFormat;
}
