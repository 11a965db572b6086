#include "OleFonts.h"

#include "Exceptions.h"
#include "SysUtils.h"

#include <string>

Microsoft::WRL::ComPtr<IFontDisp> GetOleFont(const TFont& font)
{
    std::wstring name = AnsiToWide(font.GetName());
    FONTDESC description{};
    description.cbSizeofstruct = sizeof(description);
    description.lpstrName = name.data();
    // OLE font sizes are points in currency units: ten thousandths.
    description.cySize.int64 = static_cast<LONGLONG>(font.GetSize()) * 10000;
    description.sWeight = static_cast<SHORT>(font.GetStyle() & fsBold ? FW_BOLD : FW_NORMAL);
    description.sCharset = font.GetCharset();
    description.fItalic = (font.GetStyle() & fsItalic) != 0;
    description.fUnderline = (font.GetStyle() & fsUnderline) != 0;
    description.fStrikethrough = (font.GetStyle() & fsStrikeOut) != 0;
    Microsoft::WRL::ComPtr<IFontDisp> oleFont;
    OleCheck(OleCreateFontIndirect(&description, IID_IFontDisp, reinterpret_cast<void**>(oleFont.GetAddressOf())));
    return oleFont;
}
