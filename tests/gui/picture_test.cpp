#include "Canvas.h"
#include "Exceptions.h"
#include "GraphicsTestSupport.h"
#include "GuiTestSupport.h"
#include "Icon.h"
#include "Jpeg.h"
#include "Picture.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <cstdlib>

using tvmtest::Surface;

namespace {

// Four 8 x 8 quadrants: red, lime / blue, white.
void PaintQuadrants(TBitmap& bitmap)
{
    bitmap.SetSize(16, 16);
    const TColor colors[] = {clRed, clLime, clBlue, clWhite};
    for (int i = 0; i < 4; ++i) {
        bitmap.Canvas().Brush().SetColor(colors[i]);
        bitmap.Canvas().FillRect(Bounds(i % 2 * 8, i / 2 * 8, 8, 8));
    }
}

bool Near(TColor a, TColor b, int tolerance)
{
    const auto x = static_cast<COLORREF>(a), y = static_cast<COLORREF>(b);
    return std::abs(GetRValue(x) - GetRValue(y)) <= tolerance && std::abs(GetGValue(x) - GetGValue(y)) <= tolerance &&
           std::abs(GetBValue(x) - GetBValue(y)) <= tolerance;
}

// A 16 x 16 icon: a green 8 x 8 square, the rest transparent.
HICON MakeIcon()
{
    TBitmap color, mask;
    color.SetSize(16, 16);
    color.Canvas().Brush().SetColor(clBlack);
    color.Canvas().FillRect(Rect(0, 0, 16, 16));
    color.Canvas().Brush().SetColor(clGreen);
    color.Canvas().FillRect(Rect(4, 4, 12, 12));
    mask.SetMonochrome(true);
    mask.SetSize(16, 16);
    mask.Canvas().Brush().SetColor(clWhite);
    mask.Canvas().FillRect(Rect(0, 0, 16, 16));
    mask.Canvas().Brush().SetColor(clBlack);
    mask.Canvas().FillRect(Rect(4, 4, 12, 12));
    color.FreeContext();
    mask.FreeContext();
    ICONINFO info{TRUE, 0, 0, mask.Handle(), color.Handle()};
    return CreateIconIndirect(&info);
}

}

TEST(Picture, LoadsEachRegisteredKindByExtension)
{
    tvmtest::ScratchDir dir;
    TBitmap bitmap;
    PaintQuadrants(bitmap);
    bitmap.SaveToFile(dir.Path() + "a.bmp");
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    jpeg.SaveToFile(dir.Path() + "a.JPG");
    TIcon icon;
    icon.SetHandle(MakeIcon());
    icon.SaveToFile(dir.Path() + "a.ico");

    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    for (auto [file, kind] : {std::pair{"a.bmp", "TBitmap"}, {"a.JPG", "TJPEGImage"}, {"a.ico", "TIcon"}}) {
        picture.LoadFromFile(dir.Path() + file);
        ASSERT_NE(picture.Graphic(), nullptr);
        EXPECT_EQ(picture.Graphic()->ClassName(), kind);
        EXPECT_EQ(picture.Width(), 16) << file;
    }
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(tvmtest::MessageOf<EInvalidGraphic>([&] { picture.LoadFromFile(dir.Path() + "a.xyz"); }),
              "Unknown picture file extension (.xyz)");

    TPicture::RegisterFileFormat("DIB", "Device-independent bitmaps", [] { return std::make_unique<TBitmap>(); });
    bitmap.SaveToFile(dir.Path() + "b.dib");
    picture.LoadFromFile(dir.Path() + "b.dib");
    EXPECT_EQ(picture.Graphic()->ClassName(), "TBitmap");
    EXPECT_NE(TPicture::GraphicFilter().find("|Device-independent bitmaps (*.dib)|*.dib"), std::string::npos);

    // A picture copies what it is given, and hears of its own graphic's changes.
    TPicture copy;
    copy.Assign(&picture);
    EXPECT_NE(copy.Graphic(), picture.Graphic());
    copy.OnChange = [&](TObject*) { changes = 100; };
    copy.Bitmap().Canvas().SetPixels(0, 0, clBlack);
    EXPECT_EQ(changes, 100);
    EXPECT_EQ(static_cast<TBitmap*>(picture.Graphic())->Canvas().Pixels(0, 0), clRed);
}

TEST(Picture, JpegKeepsThePictureAndRefusesBadData)
{
    TBitmap bitmap;
    PaintQuadrants(bitmap);
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    jpeg.CompressionQuality = 95;
    TMemoryStream stream;
    jpeg.SaveToStream(stream);
    stream.SetPosition(0);
    TJPEGImage loaded;
    loaded.LoadFromStream(stream);
    TBitmap decoded;
    decoded.Assign(&loaded);
    for (auto [x, y, color] : {std::tuple{3, 3, clRed}, {12, 3, clLime}, {3, 12, clBlue}, {12, 12, clWhite}})
        EXPECT_TRUE(Near(decoded.Canvas().Pixels(x, y), color, 24)) << x << "," << y;
    EXPECT_THROW(loaded.SetWidth(3), EInvalidGraphicOperation);

    TMemoryStream truncated;
    truncated.WriteBuffer(stream.Memory(), 40);
    truncated.SetPosition(0);
    EXPECT_THROW(loaded.LoadFromStream(truncated), EInvalidGraphic);
    EXPECT_EQ(loaded.Width(), 16);  // a failed load keeps the picture
}

TEST(Picture, IconsDrawThroughTheirMaskAndSurviveTheirFile)
{
    TIcon icon;
    icon.SetHandle(MakeIcon());
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_TRUE(icon.Transparent());
    TMemoryStream stream;
    icon.SaveToStream(stream);
    stream.SetPosition(0);
    TIcon loaded;
    loaded.LoadFromStream(stream);

    Surface surface(16, 16);
    surface.Fill(clYellow);
    surface.Canvas().Draw(0, 0, loaded);
    EXPECT_EQ(surface.Pixel(0, 0), clYellow);
    EXPECT_EQ(surface.Pixel(6, 6), clGreen);
    EXPECT_THROW(loaded.SetHeight(32), EInvalidGraphicOperation);

    TMemoryStream junk;
    junk.WriteBuffer("\0\0\1\0\1\0", 6);
    junk.SetPosition(0);
    EXPECT_EQ(tvmtest::MessageOf<EInvalidGraphic>([&] { loaded.LoadFromStream(junk); }), "Icon image is not valid");
}

TEST(Picture, LeavesNoGdiObjectsBehind)
{
    tvmtest::ScratchDir dir;
    const DWORD before = tvmtest::GdiObjectCount();
    {
        TIcon icon;
        icon.SetHandle(MakeIcon());
        icon.SaveToFile(dir.Path() + "a.ico");
        TPicture picture;
        picture.LoadFromFile(dir.Path() + "a.ico");
        Surface surface(16, 16);
        surface.Canvas().Draw(0, 0, *picture.Graphic());
        PaintQuadrants(picture.Bitmap());
        picture.Bitmap().SaveToFile(dir.Path() + "a.bmp");
        TJPEGImage jpeg;
        jpeg.Assign(&picture.Bitmap());
        jpeg.SaveToFile(dir.Path() + "a.jpg");
        picture.LoadFromFile(dir.Path() + "a.jpg");
        surface.Canvas().StretchDraw(Rect(0, 0, 8, 8), *picture.Graphic());
    }
    EXPECT_EQ(tvmtest::GdiObjectCount(), before);
}
