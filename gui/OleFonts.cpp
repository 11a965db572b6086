#include "OleFonts.h"

#include "Exceptions.h"

#include <string>

namespace {

std::wstring Wide(const std::string& text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

}

Microsoft::WRL::ComPtr<IFontDisp> GetOleFont(const TFont& font)
{
    std::wstring name = Wide(font.GetName());
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
