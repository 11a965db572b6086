#include "Canvas.h"
#include "Clipbrd.h"
#include "Exceptions.h"
#include "Graphics.h"
#include "Picture.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Clipboard, TextAndRegisteredFormatsGoTogetherWhileOpen)
{
    TClipboard& clipboard = *Clipboard();
    const UINT custom = TClipboard::RegisterFormat("Tavelomatic Test Data");
    ASSERT_NE(custom, 0u);
    EXPECT_EQ(TClipboard::RegisterFormat("Tavelomatic Test Data"), custom);

    clipboard.Open();
    clipboard.SetAsText("hello");
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(data), "\x01\x02\x03\x04", 4);
    GlobalUnlock(data);
    clipboard.SetAsHandle(custom, data);
    clipboard.Close();

    EXPECT_EQ(clipboard.AsText(), "hello");
    EXPECT_TRUE(clipboard.HasFormat(custom));
    HANDLE back = clipboard.GetAsHandle(custom);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(static_cast<const char*>(GlobalLock(back))[3], '\x04');
    GlobalUnlock(back);

    clipboard.SetAsText("again");  // a new put replaces everything
    EXPECT_FALSE(clipboard.HasFormat(custom));
    EXPECT_EQ(clipboard.AsText(), "again");
    clipboard.Clear();
    EXPECT_FALSE(clipboard.HasFormat(CF_TEXT));
    EXPECT_EQ(clipboard.AsText(), "");
}

TEST(Clipboard, BitmapsRoundTripIntoPictures)
{
    TBitmap bitmap;
    bitmap.SetSize(6, 4);
    bitmap.Canvas().Brush().SetColor(clBlue);
    bitmap.Canvas().FillRect(Rect(0, 0, 6, 4));
    bitmap.Canvas().SetPixels(5, 3, clRed);
    Clipboard()->Assign(&bitmap);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));

    TPicture picture;
    picture.Assign(Clipboard());
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassName(), "TBitmap");
    EXPECT_EQ(picture.Width(), 6);
    EXPECT_EQ(picture.Bitmap().Canvas().Pixels(5, 3), clRed);
    EXPECT_EQ(picture.Bitmap().Canvas().Pixels(0, 0), clBlue);

    Clipboard()->SetAsText("no picture");
    EXPECT_THROW(picture.Assign(Clipboard()), EInvalidGraphic);
}
