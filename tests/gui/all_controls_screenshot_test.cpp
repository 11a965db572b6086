// One form holding every control of the layer, photographed into the test
// output folder (gui-all-controls.png) so that a reader can see what the
// controls look like together; the test checks that the picture shows more
// than a blank form.
#include <gtest/gtest.h>

#include "Buttons.h"
#include "ControlTestSupport.h"
#include "ExtCtrls.h"
#include "GuiTestSupport.h"
#include "ImageList.h"
#include "ListBoxes.h"
#include "Mask.h"
#include "PngFile.h"
#include "Picture.h"
#include "ScrollBox.h"
#include "ShellCtrls.h"
#include "Spin.h"
#include "TestSupport.h"
#include "ToolBars.h"

#include <ole2.h>

#include <set>

using namespace tvmtest;

namespace {

// What the screen shows of the window now.
std::vector<COLORREF> Capture(HWND window, int& width, int& height)
{
    RECT bounds;
    GetWindowRect(window, &bounds);
    width = bounds.right - bounds.left;
    height = bounds.bottom - bounds.top;
    TPixels pixels(width, height);
    HDC screen = GetDC(nullptr);
    BitBlt(pixels.DC(), 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    std::vector<COLORREF> result;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) result.push_back(pixels.At(x, y));
    return result;
}

template <typename T>
T* Make(TWinControl* parent, int left, int top, int width, int height, const std::string& caption = {})
{
    auto* control = new T(parent);
    control->SetBounds(left, top, width, height);
    if (!caption.empty()) control->SetCaption(caption);
    control->SetParent(parent);
    return control;
}

}

TEST(AllControls, ScreenshotOfAFormWithEveryControlIsKept)
{
    OleInitialize(nullptr);
    TTestForm form(nullptr, 760, 560);
    form.SetCaption("Every control");

    auto* bar = Make<TToolBar>(&form, 0, 0, 760, 26);
    bar->SetFlat(true);
    bar->SetShowCaptions(true);
    bar->SetList(true);
    bar->SetAutoSize(true);
    for (const char* caption : {"New", "Open", "Save"}) Make<TToolButton>(bar, 0, 0, 23, 22, caption);
    auto* bold = Make<TToolButton>(bar, 0, 0, 23, 22, "Bold");
    bold->SetStyle(tbsCheck);
    bold->SetDown(true);
    auto* status = Make<TStatusBar>(&form, 0, 0, 760, 20);
    status->SetSimpleText("Ready");

    Make<TLabel>(&form, 10, 40, 80, 16, "A label");
    auto* image = Make<TImage>(&form, 100, 36, 24, 24);
    image->Picture()->Bitmap().SetSize(24, 24);
    image->Picture()->Bitmap().Canvas().Brush().SetColor(clNavy);
    image->Picture()->Bitmap().Canvas().FillRect(Rect(0, 0, 24, 24));
    Make<TButton>(&form, 10, 66, 80, 25, "Button");
    auto* bitBtn = Make<TBitBtn>(&form, 100, 66, 80, 25, "BitBtn");
    // A green disc; the fuchsia of the bottom-left pixel is the glyph's
    // transparent colour, as in every glyph.
    bitBtn->Glyph().SetSize(16, 16);
    TCanvas& glyph = bitBtn->Glyph().Canvas();
    glyph.Brush().SetColor(clFuchsia);
    glyph.FillRect(Rect(0, 0, 16, 16));
    glyph.Brush().SetColor(clGreen);
    glyph.Pen().SetColor(clGreen);
    glyph.Ellipse(2, 2, 14, 14);
    auto* speed = Make<TSpeedButton>(&form, 190, 66, 60, 25, "Speed");
    speed->SetFlat(false);
    Make<TCheckBox>(&form, 10, 98, 100, 20, "Check box")->SetChecked(true);
    Make<TRadioButton>(&form, 120, 98, 110, 20, "Radio button")->SetChecked(true);
    Make<TEdit>(&form, 10, 124, 110, 21, "Edit");
    auto* mask = Make<TMaskEdit>(&form, 130, 124, 110, 21);
    mask->SetEditMask("00:00;1;_");
    mask->SetText("1234");
    auto* spin = Make<TSpinEdit>(&form, 10, 152, 80, 21);
    spin->SetValue(42);
    auto* combo = Make<TComboBox>(&form, 100, 152, 140, 21);
    combo->Items()->SetCommaText("First,Second");
    combo->SetItemIndex(1);
    auto* memo = Make<TMemo>(&form, 10, 180, 230, 50);
    memo->Lines()->SetCommaText("\"A memo,\",\"two lines\"");
    auto* list = Make<TListBox>(&form, 10, 236, 110, 70);
    list->Items()->SetCommaText("List,box,rows");
    auto* checks = Make<TCheckListBox>(&form, 130, 236, 110, 70);
    checks->Items()->SetCommaText("Checked,Unchecked");
    checks->SetChecked(0, true);
    auto* progress = Make<TProgressBar>(&form, 10, 314, 230, 16);
    progress->SetPosition(60);
    auto* track = Make<TTrackBar>(&form, 10, 334, 230, 30);
    track->SetPosition(4);
    Make<TDateTimePicker>(&form, 10, 368, 230, 21)->SetDateTime(EncodeDate(2026, 12, 10));

    auto* panel = Make<TPanel>(&form, 260, 40, 230, 60, "Panel");
    panel->SetBevelInner(bvLowered);
    auto* group = Make<TGroupBox>(&form, 260, 106, 230, 60, "Group box");
    Make<TLabel>(group, 10, 24, 120, 16, "Inside the group");
    auto* scroll = Make<TScrollBox>(&form, 260, 172, 230, 80);
    Make<TLabel>(scroll, 10, 10, 100, 16, "Scrolled");
    Make<TButton>(scroll, 10, 100, 80, 25, "Far below");
    auto* pages = Make<TPageControl>(&form, 260, 258, 230, 130);
    for (const char* caption : {"First page", "Second"}) {
        auto* sheet = new TTabSheet(&form);
        sheet->SetCaption(caption);
        sheet->SetPageControl(pages);
    }
    Make<TLabel>(pages->Pages(0), 10, 10, 150, 16, "On the first page");
    auto* left = Make<TPanel>(&form, 500, 40, 80, 120, "Left");
    left->SetAlign(alNone);
    Make<TSplitter>(&form, 580, 40, 4, 120);
    Make<TPanel>(&form, 584, 40, 166, 120, "Right of a splitter");

    // The list is wide enough for its detail columns.
    auto* tree = Make<TShellTreeView>(&form, 500, 170, 250, 336);
    auto* files = Make<TShellListView>(&form, 10, 398, 480, 112);
    files->SetShellTreeView(tree);
    ScratchDir dir;
    const std::string movies = dir.Path() + "Movies\\";
    for (const std::string& folder : {movies, movies + "Clips\\", movies + "Music\\"})
        CreateDirectoryA(folder.c_str(), nullptr);
    for (auto [name, size] : {std::pair{"intro.swf", 1500}, {"trailer.flv", 250000}, {"notes.txt", 40}})
        WriteFile(movies + name, Bytes(static_cast<size_t>(size), 0));
    form.Show();
    SetForegroundWindow(form.Handle());
    tree->SetPath(movies);
    form.Repaint();
    for (int i = 0; i < form.ControlCount(); ++i) form.Controls(i)->Repaint();
    const DWORD shown = GetTickCount();
    PumpUntil([&] { return GetTickCount() - shown > 300; });

    int width = 0, height = 0;
    std::vector<COLORREF> pixels = Capture(form.Handle(), width, height);
    std::set<COLORREF> colours(pixels.begin(), pixels.end());
    EXPECT_GT(colours.size(), 10u) << "the controls drew themselves";
    const std::string file = OutputDir() + "gui-all-controls.png";
    WriteFile(file, EncodePng(width, height, false, [&](int x, int y) {
                  COLORREF c = pixels[static_cast<size_t>(y) * width + x];
                  return uint32_t{GetRValue(c)} << 16 | uint32_t{GetGValue(c)} << 8 | GetBValue(c);
              }));
    EXPECT_GT(ReadFile(file).size(), static_cast<size_t>(width * height * 3));
}
