#include "Forms.h"
#include "Menus.h"
#include "Timers.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// One entry of a system menu as the system reports it.
struct TShownItem {
    std::string text;
    UINT type;
    UINT state;
    bool subMenu;
    bool operator==(const TShownItem&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TShownItem& item)
{
    return out << "{\"" << item.text << "\", type " << item.type << ", state " << item.state
               << (item.subMenu ? ", sub-menu}" : "}");
}

constexpr UINT StateBits = MFS_GRAYED | MFS_CHECKED | MFS_DEFAULT;

std::vector<TShownItem> Shown(HMENU menu)
{
    std::vector<TShownItem> shown;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        shown.push_back({text, info.fType, info.fState & StateBits, info.hSubMenu != nullptr});
    }
    return shown;
}

HMENU SubMenu(HMENU menu, int position)
{
    return GetSubMenu(menu, position);
}

// A new item under Parent, owned by Parent's menu.
TMenuItem* AddItem(TMenuItem* parent, const std::string& caption, TShortCut shortCut = scNone)
{
    auto* item = new TMenuItem(parent->GetParentMenu());
    item->SetCaption(caption);
    item->SetShortCut(shortCut);
    parent->Add(item);
    return item;
}

// The menu of the conversion window, in short: a menu bar of commands with
// shortcuts, and one drop-down.
struct TConvertMenu {
    TMainMenu menu{nullptr};
    TMenuItem* start = AddItem(menu.Items(), "&Start!", scCtrl | 'S');
    TMenuItem* stop = AddItem(menu.Items(), "S&top", scCtrl | 'T');
    TMenuItem* file = AddItem(menu.Items(), "&File");
    TMenuItem* open = AddItem(file, "&Open", scCtrl | 'O');
    TMenuItem* exit = AddItem(file, "E&xit");
    std::vector<std::string> clicks;
    TConvertMenu()
    {
        stop->SetEnabled(false);
        for (TMenuItem* item : {start, stop, open, exit})
            item->OnClick = [this](TObject* sender) { clicks.push_back(static_cast<TMenuItem*>(sender)->Caption()); };
    }
};

LRESULT Send(TMenu& menu, UINT msg, WPARAM wParam, LPARAM lParam, bool* handled = nullptr)
{
    TMessage message{msg, wParam, lParam, 0};
    bool result = menu.HandleMenuMessage(message);
    if (handled) *handled = result;
    return message.Result;
}

bool SendCommand(TMenu& menu, UINT command, LPARAM control = 0)
{
    bool handled = false;
    Send(menu, WM_COMMAND, MAKEWPARAM(command, 0), control, &handled);
    return handled;
}

}

TEST(Menu, HandlesShowTheItemsWithTheirTextsAndStates)
{
    TPopupMenu menu(nullptr);
    TMenuItem* open = AddItem(menu.Items(), "&Open", scCtrl | 'O');
    open->SetDefault(true);
    AddItem(menu.Items(), "-");
    TMenuItem* wrap = AddItem(menu.Items(), "Wrap");
    wrap->SetChecked(true);
    wrap->SetEnabled(false);
    TMenuItem* more = AddItem(menu.Items(), "More");
    AddItem(more, "Deep", VK_F5);

    EXPECT_EQ(Shown(menu.Handle()), (std::vector<TShownItem>{
                                        {"&Open\tCtrl+O", MFT_STRING, MFS_DEFAULT, false},
                                        {"", MFT_SEPARATOR, 0, false},
                                        {"Wrap", MFT_STRING, MFS_CHECKED | MFS_GRAYED, false},
                                        {"More", MFT_STRING, 0, true},
                                    }));
    EXPECT_EQ(SubMenu(menu.Handle(), 3), more->Handle());
    EXPECT_EQ(Shown(more->Handle()), (std::vector<TShownItem>{{"Deep\tF5", MFT_STRING, 0, false}}));
}

TEST(Menu, HandlesFollowChangesMadeAfterTheyExist)
{
    TPopupMenu menu(nullptr);
    TMenuItem* first = AddItem(menu.Items(), "First");
    TMenuItem* second = AddItem(menu.Items(), "Second");
    HMENU handle = menu.Handle();

    first->SetCaption("-");
    second->SetEnabled(false);
    second->SetChecked(true);
    TMenuItem* deep = AddItem(second, "Deep");
    auto* zeroth = new TMenuItem(&menu);
    zeroth->SetCaption("Zeroth");
    menu.Items()->Insert(0, zeroth);
    EXPECT_EQ(menu.Handle(), handle);
    EXPECT_EQ(Shown(handle), (std::vector<TShownItem>{
                                 {"Zeroth", MFT_STRING, 0, false},
                                 {"", MFT_SEPARATOR, 0, false},
                                 {"Second", MFT_STRING, MFS_GRAYED | MFS_CHECKED, true},
                             }));

    // Without sub-items the entry loses its sub-menu; a freed item leaves.
    second->Remove(deep);
    EXPECT_EQ(deep->Parent(), nullptr);
    zeroth->Free();
    second->SetCaption("Last");
    EXPECT_EQ(Shown(handle), (std::vector<TShownItem>{
                                 {"", MFT_SEPARATOR, 0, false},
                                 {"Last", MFT_STRING, MFS_GRAYED | MFS_CHECKED, false},
                             }));
    delete deep;
}

TEST(Menu, FreeingAnItemFreesItsSubItemsAndTheirMenus)
{
    TPopupMenu menu(nullptr);
    TMenuItem* top = AddItem(menu.Items(), "Top");
    TMenuItem* middle = AddItem(top, "Middle");
    AddItem(middle, "Leaf");
    HMENU topMenu = top->Handle();
    HMENU middleMenu = middle->Handle();
    menu.Handle();
    EXPECT_EQ(menu.ComponentCount(), 3);

    top->Free();
    EXPECT_EQ(menu.ComponentCount(), 0);
    EXPECT_EQ(menu.Items()->Count(), 0);
    EXPECT_EQ(GetMenuItemCount(menu.Handle()), 0);
    EXPECT_FALSE(IsMenu(topMenu));
    EXPECT_FALSE(IsMenu(middleMenu));
}

TEST(Menu, RefusesToPlaceAnItemTwiceOrInsideItself)
{
    TPopupMenu menu(nullptr);
    TMenuItem* parent = AddItem(menu.Items(), "Parent");
    TMenuItem* child = AddItem(parent, "Child");
    auto* loose = new TMenuItem(&menu);
    struct TCase {
        TMenuItem* into;
        int index;
        TMenuItem* item;
        const char* message;
    };
    for (const TCase& c : {TCase{menu.Items(), 0, child, "Menu inserted twice"},
                           TCase{child, 0, parent, "Menu inserted twice"},
                           TCase{loose, 0, loose, "A menu item cannot hold itself"},
                           TCase{parent, 2, loose, "Menu index out of range"},
                           TCase{parent, -1, loose, "Menu index out of range"}}) {
        try {
            c.into->Insert(c.index, c.item);
            ADD_FAILURE() << "no exception for " << c.message;
        } catch (const EMenuError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    // The parent's own ancestor cannot go under it either.
    parent->Remove(child);
    child->Add(loose);
    EXPECT_THROW(loose->Add(child), EMenuError);
    EXPECT_EQ(parent->Count(), 0);
    EXPECT_EQ(child->Items(0), loose);
}

TEST(Menu, ACommandReachesTheOnClickOfItsItem)
{
    TConvertMenu convert;
    EXPECT_NE(convert.start->Command(), convert.open->Command());
    EXPECT_TRUE(SendCommand(convert.menu, convert.open->Command()));
    EXPECT_TRUE(SendCommand(convert.menu, convert.start->Command()));
    // A disabled item's command is taken but clicks nothing.
    EXPECT_TRUE(SendCommand(convert.menu, convert.stop->Command()));
    EXPECT_EQ(convert.clicks, (std::vector<std::string>{"&Open", "&Start!"}));

    TConvertMenu other;
    EXPECT_FALSE(SendCommand(convert.menu, other.start->Command()));
    // Notifications of controls come with their window.
    EXPECT_FALSE(SendCommand(convert.menu, convert.open->Command(), reinterpret_cast<LPARAM>(GetDesktopWindow())));
    EXPECT_EQ(convert.clicks.size(), 2u);
    EXPECT_TRUE(other.clicks.empty());
}

TEST(Menu, ShortCutsClickEnabledItemsOnly)
{
    TConvertMenu convert;
    EXPECT_TRUE(convert.menu.IsShortCut(scCtrl | 'S'));
    EXPECT_TRUE(convert.menu.IsShortCut(scCtrl | 'O'));
    EXPECT_FALSE(convert.menu.IsShortCut(scCtrl | 'T'));
    EXPECT_FALSE(convert.menu.IsShortCut(scShift | scCtrl | 'S'));
    EXPECT_FALSE(convert.menu.IsShortCut(scNone));
    convert.file->SetEnabled(false);
    EXPECT_FALSE(convert.menu.IsShortCut(scCtrl | 'O'));
    EXPECT_EQ(convert.clicks, (std::vector<std::string>{"&Start!", "&Open"}));
}

TEST(Menu, AClickMayFreeTheWholeMenu)
{
    auto* menu = new TPopupMenu(nullptr);
    TMenuItem* exit = AddItem(menu->Items(), "E&xit");
    AddItem(menu->Items(), "After");
    bool clicked = false;
    exit->OnClick = [&clicked, menu](TObject*) {
        clicked = true;
        menu->Free();
    };
    EXPECT_TRUE(menu->DispatchCommand(exit->Command()));
    EXPECT_TRUE(clicked);
}

TEST(MainMenu, ShowsItsBarInTheWindowWithoutShortCutTextsAtTheTop)
{
    TForm form(nullptr);
    TConvertMenu convert;
    convert.menu.SetWindowHandle(form.Handle());
    EXPECT_EQ(GetMenu(form.Handle()), convert.menu.Handle());
    EXPECT_EQ(Shown(convert.menu.Handle()), (std::vector<TShownItem>{
                                                {"&Start!", MFT_STRING, 0, false},
                                                {"S&top", MFT_STRING, MFS_GRAYED, false},
                                                {"&File", MFT_STRING, 0, true},
                                            }));
    EXPECT_EQ(Shown(convert.file->Handle())[0].text, "&Open\tCtrl+O");

    convert.menu.SetWindowHandle(nullptr);
    EXPECT_EQ(GetMenu(form.Handle()), nullptr);
    EXPECT_TRUE(IsMenu(convert.menu.Handle()));
}

TEST(MainMenu, AFormShowsItsMenuAndPassesItCommandsAndShortCuts)
{
    TConvertMenu convert;
    {
        TForm form(nullptr);
        form.SetMenu(&convert.menu);
        EXPECT_EQ(GetMenu(form.Handle()), convert.menu.Handle());

        SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(convert.open->Command(), 0), 0);
        TMessage key{WM_KEYDOWN, 'S', 0, 0};
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        EXPECT_TRUE(form.IsShortCut(key));
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        EXPECT_FALSE(form.IsShortCut(key));
        EXPECT_EQ(convert.clicks, (std::vector<std::string>{"&Open", "&Start!"}));
    }
    // The form's window went, and the menu with its handle stayed.
    EXPECT_TRUE(IsMenu(convert.menu.Handle()));
}

TEST(PopupMenu, AControlShowsItsMenuOnTheContextMenuRequest)
{
    TForm form(nullptr);
    std::vector<std::string> log;
    {
        TPopupMenu menu(nullptr);
        AddItem(menu.Items(), "&Only");
        menu.OnPopup = [&](TObject*) {
            log.push_back(menu.PopupComponent() == &form ? "popup for the form" : "popup");
            // Dismissed at once: the menu's loop takes the posted cancel.
            PostMessageA(menu.WindowHandle(), WM_CANCELMODE, 0, 0);
        };
        form.SetPopupMenu(&menu);
        SendMessageA(form.Handle(), WM_CONTEXTMENU, WPARAM(form.Handle()), MAKELPARAM(-1, -1));
        menu.AutoPopup = false;
        SendMessageA(form.Handle(), WM_CONTEXTMENU, WPARAM(form.Handle()), MAKELPARAM(-1, -1));
    }
    EXPECT_EQ(log, (std::vector<std::string>{"popup for the form"}));
    // The freed menu is forgotten.
    EXPECT_EQ(form.PopupMenu(), nullptr);
}

TEST(MainMenu, LendsTheContainersGroupsToASharedMenuAndShowsIt)
{
    TForm form(nullptr);
    TMainMenu menu(nullptr);
    // Group numbers as an in-place object's container has them.
    struct TGroupItem {
        const char* caption;
        uint8_t group;
    };
    for (const TGroupItem& g : {TGroupItem{"&File", 0}, TGroupItem{"&Edit", 1}, TGroupItem{"&Help", 5},
                                TGroupItem{"&Window", 4}, TGroupItem{"&View", 2}, TGroupItem{"&Tools", 2}}) {
        TMenuItem* item = AddItem(menu.Items(), g.caption);
        item->GroupIndex = g.group;
        AddItem(item, std::string("In ") + g.caption);
    }
    menu.SetWindowHandle(form.Handle());

    HMENU shared = CreateMenu();
    OLEMENUGROUPWIDTHS widths{{9, 9, 9, 9, 9, 9}};
    menu.PopulateOle2Menu(shared, {0, 2, 4}, widths);
    std::vector<std::string> texts;
    for (const TShownItem& item : Shown(shared)) texts.push_back(item.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"&File", "&View", "&Tools", "&Window"}));
    EXPECT_EQ(std::vector<LONG>(widths.width, widths.width + 6), (std::vector<LONG>{1, 9, 2, 9, 1, 9}));
    EXPECT_EQ(GetSubMenu(shared, 0), menu.Items()->Items(0)->Handle());

    menu.SetOle2MenuHandle(shared);
    EXPECT_EQ(GetMenu(form.Handle()), shared);
    // Commands of the lent items still reach them.
    bool clicked = false;
    menu.Items()->Items(4)->Items(0)->OnClick = [&](TObject*) { clicked = true; };
    EXPECT_TRUE(SendCommand(menu, GetMenuItemID(GetSubMenu(shared, 1), 0)));
    EXPECT_TRUE(clicked);

    menu.SetOle2MenuHandle(nullptr);
    EXPECT_EQ(GetMenu(form.Handle()), menu.Handle());
    while (GetMenuItemCount(shared) > 0) RemoveMenu(shared, 0, MF_BYPOSITION);
    DestroyMenu(shared);
    EXPECT_EQ(GetMenuItemCount(menu.Items()->Items(0)->Handle()), 1);
    EXPECT_THROW(menu.PopulateOle2Menu(shared, {6}, widths), EMenuError);
}

namespace {

// Records what reaches the owner-draw events of an item, which draw with
// tools of their own.
struct TDrawLog {
    int measured = 0;
    std::vector<bool> drawn;
    HDC drawnOn = nullptr;
    void Hook(TMenuItem* item)
    {
        item->OnMeasureItem = [this](TObject*, TCanvas* canvas, int& width, int& height) {
            EXPECT_GT(canvas->TextWidth("W"), 0);
            ++measured;
            width = 120;
            height = 30;
        };
        item->OnDrawItem = [this](TObject*, TCanvas* canvas, const TRect& rect, bool selected) {
            drawnOn = canvas->Handle();
            canvas->Brush().SetColor(clRed);
            canvas->Font().SetStyle(fsBold);
            canvas->TextRect(rect, rect.left, rect.top, "drawn");
            drawn.push_back(selected);
        };
    }
};

// A 32-bit bitmap selected into a memory device context.
class TPaintSurface {
public:
    TPaintSurface(int width, int height) : dc_(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~TPaintSurface()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Handle() const { return dc_; }
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

}

TEST(Menu, OwnerDrawnItemsAreMeasuredAndDrawnByTheirItems)
{
    TPopupMenu menu(nullptr);
    TMenuItem* hooked = AddItem(menu.Items(), "Hooked");
    TMenuItem* plain = AddItem(menu.Items(), "A rather longer caption", scCtrl | 'L');
    AddItem(menu.Items(), "P");
    menu.Handle();
    menu.SetOwnerDraw(true);
    for (const TShownItem& item : Shown(menu.Handle())) EXPECT_EQ(item.type & MFT_OWNERDRAW, UINT(MFT_OWNERDRAW));
    TDrawLog log;
    log.Hook(hooked);

    MEASUREITEMSTRUCT measure{ODT_MENU, 0, hooked->Command(), 0, 0, reinterpret_cast<ULONG_PTR>(hooked)};
    EXPECT_EQ(Send(menu, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), TRUE);
    EXPECT_EQ(measure.itemWidth, 120u);
    EXPECT_EQ(measure.itemHeight, 30u);

    TPaintSurface surface(200, 40);
    HGDIOBJ brush = GetCurrentObject(surface.Handle(), OBJ_BRUSH);
    HGDIOBJ font = GetCurrentObject(surface.Handle(), OBJ_FONT);
    DRAWITEMSTRUCT draw{ODT_MENU, 0, hooked->Command(), ODA_DRAWENTIRE, ODS_SELECTED, nullptr, surface.Handle(),
                        {0, 0, 200, 20}, reinterpret_cast<ULONG_PTR>(hooked)};
    EXPECT_EQ(Send(menu, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), TRUE);
    EXPECT_EQ(log.drawn, std::vector<bool>{true});
    EXPECT_EQ(log.drawnOn, surface.Handle());
    EXPECT_EQ(surface.Pixel(199, 19), RGB(255, 0, 0));
    // The system's context gets its own tools back.
    EXPECT_EQ(GetCurrentObject(surface.Handle(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(surface.Handle(), OBJ_FONT), font);

    // Without events an item measures its text and paints the selection.
    MEASUREITEMSTRUCT longer{ODT_MENU, 0, 0, 0, 0, reinterpret_cast<ULONG_PTR>(plain)};
    Send(menu, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&longer));
    MEASUREITEMSTRUCT shorter{ODT_MENU, 0, 0, 0, 0, reinterpret_cast<ULONG_PTR>(menu.Items()->Items(2))};
    Send(menu, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&shorter));
    EXPECT_GT(shorter.itemWidth, 0u);
    EXPECT_GT(shorter.itemHeight, 0u);
    EXPECT_GT(longer.itemWidth, shorter.itemWidth);
    draw.itemData = reinterpret_cast<ULONG_PTR>(plain);
    draw.rcItem = {0, 20, 200, 40};
    Send(menu, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(surface.Pixel(199, 39), GetSysColor(COLOR_HIGHLIGHT));

    // Items of other menus and other owner-drawn things are left alone.
    TPopupMenu other(nullptr);
    TMenuItem* stranger = AddItem(other.Items(), "Stranger");
    bool handled = true;
    measure.itemData = reinterpret_cast<ULONG_PTR>(stranger);
    Send(menu, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure), &handled);
    EXPECT_FALSE(handled);
    draw.CtlType = ODT_BUTTON;
    draw.itemData = reinterpret_cast<ULONG_PTR>(hooked);
    Send(menu, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw), &handled);
    EXPECT_FALSE(handled);
    EXPECT_EQ(log.measured, 1);
    EXPECT_EQ(log.drawn.size(), 1u);
}

namespace {

// The visible menu window of TrackPopupMenu, when there is one.
HWND ShownPopup()
{
    HWND window = FindWindowA("#32768", nullptr);
    return window && IsWindowVisible(window) ? window : nullptr;
}

struct TPopupCase {
    const char* name;
    std::vector<WPARAM> keys;
    std::vector<std::string> clicks;
};

}

TEST(PopupMenu, ShowsUntilAnItemIsChosenOrTheMenuDismissed)
{
    for (const TPopupCase& c : {TPopupCase{"Escape", {VK_ESCAPE}, {}},
                                TPopupCase{"Down, Down, Enter", {VK_DOWN, VK_DOWN, VK_RETURN}, {"&Second"}}}) {
        SCOPED_TRACE(c.name);
        TPopupMenu menu(nullptr);
        std::vector<std::string> log;
        for (const char* caption : {"&First", "&Second"}) {
            AddItem(menu.Items(), caption)->OnClick = [&](TObject* sender) {
                log.push_back("click " + static_cast<TMenuItem*>(sender)->Caption());
            };
        }
        menu.OnPopup = [&](TObject* sender) {
            EXPECT_EQ(sender, &menu);
            EXPECT_EQ(ShownPopup(), nullptr);
            log.push_back("popup");
        };
        // The keys go to the menu once it is on screen; the menu's own loop
        // runs the timer meanwhile.
        TTimer driver(nullptr);
        driver.SetInterval(4);
        driver.SetOnTimer([&](TObject*) {
            HWND popup = ShownPopup();
            if (!popup) return;
            log.push_back("shown");
            for (WPARAM key : c.keys) PostMessageA(popup, WM_KEYDOWN, key, 0);
            driver.SetEnabled(false);
        });
        menu.Popup(10, 10);
        EXPECT_EQ(ShownPopup(), nullptr);

        std::vector<std::string> expected{"popup", "shown"};
        for (const std::string& caption : c.clicks) expected.push_back("click " + caption);
        EXPECT_EQ(log, expected);
    }
}

TEST(PopupMenu, OwnerDrawingIsAskedOfItsItemsWhileItShows)
{
    TPopupMenu menu(nullptr);
    menu.SetOwnerDraw(true);
    TDrawLog log;
    for (const char* caption : {"One", "-", "Two"}) log.Hook(AddItem(menu.Items(), caption));
    TTimer driver(nullptr);
    driver.SetInterval(4);
    driver.SetOnTimer([&](TObject*) {
        if (HWND popup = ShownPopup(); popup && !log.drawn.empty()) {
            PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
            driver.SetEnabled(false);
        }
    });
    menu.Popup(10, 10);
    EXPECT_EQ(log.measured, 3);
    EXPECT_GE(log.drawn.size(), 3u);
}

TEST(PopupMenu, ForgetsItsPopupComponentWhenThatIsFreed)
{
    TPopupMenu menu(nullptr);
    EXPECT_TRUE(menu.AutoPopup);
    auto* first = new TComponent(nullptr);
    auto* second = new TComponent(nullptr);
    menu.SetPopupComponent(first);
    menu.SetPopupComponent(second);
    first->Free();
    EXPECT_EQ(menu.PopupComponent(), second);
    second->Free();
    EXPECT_EQ(menu.PopupComponent(), nullptr);
}
