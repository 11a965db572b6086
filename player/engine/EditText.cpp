#include "EditText.h"

namespace tvmplayer {
namespace {

enum EditFlags : uint16_t {
    HasText = 0x8000,
    WordWrap = 0x4000,
    Multiline = 0x2000,
    Password = 0x1000,
    HasTextColour = 0x0400,
    HasMaxLength = 0x0200,
    HasFont = 0x0100,
    HasFontClass = 0x0080,
    HasLayout = 0x0020,
    Border = 0x0008,
    Html = 0x0002,
    UseOutlines = 0x0001,
};

}

EditText ReadEditText(SwfReader& body)
{
    EditText field;
    int32_t bits = static_cast<int32_t>(body.UnsignedBits(5));
    field.XMin = body.SignedBits(bits);
    field.XMax = body.SignedBits(bits);
    field.YMin = body.SignedBits(bits);
    field.YMax = body.SignedBits(bits);
    body.Align();
    uint16_t flags = static_cast<uint16_t>(body.U8() << 8);
    flags |= body.U8();
    field.WordWrap = flags & WordWrap;
    field.Multiline = flags & Multiline;
    field.Password = flags & Password;
    field.Border = field.Background = flags & Border;
    field.Html = flags & Html;
    field.UseOutlines = flags & UseOutlines;
    if (flags & HasFont)
        field.FontId = body.U16();
    if (flags & HasFontClass)
        body.String();
    if (flags & (HasFont | HasFontClass))
        field.Style.Size = body.U16();
    if (flags & HasTextColour)
        field.Style.Argb = ReadRgba(body);
    if (flags & HasMaxLength)
        body.U16();  // limits typing only
    if (flags & HasLayout) {
        uint8_t align = body.U8();
        field.Paragraph.Align = align == 1 ? TextAlign::Right
                                : align == 2 ? TextAlign::Centre
                                : align == 3 ? TextAlign::Justify
                                             : TextAlign::Left;
        field.Paragraph.LeftMargin = body.U16();
        field.Paragraph.RightMargin = body.U16();
        field.Paragraph.Indent = body.U16();
        field.Paragraph.Leading = static_cast<int16_t>(body.U16());
    }
    field.Variable = body.String();
    if (flags & HasText)
        field.InitialText = body.String();
    return field;
}

}
