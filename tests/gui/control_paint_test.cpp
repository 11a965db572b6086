#include "ControlTestSupport.h"

#include <gtest/gtest.h>

using namespace tvmtest;

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);
constexpr COLORREF Green = RGB(0, 160, 0);

// A windowed control that paints itself in one colour.
class TPlate : public TCustomControl {
public:
    TPlate(TComponent* owner, TWinControl* parent, RECT bounds) : TCustomControl(owner)
    {
        SetBoundsRect(bounds);
        SetParent(parent);
    }
    std::string ClassName() const override { return "TPlate"; }

protected:
    void Paint() override
    {
        Canvas()->Brush().SetColor(static_cast<TColor>(Green));
        Canvas()->FillRect(ClientRect());
    }
};

}

TEST(ControlPainting, WindowlessChildrenArePaintedInZOrderClippedBelowWindowedOnes)
{
    TTestForm form(nullptr);
    form.SetColor(clWhite);
    TSwatch red(&form, &form, Red, RECT{10, 10, 60, 60});
    TSwatch blue(&form, &form, Blue, RECT{40, 40, 90, 90});
    TPlate plate(&form, &form, RECT{0, 80, 200, 120});
    form.Show();
    form.Update();
    HWND window = form.Handle();

    struct {
        int x, y;
        COLORREF color;
    } expected[] = {
        {20, 20, Red}, {50, 50, Blue}, {85, 50, Blue}, {5, 5, White}, {65, 20, White}, {95, 95, Green}, {150, 60, White},
        {85, 85, Green},
    };
    for (auto& e : expected) EXPECT_EQ(ClientPixel(window, e.x, e.y), e.color) << e.x << "," << e.y;

    red.BringToFront();
    form.Update();
    EXPECT_EQ(ClientPixel(window, 50, 50), Red);
    EXPECT_EQ(form.Controls(form.ControlCount() - 1), &plate) << "windowless controls stay below windowed ones";

    blue.Hide();
    form.Update();
    EXPECT_EQ(ClientPixel(window, 85, 50), White);
}

TEST(ControlPainting, OpaqueWindowlessControlRepaintsAtOnce)
{
    TTestForm form(nullptr);
    form.SetColor(clWhite);
    TSwatch swatch(&form, &form, Red, RECT{10, 10, 60, 60});
    TSwatch above(&form, &form, Blue, RECT{50, 50, 70, 70});
    swatch.SetControlStyle(swatch.ControlStyle() | csOpaque);
    form.Show();
    form.Update();

    swatch.Fill = Green;
    swatch.Repaint();
    EXPECT_EQ(ClientPixel(form.Handle(), 20, 20), Green);
    EXPECT_EQ(ClientPixel(form.Handle(), 55, 55), Blue) << "the controls above are painted again too";
}

TEST(ControlPainting, ParentPaintsIntoADCGivenInWParam)
{
    TTestForm form(nullptr);
    form.SetColor(clWhite);
    TSwatch red(&form, &form, Red, RECT{10, 10, 30, 30});
    TPlate plate(&form, &form, RECT{0, 100, 50, 150});
    form.HandleNeeded();

    // As a child paints its parent's image behind itself: the parent's
    // point (5, 5) lands at the DC's (0, 0).
    TPixels pixels(60, 60);
    SetViewportOrgEx(pixels.DC(), -5, -5, nullptr);
    SendMessageA(form.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(pixels.DC()), 0);
    SendMessageA(form.Handle(), WM_PAINT, reinterpret_cast<WPARAM>(pixels.DC()), 0);
    struct {
        int x, y;
        COLORREF color;
    } expected[] = {{0, 0, White}, {4, 4, White}, {5, 5, Red}, {24, 24, Red}, {25, 25, White}, {59, 59, White}};
    for (auto& e : expected) EXPECT_EQ(pixels.At(e.x, e.y), e.color) << e.x << "," << e.y;

    TPixels platePixels(10, 10);
    SendMessageA(plate.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(platePixels.DC()), PRF_CLIENT);
    EXPECT_EQ(platePixels.At(5, 5), Green);
}

TEST(ControlPainting, FormCanvasDrawsWhilePaintingAndOutsideOfIt)
{
    TTestForm form(nullptr);
    form.SetColor(clWhite);
    form.OnPaint = [&](TObject*) {
        form.Canvas()->Brush().SetColor(clBlue);
        form.Canvas()->FillRect(Rect(0, 0, 20, 20));
    };
    form.Show();
    form.Update();
    EXPECT_EQ(ClientPixel(form.Handle(), 10, 10), Blue);

    form.Canvas()->Brush().SetColor(clRed);
    form.Canvas()->FillRect(Rect(50, 50, 60, 60));
    EXPECT_EQ(ClientPixel(form.Handle(), 55, 55), Red);

    TPixels pixels(30, 30);
    SendMessageA(form.Handle(), WM_PAINT, reinterpret_cast<WPARAM>(pixels.DC()), 0);
    EXPECT_EQ(pixels.At(10, 10), Blue);
}

TEST(ControlPainting, AFormWithTwentyControlsLeavesNoHandlesBehind)
{
    auto build = [] {
        auto* form = new TTestForm(nullptr);
        for (int i = 0; i < 10; ++i) {
            new TSwatch(form, form, Red, RECT{i * 10, 0, i * 10 + 8, 8});
            auto* plate = new TPlate(form, form, RECT{i * 10, 20, i * 10 + 8, 28});
            plate->Font()->SetSize(9 + i);
            plate->SetColor(clBlue);
        }
        form->Font()->SetStyle(fsBold);
        form->Show();
        form->Update();
        form->Controls(0)->Repaint();
        form->Free();
        Pump();
    };
    build();
    DWORD gdi = GdiObjectCount();
    DWORD user = WindowCount();
    ASSERT_GT(gdi, 0u);
    build();
    EXPECT_EQ(GdiObjectCount(), gdi);
    EXPECT_EQ(WindowCount(), user);
}
