#include "ControlTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

using namespace tvmtest;

namespace {

// A windowed control that logs the creation and destruction of its window
// under the class name it has at that moment.
class TLoggingPanel : public TWinControl {
public:
    TLoggingPanel(TComponent* owner, TWinControl* parent, TMessageLog& log, const std::string& name)
        : TWinControl(owner), log_(log)
    {
        SetName(name);
        SetBounds(0, 0, 50, 50);
        SetParent(parent);
    }
    std::string ClassName() const override { return "TLoggingPanel"; }

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_CREATE) log_.push_back("create " + Name());
        if (message.Msg == WM_DESTROY) log_.push_back("destroy " + Name() + " " + ClassName());
        TWinControl::WndProc(message);
    }

private:
    TMessageLog& log_;
};

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b);
}

std::string Describe(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

}

TEST(ControlTree, ChildWindowsComeAfterTheirParentAndGoBeforeItWhileWhole)
{
    TMessageLog log;
    auto* form = new TTestForm(nullptr);
    auto* outer = new TLoggingPanel(form, form, log, "outer");
    auto* inner = new TLoggingPanel(form, outer, log, "inner");
    EXPECT_FALSE(outer->HandleAllocated()) << "a parent without a window does not make its children's";

    // Asked first, the innermost window still comes last, and only once.
    inner->HandleNeeded();
    EXPECT_EQ(log, (TMessageLog{"create outer", "create inner"}));
    EXPECT_EQ(GetParent(inner->Handle()), outer->Handle());
    EXPECT_EQ(GetParent(outer->Handle()), form->Handle());
    EXPECT_TRUE(GetWindowLongPtrA(inner->Handle(), GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(TWinControl::FindControl(inner->Handle()), inner);

    log.clear();
    form->Free();
    EXPECT_EQ(log, (TMessageLog{"destroy inner TLoggingPanel", "destroy outer TLoggingPanel"}));
}

TEST(ControlTree, ParentIsNotOwner)
{
    TTestForm form(nullptr);
    TMessageLog log;
    auto* panel = new TLoggingPanel(nullptr, &form, log, "panel");
    TSwatch swatch(&form, panel, RGB(0, 0, 0), RECT{1, 2, 3, 4});
    EXPECT_EQ(swatch.Owner(), &form);
    EXPECT_EQ(swatch.Parent(), panel);
    ASSERT_EQ(panel->ControlCount(), 1);
    EXPECT_EQ(panel->Controls(0), &swatch);

    swatch.SetParent(&form);
    EXPECT_EQ(panel->ControlCount(), 0);
    swatch.SetParent(panel);
    delete panel;
    EXPECT_EQ(swatch.Parent(), nullptr) << "a freed parent leaves its children to their owners";
    EXPECT_EQ(form.ControlCount(), 0);
}

TEST(ControlTree, AFreedWindowedChildLeavesItsParentsTabOrder)
{
    TTestForm form(nullptr);
    TMessageLog log;
    TLoggingPanel first(&form, &form, log, "first");
    auto* second = new TLoggingPanel(&form, &form, log, "second");
    TLoggingPanel third(&form, &form, log, "third");
    EXPECT_EQ(third.TabOrder(), 2);
    second->Free();
    EXPECT_EQ(third.TabOrder(), 1);
    EXPECT_EQ(form.ControlCount(), 2);
}

TEST(ControlTree, RecreatedWindowKeepsChildrenAndText)
{
    TTestForm form(nullptr);
    TMessageLog log;
    TLoggingPanel panel(&form, &form, log, "panel");
    panel.SetCaption("kept");
    form.HandleNeeded();
    HWND old = panel.Handle();
    panel.SetCaption("changed while shown");

    form.RecreateWnd();
    EXPECT_NE(panel.Handle(), old);
    EXPECT_EQ(GetParent(panel.Handle()), form.Handle());
    EXPECT_EQ(panel.Caption(), "changed while shown");
    char text[64] = "";
    GetWindowTextA(panel.Handle(), text, sizeof(text));
    EXPECT_STREQ(text, "changed while shown");
}

TEST(ControlTree, AlignPlacesChildrenAndFollowsResizes)
{
    TTestForm form(nullptr, 300, 200);
    form.HandleNeeded();
    form.SetClientSize(200, 100);
    TMessageLog log;
    auto child = [&](TControl* control, TAlign align, RECT bounds) {
        control->SetBoundsRect(bounds);
        control->SetAlign(align);
        return control;
    };
    TControl* top = child(new TLoggingPanel(&form, &form, log, "top"), alTop, RECT{5, 5, 50, 25});
    TControl* bottom = child(new TSwatch(&form, &form, 0, RECT{0, 0, 10, 10}), alBottom, RECT{0, 0, 10, 10});
    TControl* left = child(new TLoggingPanel(&form, &form, log, "left"), alLeft, RECT{0, 0, 30, 10});
    TControl* right = child(new TSwatch(&form, &form, 0, RECT{0, 0, 15, 5}), alRight, RECT{0, 0, 15, 5});
    TControl* client = child(new TLoggingPanel(&form, &form, log, "client"), alClient, RECT{0, 0, 1, 1});
    TControl* anchored = child(new TSwatch(&form, &form, 0, RECT{0, 0, 1, 1}), alNone, RECT{150, 60, 190, 90});
    anchored->SetAnchors(akRight | akBottom);
    TControl* stretched = child(new TSwatch(&form, &form, 0, RECT{0, 0, 1, 1}), alNone, RECT{40, 40, 160, 50});
    stretched->SetAnchors(akLeft | akRight | akTop);

    struct {
        TControl* control;
        RECT before, after;
    } expected[] = {
        {top, {0, 0, 200, 20}, {0, 0, 250, 20}},          {bottom, {0, 90, 200, 100}, {0, 130, 250, 140}},
        {left, {0, 20, 30, 90}, {0, 20, 30, 130}},        {right, {185, 20, 200, 90}, {235, 20, 250, 130}},
        {client, {30, 20, 185, 90}, {30, 20, 235, 130}}, {anchored, {150, 60, 190, 90}, {200, 100, 240, 130}},
        {stretched, {40, 40, 160, 50}, {40, 40, 210, 50}},
    };
    for (auto& e : expected)
        EXPECT_TRUE(SameRect(e.control->BoundsRect(), e.before)) << Describe(e.control->BoundsRect());
    EXPECT_EQ(client->Width(), static_cast<TWinControl*>(client)->ClientWidth());

    form.SetClientSize(250, 140);
    for (auto& e : expected)
        EXPECT_TRUE(SameRect(e.control->BoundsRect(), e.after)) << Describe(e.control->BoundsRect());

    top->SetHeight(30);
    EXPECT_TRUE(SameRect(left->BoundsRect(), RECT{0, 30, 30, 130})) << "a change of an aligned child realigns";
    top->Hide();
    EXPECT_TRUE(SameRect(left->BoundsRect(), RECT{0, 0, 30, 130})) << "hidden children take no room";
}

TEST(ControlTree, ColorAndFontFollowTheParentUntilSetThemselves)
{
    TTestForm form(nullptr);
    TMessageLog log;
    TLoggingPanel follower(&form, &form, log, "follower");
    TSwatch own(&form, &form, 0, RECT{0, 0, 1, 1});
    follower.SetParentColor(true);
    own.SetColor(clYellow);

    form.SetColor(clRed);
    form.Font()->SetSize(14);
    EXPECT_EQ(follower.Color(), clRed);
    EXPECT_TRUE(follower.ParentColor());
    EXPECT_EQ(own.Color(), clYellow);
    EXPECT_EQ(follower.Font()->GetSize(), 14);
    EXPECT_EQ(own.Font()->GetSize(), 14);
    EXPECT_TRUE(follower.ParentFont());

    follower.SetColor(clBlue);
    follower.Font()->SetSize(9);
    form.SetColor(clGreen);
    form.Font()->SetSize(20);
    EXPECT_EQ(follower.Color(), clBlue);
    EXPECT_FALSE(follower.ParentColor());
    EXPECT_EQ(follower.Font()->GetSize(), 9);
    EXPECT_FALSE(follower.ParentFont());
    EXPECT_EQ(own.Font()->GetSize(), 20);
}

TEST(ControlTree, CoordinatesOfWindowedAndWindowlessChildren)
{
    TTestForm form(nullptr);
    TMessageLog log;
    TLoggingPanel panel(&form, &form, log, "panel");
    panel.SetBounds(30, 40, 100, 80);
    TSwatch swatch(&form, &panel, 0, RECT{10, 20, 30, 40});
    form.HandleNeeded();
    POINT origin{0, 0};
    ClientToScreen(form.Handle(), &origin);

    POINT screen = swatch.ClientToScreen(POINT{1, 2});
    EXPECT_EQ(screen.x, origin.x + 30 + 10 + 1);
    EXPECT_EQ(screen.y, origin.y + 40 + 20 + 2);
    POINT back = swatch.ScreenToClient(screen);
    EXPECT_EQ(back.x, 1);
    EXPECT_EQ(back.y, 2);

    TSwatch orphan(nullptr, nullptr, 0, RECT{0, 0, 1, 1});
    EXPECT_THROW(orphan.ClientToScreen(POINT{0, 0}), EInvalidOperation);
}

TEST(ControlTree, VisibleAndEnabledReachTheWindow)
{
    TTestForm form(nullptr);
    TMessageLog log;
    TLoggingPanel panel(&form, &form, log, "panel");
    panel.SetEnabled(false);
    form.HandleNeeded();
    EXPECT_FALSE(IsWindowEnabled(panel.Handle()));
    panel.SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(panel.Handle()));
    panel.Hide();
    EXPECT_FALSE(GetWindowLongPtrA(panel.Handle(), GWL_STYLE) & WS_VISIBLE);
    panel.Show();
    EXPECT_TRUE(GetWindowLongPtrA(panel.Handle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(GetParentForm(&panel), &form);
}

TEST(ControlTree, ChangesAreToldAsComponentMessages)
{
    TTestForm form(nullptr);
    TSwatch swatch(&form, &form, 0, RECT{0, 0, 10, 10});
    swatch.SetParentColor(true);
    form.HandleNeeded();
    TMessageLog log;
    auto swatchProc = swatch.WindowProc;
    swatch.WindowProc = [&](TMessage& message) {
        static const std::pair<UINT, const char*> Names[] = {
            {CM_COLORCHANGED, "color"},         {CM_FONTCHANGED, "font"},
            {CM_TEXTCHANGED, "text"},           {CM_ENABLEDCHANGED, "enabled"},
            {CM_VISIBLECHANGED, "visible"},     {CM_PARENTCOLORCHANGED, "parent color"},
            {CM_PARENTFONTCHANGED, "parent font"}, {CM_CURSORCHANGED, "cursor"},
            {CM_SYSCOLORCHANGE, "system colors"},
        };
        for (auto& [msg, name] : Names)
            if (message.Msg == msg) log.push_back(name);
        swatchProc(message);
    };
    struct {
        const char* action;
        std::function<void()> act;
        TMessageLog expected;
    } cases[] = {
        {"parent colour", [&] { form.SetColor(clRed); }, {"parent color", "color"}},
        {"parent font", [&] { form.Font()->SetSize(15); }, {"parent font", "font"}},
        {"system colours", [&] { SendMessageA(form.Handle(), WM_SYSCOLORCHANGE, 0, 0); }, {"system colors"}},
        {"own colour", [&] { swatch.SetColor(clBlue); }, {"color"}},
        {"own font", [&] { swatch.Font()->SetStyle(fsItalic); }, {"font"}},
        {"text", [&] { swatch.SetText("new"); }, {"text"}},
        {"same text", [&] { swatch.SetCaption("new"); }, {}},
        {"enabled", [&] { swatch.SetEnabled(false); }, {"enabled"}},
        {"visible", [&] { swatch.Hide(); }, {"visible"}},
        {"cursor", [&] { swatch.SetCursor(crHelp); }, {"cursor"}},
    };
    for (auto& c : cases) {
        log.clear();
        c.act();
        EXPECT_EQ(log, c.expected) << c.action;
    }
}
