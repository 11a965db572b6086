#include "Exceptions.h"
#include "OleFonts.h"
#include "OleStreams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

// A memory stream holding "0123456789", telling when it is freed.
class TTrackedStream : public TMemoryStream {
public:
    explicit TTrackedStream(bool* freed = nullptr) : freed_(freed) { WriteBuffer("0123456789", 10); }
    ~TTrackedStream() override
    {
        if (freed_) *freed_ = true;
    }

private:
    bool* freed_;
};

// A stream whose writes and size changes fail the way read-only streams do.
class TReadOnlyStream : public TTrackedStream {
public:
    int32_t Write(const void*, int32_t) override { throw EStreamError("read-only"); }
    void SetSize(int64_t) override { throw EStreamError("read-only"); }
};

LARGE_INTEGER Move(LONGLONG value)
{
    LARGE_INTEGER move;
    move.QuadPart = value;
    return move;
}

ULARGE_INTEGER Size(ULONGLONG value)
{
    ULARGE_INTEGER size;
    size.QuadPart = value;
    return size;
}

// The position after a seek, or the failure code as a negative number.
LONGLONG SeekTo(IStream* stream, LONGLONG move, DWORD origin)
{
    ULARGE_INTEGER position{};
    HRESULT result = stream->Seek(Move(move), origin, &position);
    return SUCCEEDED(result) ? static_cast<LONGLONG>(position.QuadPart) : result;
}

std::string ReadText(IStream* stream, ULONG count)
{
    std::string text(count, '\0');
    ULONG read = 0;
    EXPECT_EQ(stream->Read(text.data(), count, &read), S_OK);
    text.resize(read);
    return text;
}

}

TEST(StreamAdapter, SeeksLikeAStorageStreamAndReadsWhatLiesThere)
{
    TTrackedStream memory;
    ComPtr<IStream> stream = TStreamAdapter::Create(&memory);

    EXPECT_EQ(SeekTo(stream.Get(), -4, STREAM_SEEK_END), 6);
    EXPECT_EQ(ReadText(stream.Get(), 8), "6789");
    EXPECT_EQ(SeekTo(stream.Get(), 2, STREAM_SEEK_SET), 2);
    EXPECT_EQ(SeekTo(stream.Get(), 3, STREAM_SEEK_CUR), 5);
    EXPECT_EQ(ReadText(stream.Get(), 2), "56");
    // Refused seeks leave the position where it was.
    EXPECT_EQ(SeekTo(stream.Get(), -8, STREAM_SEEK_CUR), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(SeekTo(stream.Get(), 0, 3), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(SeekTo(stream.Get(), 0x7FFFFFFFFFFFFFFF, STREAM_SEEK_END), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(SeekTo(stream.Get(), 0, STREAM_SEEK_CUR), 7);
    // Past the end is a place to stand on, with nothing to read.
    EXPECT_EQ(SeekTo(stream.Get(), 20, STREAM_SEEK_SET), 20);
    EXPECT_EQ(ReadText(stream.Get(), 4), "");
    EXPECT_EQ(stream->Seek(Move(1), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(memory.GetPosition(), 1);
}

TEST(StreamAdapter, StatTellsTheSizeOfAStreamWithoutName)
{
    TTrackedStream memory;
    ComPtr<IStream> stream = TStreamAdapter::Create(&memory);
    for (DWORD flags : {STATFLAG_DEFAULT, STATFLAG_NONAME}) {
        STATSTG stat;
        std::memset(&stat, 0xCC, sizeof(stat));
        ASSERT_EQ(stream->Stat(&stat, flags), S_OK);
        EXPECT_EQ(stat.type, static_cast<DWORD>(STGTY_STREAM));
        EXPECT_EQ(stat.cbSize.QuadPart, 10u);
        EXPECT_EQ(stat.pwcsName, nullptr);
    }
    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, 7), STG_E_INVALIDFLAG);
    EXPECT_EQ(stream->Stat(nullptr, STATFLAG_NONAME), STG_E_INVALIDPOINTER);
}

TEST(StreamAdapter, WritesSizesAndCopiesIntoAnotherStream)
{
    TTrackedStream memory;
    ComPtr<IStream> stream = TStreamAdapter::Create(&memory);
    ASSERT_EQ(SeekTo(stream.Get(), 8, STREAM_SEEK_SET), 8);
    ULONG written = 0;
    EXPECT_EQ(stream->Write("abcd", 4, &written), S_OK);
    EXPECT_EQ(written, 4u);
    EXPECT_EQ(stream->SetSize(Size(11)), S_OK);
    EXPECT_EQ(std::string(static_cast<char*>(memory.Memory()), 11), "01234567abc");

    TMemoryStream copy;
    ComPtr<IStream> target = TStreamAdapter::Create(&copy);
    ASSERT_EQ(SeekTo(stream.Get(), 3, STREAM_SEEK_SET), 3);
    ULARGE_INTEGER read{};
    ULARGE_INTEGER put{};
    EXPECT_EQ(stream->CopyTo(target.Get(), Size(100), &read, &put), S_OK);
    EXPECT_EQ(read.QuadPart, 8u);
    EXPECT_EQ(put.QuadPart, 8u);
    EXPECT_EQ(std::string(static_cast<char*>(copy.Memory()), static_cast<size_t>(copy.GetSize())), "34567abc");
}

TEST(StreamAdapter, FailuresOfTheStreamBecomeStorageCodes)
{
    TReadOnlyStream memory;
    ComPtr<IStream> stream = TStreamAdapter::Create(&memory);
    ULONG written = 99;
    EXPECT_EQ(stream->Write("x", 1, &written), STG_E_CANTSAVE);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(stream->SetSize(Size(3)), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(stream->Read(nullptr, 1, nullptr), STG_E_INVALIDPOINTER);
    EXPECT_EQ(stream->CopyTo(nullptr, Size(1), nullptr, nullptr), STG_E_INVALIDPOINTER);

    // Copying into it stops at the refused write, after reading one piece.
    TTrackedStream source;
    source.SetPosition(0);
    ComPtr<IStream> from = TStreamAdapter::Create(&source);
    ULARGE_INTEGER read{};
    EXPECT_EQ(from->CopyTo(stream.Get(), Size(4), &read, nullptr), STG_E_CANTSAVE);
    EXPECT_EQ(read.QuadPart, 4u);

    IStream* clone = stream.Get();
    EXPECT_EQ(stream->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(clone, nullptr);
}

TEST(StreamAdapter, AnswersItsOwnInterfacesOnly)
{
    TTrackedStream memory;
    ComPtr<IStream> stream = TStreamAdapter::Create(&memory);
    ComPtr<ISequentialStream> sequential;
    EXPECT_EQ(stream.As(&sequential), S_OK);
    EXPECT_EQ(static_cast<void*>(sequential.Get()), static_cast<void*>(stream.Get()));
    ComPtr<IPersistStream> persist;
    EXPECT_EQ(stream.As(&persist), E_NOINTERFACE);
    EXPECT_EQ(persist.Get(), nullptr);
}

TEST(StreamAdapter, FreesTheStreamWithItsLastReferenceOnlyWhenItOwnsIt)
{
    for (TStreamOwnership ownership : {soOwned, soReference}) {
        bool freed = false;
        auto* memory = new TTrackedStream(&freed);
        ComPtr<IStream> stream = TStreamAdapter::Create(memory, ownership);
        ComPtr<IStream> second = stream;
        stream.Reset();
        EXPECT_FALSE(freed);
        second.Reset();
        EXPECT_EQ(freed, ownership == soOwned);
        if (ownership == soReference) delete memory;
    }
}

namespace {

int CALLBACK TakeTrueTypeFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM found)
{
    if (!(type & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == '@') return 1;
    *reinterpret_cast<std::string*>(found) = font->lfFaceName;
    return 0;
}

// A TrueType face of this system with Cyrillic letters: an OLE font reports
// the font the system realises, which is the face asked for only when the
// system has it.
std::string InstalledFace()
{
    LOGFONTA wanted{};
    wanted.lfCharSet = RUSSIAN_CHARSET;
    std::string face;
    HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, TakeTrueTypeFace, reinterpret_cast<LPARAM>(&face), 0);
    ReleaseDC(nullptr, screen);
    return face;
}

struct TOleFontCase {
    int size;
    TFontStyles style;
    BYTE charset;
};

}

TEST(OleFont, CarriesNameSizeStyleAndCharsetOfTheFont)
{
    const std::string face = InstalledFace();
    ASSERT_FALSE(face.empty());
    // Sizes of whole pixels on a 96 dpi screen, which realising keeps.
    for (const TOleFontCase& c : {TOleFontCase{9, 0, ANSI_CHARSET},
                                  TOleFontCase{12, fsBold | fsItalic, RUSSIAN_CHARSET},
                                  TOleFontCase{9, fsUnderline | fsStrikeOut, ANSI_CHARSET}}) {
        SCOPED_TRACE(c.size);
        TFont font;
        font.SetName(face);
        font.SetSize(c.size);
        font.SetStyle(c.style);
        font.SetCharset(c.charset);
        ComPtr<IFontDisp> oleFont = GetOleFont(font);
        // A copy: the OLE font keeps what the font said when it was made.
        font.SetName("Tahoma");
        font.SetStyle(0);

        ComPtr<IFont> described;
        ASSERT_EQ(oleFont.As(&described), S_OK);
        BSTR name = nullptr;
        ASSERT_EQ(described->get_Name(&name), S_OK);
        EXPECT_EQ(std::wstring(name, SysStringLen(name)), std::wstring(face.begin(), face.end()));
        SysFreeString(name);
        CY size{};
        described->get_Size(&size);
        EXPECT_EQ(size.int64, c.size * 10000LL);
        BOOL flag = FALSE;
        described->get_Bold(&flag);
        EXPECT_EQ(flag != FALSE, (c.style & fsBold) != 0);
        described->get_Italic(&flag);
        EXPECT_EQ(flag != FALSE, (c.style & fsItalic) != 0);
        described->get_Underline(&flag);
        EXPECT_EQ(flag != FALSE, (c.style & fsUnderline) != 0);
        described->get_Strikethrough(&flag);
        EXPECT_EQ(flag != FALSE, (c.style & fsStrikeOut) != 0);
        SHORT charset = 0;
        described->get_Charset(&charset);
        EXPECT_EQ(charset, c.charset);

        // Controls read it through its dispatch interface.
        DISPPARAMS none{};
        VARIANT bold;
        VariantInit(&bold);
        ASSERT_EQ(oleFont->Invoke(DISPID_FONT_BOLD, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                  &bold, nullptr, nullptr),
                  S_OK);
        EXPECT_EQ(bold.vt, VT_BOOL);
        EXPECT_EQ(bold.boolVal != VARIANT_FALSE, (c.style & fsBold) != 0);
    }
}
