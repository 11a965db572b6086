#include "Canvas.h"
#include "Exceptions.h"
#include "GraphicsTestSupport.h"
#include "WindowCanvas.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using tvmtest::Surface;

namespace {

struct ExpectedPixel {
    int x, y;
    TColor color;
};

void ExpectPixels(Surface& surface, std::initializer_list<ExpectedPixel> expected)
{
    for (const auto& [x, y, color] : expected)
        EXPECT_EQ(surface.Pixel(x, y), color) << "at " << x << "," << y;
}

}

TEST(Canvas, ShapesDrawWithPenAndBrush)
{
    Surface surface(40, 40);
    surface.Fill(clWhite);
    TCanvas& canvas = surface.Canvas();
    canvas.Pen().SetColor(clBlue);
    canvas.Brush().SetColor(clLime);
    canvas.Rectangle(2, 2, 12, 12);
    canvas.Brush().SetColor(clRed);
    canvas.FrameRect(Rect(20, 2, 30, 12));
    canvas.MoveTo(0, 20);
    canvas.Pen().SetColor(clFuchsia);
    canvas.LineTo(10, 20);
    canvas.SetPixels(35, 35, clYellow);
    ExpectPixels(surface, {
        {2, 2, clBlue}, {11, 11, clBlue}, {12, 12, clWhite}, {6, 6, clLime},  // pen outlines, brush fills
        {20, 2, clRed}, {29, 11, clRed}, {25, 6, clWhite},                    // a frame leaves its inside
        {0, 20, clFuchsia}, {9, 20, clFuchsia}, {10, 20, clWhite},            // a line stops short of its end
        {35, 35, clYellow},
    });
    EXPECT_EQ(canvas.Pixels(35, 35), clYellow);
    EXPECT_EQ(canvas.PenPos().x, 10);

    // System colours resolve to the system's current value.
    canvas.Brush().SetColor(clBtnShadow);
    canvas.FillRect(Rect(0, 30, 5, 35));
    EXPECT_EQ(surface.Pixel(2, 32), static_cast<TColor>(GetSysColor(COLOR_BTNSHADOW)));
}

TEST(Canvas, Frame3DLightsTopLeftAndShadesBottomRight)
{
    Surface surface(10, 10);
    surface.Fill(clWhite);
    TRect rect = Rect(0, 0, 10, 10);
    Frame3D(surface.Canvas(), rect, clRed, clBlue, 2);
    EXPECT_EQ(rect.left, 2);
    EXPECT_EQ(rect.bottom, 8);
    ExpectPixels(surface, {
        {0, 0, clRed}, {8, 0, clRed}, {9, 0, clBlue}, {0, 9, clRed}, {9, 9, clBlue}, {5, 9, clBlue},
        {1, 1, clRed}, {8, 8, clBlue}, {8, 1, clBlue}, {2, 2, clWhite},
    });
}

TEST(Canvas, TextFillsBehindOnlyWithASolidBrushAndClipsToItsRect)
{
    Surface surface(60, 30);
    surface.Fill(clWhite);
    TCanvas& canvas = surface.Canvas();
    canvas.Font().SetColor(clBlack);
    EXPECT_GT(canvas.TextWidth("WWWW"), canvas.TextWidth("W"));
    EXPECT_GT(canvas.TextHeight("W"), 0);

    canvas.Brush().SetStyle(bsClear);
    canvas.TextOut(0, 0, "W");
    EXPECT_EQ(canvas.PenPos().x, canvas.TextWidth("W"));
    EXPECT_EQ(surface.Pixel(0, canvas.TextHeight("W") - 1), clWhite);  // below the baseline nothing is drawn

    canvas.Brush().SetColor(clYellow);
    canvas.TextRect(Rect(30, 0, 40, 10), 30, 0, "WWWWWWWW");
    ExpectPixels(surface, {{39, 9, clYellow}, {40, 5, clWhite}, {50, 5, clWhite}, {35, 10, clWhite}});
}

TEST(Canvas, CopyRectFollowsCopyModeAndStretches)
{
    Surface source(4, 4);
    source.Fill(clRed);
    Surface dest(8, 8);
    dest.Fill(clWhite);
    dest.Canvas().CopyRect(Rect(0, 0, 8, 8), source.Canvas(), Rect(0, 0, 4, 4));
    EXPECT_EQ(dest.Pixel(7, 7), clRed);
    dest.Canvas().SetCopyMode(cmNotSrcCopy);
    dest.Canvas().CopyRect(Rect(0, 0, 2, 2), source.Canvas(), Rect(0, 0, 4, 4));
    EXPECT_EQ(dest.Pixel(1, 1), clAqua);
    EXPECT_EQ(dest.Pixel(2, 2), clRed);
}

// A font, pen or brush that changes while selected must leave the DC before
// it is deleted: otherwise the system refuses to delete it and it leaks.
TEST(Canvas, ChangedToolsLeaveTheDCBeforeTheyGo)
{
    Surface surface(8, 8);
    TCanvas& canvas = surface.Canvas();
    canvas.TextWidth("x");
    canvas.Rectangle(0, 0, 4, 4);
    HGDIOBJ font = GetCurrentObject(surface.DC(), OBJ_FONT);
    HGDIOBJ pen = GetCurrentObject(surface.DC(), OBJ_PEN);
    HGDIOBJ brush = GetCurrentObject(surface.DC(), OBJ_BRUSH);
    ASSERT_EQ(font, canvas.Font().Handle());
    canvas.Font().SetHeight(-30);
    canvas.Pen().SetWidth(3);
    canvas.Brush().SetStyle(bsCross);
    for (HGDIOBJ old : {font, pen, brush}) EXPECT_EQ(GetObjectType(old), 0u);
    canvas.Rectangle(0, 0, 4, 4);
    EXPECT_EQ(GetCurrentObject(surface.DC(), OBJ_PEN), canvas.Pen().Handle());
}

TEST(Canvas, ALentDCGetsItsOwnObjectsBack)
{
    TMemoryDCHandle dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ font = GetCurrentObject(dc.Get(), OBJ_FONT);
    const HGDIOBJ pen = GetCurrentObject(dc.Get(), OBJ_PEN);
    const int mode = GetBkMode(dc.Get());
    {
        TCanvas canvas;
        canvas.SetHandle(dc.Get());
        canvas.Brush().SetStyle(bsClear);
        canvas.Pen().SetColor(clRed);
        canvas.TextOut(0, 0, "x");
        canvas.LineTo(3, 3);
        EXPECT_NE(GetCurrentObject(dc.Get(), OBJ_FONT), font);
    }
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_FONT), font);
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_PEN), pen);
    EXPECT_EQ(GetBkMode(dc.Get()), mode);
    EXPECT_NE(GetObjectType(dc.Get()), 0u);  // lent, so not freed
}

TEST(Canvas, WithoutAWayToADCDrawingRaises)
{
    TCanvas canvas;
    EXPECT_THROW(canvas.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
    TControlCanvas windowless;
    EXPECT_THROW(windowless.Handle(), EInvalidOperation);
}

TEST(Canvas, LockNestsAndExcludesOtherThreads)
{
    TCanvas canvas;
    canvas.Lock();
    canvas.Lock();
    EXPECT_EQ(canvas.LockCount(), 2);
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = canvas.TryLock(); }).join();
    EXPECT_FALSE(otherGotIt);
    canvas.Unlock();
    canvas.Unlock();
    EXPECT_EQ(canvas.LockCount(), 0);
}

namespace {

// A plain window that paints itself green through a paint canvas.
LRESULT CALLBACK PaintGreen(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_PAINT) return DefWindowProcA(window, msg, wParam, lParam);
    TPaintCanvas canvas(window);
    canvas.Brush().SetColor(clGreen);
    canvas.FillRect(canvas.PaintRect());
    return 0;
}

HWND MakeWindow()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = PaintGreen;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TvmCanvasTestWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(window);
    return window;
}

TColor WindowPixel(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const auto color = static_cast<TColor>(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return color;
}

}

TEST(WindowCanvas, PaintCanvasValidatesAndControlCanvasDrawsOutsidePainting)
{
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
    EXPECT_EQ(WindowPixel(window, 5, 5), clGreen);

    TControlCanvas canvas(window);
    canvas.Brush().SetColor(clRed);
    for (int round = 0; round < 50; ++round) {  // a leaked window DC would run the cache dry
        canvas.FillRect(Rect(0, 0, 10, 10));
        canvas.FreeWindowDC();
    }
    EXPECT_EQ(WindowPixel(window, 5, 5), clRed);
    EXPECT_EQ(WindowPixel(window, 15, 15), clGreen);

    // A DC set from outside is drawn on and left to its owner.
    HDC dc = GetDC(window);
    canvas.SetHandle(dc);
    canvas.Brush().SetColor(clBlue);
    canvas.FillRect(Rect(10, 10, 20, 20));
    canvas.SetHandle(nullptr);
    EXPECT_NE(GetCurrentObject(dc, OBJ_BRUSH), canvas.Brush().Handle());
    ReleaseDC(window, dc);
    EXPECT_EQ(WindowPixel(window, 15, 15), clBlue);
    DestroyWindow(window);
}

TEST(Canvas, LeavesNoGdiObjectsBehind)
{
    const DWORD before = tvmtest::GdiObjectCount();
    ASSERT_GT(before, 0u);
    {
        Surface surface(16, 16);
        TCanvas& canvas = surface.Canvas();
        for (int round = 0; round < 5; ++round) {
            canvas.Font().SetHeight(-10 - round);
            canvas.Pen().SetColor(clRed + round);
            canvas.Brush().SetStyle(round % 2 ? bsSolid : bsDiagCross);
            canvas.TextOut(0, 0, "x");
            canvas.Ellipse(0, 0, 8, 8);
        }
        TRect rect = Rect(0, 0, 16, 16);
        Frame3D(canvas, rect, clWhite, clBlack, 2);
    }
    EXPECT_EQ(tvmtest::GdiObjectCount(), before);
}

TEST(Canvas, PatternBrushesTileAndClippingShowsInClipRect)
{
    TBitmap pattern;
    pattern.SetSize(8, 8);  // the system takes the top-left 8 x 8 of a pattern
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) pattern.Canvas().SetPixels(x, y, (x + y) % 2 ? clRed : clBlue);
    Surface surface(16, 16);
    surface.Fill(clWhite);
    TCanvas& canvas = surface.Canvas();
    EXPECT_EQ(canvas.ClipRect().right, 16);
    IntersectClipRect(canvas.Handle(), 0, 0, 10, 12);
    EXPECT_EQ(canvas.ClipRect().right, 10);
    EXPECT_EQ(canvas.ClipRect().bottom, 12);
    canvas.Brush().SetBitmap(&pattern);
    canvas.FillRect(Rect(0, 0, 16, 16));
    ExpectPixels(surface, {{0, 0, clBlue}, {1, 0, clRed}, {9, 11, clBlue}, {8, 11, clRed}, {10, 0, clWhite}, {0, 12, clWhite}});
}
