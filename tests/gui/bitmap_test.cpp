#include "Canvas.h"
#include "Exceptions.h"
#include "Graphics.h"
#include "GraphicsTestSupport.h"
#include "GuiTestSupport.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using tvmtest::Surface;

namespace {

// A bitmap of the format, filled white with a red block and one blue pixel
// whose places tell whether the picture moved or was lost.
void PaintMarks(TBitmap& bitmap, TPixelFormat format)
{
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(20, 10);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(Rect(0, 0, 20, 10));
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(Rect(10, 5, 20, 10));
    canvas.SetPixels(12, 6, clBlue);
}

// Bytes of a row that hold pixels: the padding bits after them are free.
int UsedBytes(TPixelFormat format, int width)
{
    constexpr int Bits[] = {0, 1, 4, 8, 16, 16, 24, 32};
    return (width * Bits[format] + 7) / 8;
}

}

TEST(Bitmap, CroppedInPlaceKeepsThePictureInEveryFormat)
{
    for (TPixelFormat format : {pfDevice, pf1bit, pf4bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(format);
        TBitmap bitmap;
        PaintMarks(bitmap, format);
        // The converter's crop: the wanted part to the top left, then the size.
        bitmap.Canvas().CopyRect(Rect(0, 0, 10, 5), bitmap.Canvas(), Rect(10, 5, 20, 10));
        bitmap.SetWidth(10);
        bitmap.SetHeight(5);
        ASSERT_EQ(bitmap.Width(), 10);
        ASSERT_EQ(bitmap.Height(), 5);
        EXPECT_EQ(bitmap.PixelFormat(), format);
        const bool mono = format == pf1bit;
        EXPECT_EQ(bitmap.Canvas().Pixels(2, 1), mono ? clBlack : clBlue);
        EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), mono ? clBlack : clRed);
        EXPECT_EQ(bitmap.Canvas().Pixels(9, 4), mono ? clBlack : clRed);
        bitmap.SetWidth(12);  // growing adds black and keeps the rest
        EXPECT_EQ(bitmap.Canvas().Pixels(11, 0), clBlack);
        EXPECT_EQ(bitmap.Canvas().Pixels(2, 1), mono ? clBlack : clBlue);
    }
}

TEST(Bitmap, BmpRoundTripsEveryFormatAndTheSystemReadsWhatWeWrite)
{
    tvmtest::ScratchDir dir;
    for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(format);
        TBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(13, 7);  // odd width: rows need padding
        for (int row = 0; row < 7; ++row) {
            auto* line = static_cast<uint8_t*>(bitmap.ScanLine(row));
            for (int i = 0; i < bitmap.ScanLineSize(); ++i) line[i] = static_cast<uint8_t>(row * 37 + i * 11);
        }
        const std::string file = dir.Path() + "picture.bmp";
        bitmap.SaveToFile(file);

        TBitmap loaded;
        loaded.LoadFromFile(file);
        EXPECT_EQ(loaded.PixelFormat(), format);
        ASSERT_EQ(loaded.Width(), 13);
        ASSERT_EQ(loaded.Height(), 7);
        const int used = UsedBytes(format, 13);
        for (int row = 0; row < 7; ++row)
            EXPECT_EQ(std::memcmp(loaded.ScanLine(row), bitmap.ScanLine(row), used), 0) << "row " << row;

        HBITMAP system = static_cast<HBITMAP>(LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        ASSERT_NE(system, nullptr);
        TMemoryDCHandle dc(CreateCompatibleDC(nullptr));
        HGDIOBJ previous = SelectObject(dc.Get(), system);
        // 5- and 6-bit channels may widen to 8 bits by other rounding.
        const int tolerance = format == pf15bit || format == pf16bit ? 8 : 0;
        for (auto [x, y] : {std::pair{0, 0}, {12, 0}, {5, 3}, {12, 6}}) {
            const COLORREF theirs = GetPixel(dc.Get(), x, y);
            const COLORREF ours = static_cast<COLORREF>(loaded.Canvas().Pixels(x, y));
            EXPECT_LE(std::abs(GetRValue(theirs) - GetRValue(ours)), tolerance) << x << "," << y;
            EXPECT_LE(std::abs(GetGValue(theirs) - GetGValue(ours)), tolerance) << x << "," << y;
            EXPECT_LE(std::abs(GetBValue(theirs) - GetBValue(ours)), tolerance) << x << "," << y;
        }
        SelectObject(dc.Get(), previous);
        DeleteObject(system);
    }
}

TEST(Bitmap, ReadsTopDownFilesResourcesAndRefusesBadData)
{
    // A 1 x 2 top-down 24-bit file: red above blue.
    const uint8_t topDown[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                               40, 0, 0, 0, 1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 24, 0, 0, 0, 0, 0,
                               0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
    TMemoryStream stream;
    stream.WriteBuffer(topDown, sizeof topDown);
    stream.SetPosition(0);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), clRed);
    EXPECT_EQ(bitmap.Canvas().Pixels(0, 1), clBlue);

    bitmap.LoadFromResourceName(GetModuleHandleA(nullptr), "TINYPICTURE");
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), clLime);
    EXPECT_EQ(bitmap.Canvas().Pixels(1, 1), clRed);
    EXPECT_EQ(tvmtest::MessageOf<EResNotFound>([&] { bitmap.LoadFromResourceName(GetModuleHandleA(nullptr), "NOPE"); }),
              "Resource NOPE not found");

    for (size_t cut : {size_t{10}, size_t{30}, sizeof topDown - 1}) {
        TMemoryStream truncated;
        truncated.WriteBuffer(topDown, static_cast<int32_t>(cut));
        truncated.SetPosition(0);
        EXPECT_ANY_THROW(bitmap.LoadFromStream(truncated)) << cut;
    }
    TMemoryStream notBmp;
    notBmp.WriteBuffer("GIF89a.........................................................", 60);
    notBmp.SetPosition(0);
    EXPECT_THROW(bitmap.LoadFromStream(notBmp), EInvalidGraphic);
}

TEST(Bitmap, TransparentBitmapLeavesThePatternUnderItsKeyColour)
{
    Surface surface(24, 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) surface.Canvas().SetPixels(x, y, (x + y) % 2 ? clYellow : clNavy);
    TBitmap sprite;
    sprite.SetSize(8, 8);
    sprite.Canvas().Brush().SetColor(clFuchsia);
    sprite.Canvas().FillRect(Rect(0, 0, 8, 8));
    sprite.Canvas().Brush().SetColor(clGreen);
    sprite.Canvas().FillRect(Rect(2, 2, 6, 6));
    sprite.SetTransparent(true);
    EXPECT_EQ(sprite.TransparentColor(), clFuchsia);  // the bottom-left pixel

    surface.Canvas().Draw(0, 0, sprite);
    surface.Canvas().StretchDraw(Rect(8, 8, 24, 24), sprite);
    EXPECT_EQ(surface.Pixel(0, 0), clNavy);
    EXPECT_EQ(surface.Pixel(1, 0), clYellow);
    EXPECT_EQ(surface.Pixel(3, 3), clGreen);
    EXPECT_EQ(surface.Pixel(9, 8), clYellow);
    EXPECT_EQ(surface.Pixel(8, 8), clNavy);
    EXPECT_EQ(surface.Pixel(15, 15), clGreen);

    sprite.SetTransparentColor(clGreen);  // now the square is the hole
    EXPECT_EQ(sprite.TransparentMode(), tmFixed);
    surface.Canvas().Draw(0, 0, sprite);
    EXPECT_EQ(surface.Pixel(0, 0), clFuchsia);
    EXPECT_EQ(surface.Pixel(3, 3), clGreen);  // what the first drawing left there
    sprite.SetTransparent(false);
    surface.Canvas().Draw(0, 0, sprite);
    EXPECT_EQ(surface.Pixel(3, 3), clGreen);
    EXPECT_EQ(surface.Pixel(0, 0), clFuchsia);
}

TEST(Bitmap, FormatChangesConvertThePixels)
{
    TBitmap bitmap;
    bitmap.SetSize(4, 1);
    const TColor colors[] = {clRed, clLime, clBlue, clWhite};
    for (int x = 0; x < 4; ++x) bitmap.Canvas().SetPixels(x, 0, colors[x]);
    for (TPixelFormat format : {pf4bit, pf8bit, pf16bit, pfDevice, pf32bit}) {
        bitmap.SetPixelFormat(format);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(bitmap.Canvas().Pixels(x, 0), colors[x]) << format << " at " << x;
    }
    EXPECT_EQ(bitmap.HandleType(), bmDIB);
    bitmap.SetHandleType(bmDDB);
    EXPECT_EQ(bitmap.PixelFormat(), pfDevice);
    EXPECT_THROW(bitmap.ScanLine(0), EInvalidGraphicOperation);

    bitmap.SetMonochrome(true);
    EXPECT_TRUE(bitmap.Monochrome());
    EXPECT_EQ(bitmap.PixelFormat(), pf1bit);
    EXPECT_EQ(bitmap.Canvas().Pixels(3, 0), clWhite);
    EXPECT_EQ(bitmap.Canvas().Pixels(2, 0), clBlack);
    ASSERT_NE(bitmap.Palette(), nullptr);
    PALETTEENTRY entries[2] = {{0, 0, 255, 0}, {255, 255, 0, 0}};  // blue and yellow
    TPaletteHandle palette(CreatePalette(reinterpret_cast<LOGPALETTE*>(
        std::vector<WORD>{0x300, 2, 0, 0, 0, 0}.data())));
    SetPaletteEntries(palette.Get(), 0, 2, entries);
    bitmap.SetPalette(palette.Get());
    EXPECT_FALSE(bitmap.Monochrome());
    EXPECT_EQ(bitmap.Canvas().Pixels(3, 0), clYellow);
    EXPECT_EQ(bitmap.Canvas().Pixels(2, 0), clBlue);
}

TEST(Bitmap, AdoptsAndReleasesHandles)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    static_cast<uint32_t*>(bits)[0] = 0x00FF0000;  // top-left, red
    TBitmap bitmap;
    bitmap.SetHandle(section);
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.PixelFormat(), pf32bit);
    EXPECT_EQ(static_cast<uint32_t*>(bitmap.ScanLine(0))[0], 0x00FF0000u);
    EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), clRed);
    EXPECT_EQ(bitmap.ReleaseHandle(), section);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_TRUE(DeleteObject(section));  // still alive, and the caller's

    HDC screen = GetDC(nullptr);
    bitmap.SetHandle(CreateCompatibleBitmap(screen, 5, 4));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(bitmap.HandleType(), bmDDB);
    EXPECT_EQ(bitmap.Width(), 5);
}

TEST(Bitmap, AssignedBitmapsShareUntilOneChanges)
{
    TBitmap a;
    a.SetSize(2, 2);
    a.Canvas().SetPixels(0, 0, clRed);
    TBitmap b;
    b.Assign(&a);
    EXPECT_EQ(b.Handle(), a.Handle());
    b.Canvas().SetPixels(0, 0, clBlue);
    EXPECT_NE(b.Handle(), a.Handle());
    EXPECT_EQ(a.Canvas().Pixels(0, 0), clRed);
    EXPECT_EQ(b.Canvas().Pixels(0, 0), clBlue);
    b.Assign(&a);
    static_cast<uint8_t*>(a.ScanLine(1))[0] = 0x7F;
    EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(1))[0], 0);
}

TEST(Bitmap, LeavesNoGdiObjectsBehind)
{
    const DWORD before = tvmtest::GdiObjectCount();
    {
        TBitmap a, b;
        for (TPixelFormat format : {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
            PaintMarks(a, format);
            a.Palette();
            b.Assign(&a);
            b.SetTransparent(true);
            b.Canvas().Draw(0, 0, a);
            a.SetSize(5, 5);
            TMemoryStream stream;
            a.SaveToStream(stream);
            stream.SetPosition(0);
            b.LoadFromStream(stream);
        }
        DeleteObject(a.ReleaseHandle());
    }
    EXPECT_EQ(tvmtest::GdiObjectCount(), before);
}
