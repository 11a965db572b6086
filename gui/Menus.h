#pragma once
// Menus: items with captions, shortcuts and states, kept in system menu
// handles that follow every change; the menu bar of a window and the menus
// that pop up. Items' commands, shortcuts and owner-draw messages reach the
// items through the menu's handlers, which the owning window calls.
#include "Canvas.h"
#include "Components.h"
#include "Controls.h"
#include "Exceptions.h"
#include "ShortCuts.h"
#include "UtilWindow.h"

#include <windows.h>

#include <oleidl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

TVM_DECLARE_EXCEPTION(EMenuError, Exception);

class TMenu;

// Owner drawing: the canvas lies over the device context the system lends
// (measuring: over the screen's) and starts with the system's menu font; the
// context gets back what it had when the event returns.
using TMenuMeasureItemEvent = std::function<void(TObject* sender, TCanvas* canvas, int& width, int& height)>;
using TMenuDrawItemEvent = std::function<void(TObject* sender, TCanvas* canvas, const TRect& rect, bool selected)>;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    // Leaves its parent and frees its sub-items.
    ~TMenuItem() override;
    std::string ClassName() const override { return "TMenuItem"; }

    // The caption "-" makes the item a separator line.
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool IsLine() const { return caption_ == "-"; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    // Shown in bold: what a double click on the menu's owner would do.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    // For owner drawing; -1 for none.
    int ImageIndex = -1;
    // Groups decide which items a main menu lends to a shared menu.
    uint8_t GroupIndex = 0;

    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError for an index outside 0..Count - 1.
    TMenuItem* Items(int index) const;
    // Raises EMenuError when Item already has a parent, is this item or one
    // above it, or when Index lies outside 0..Count.
    void Insert(int index, TMenuItem* item);
    void Add(TMenuItem* item) { Insert(Count(), item); }
    // Takes the item out without freeing it; an item of another parent is
    // left alone.
    void Remove(TMenuItem* item);
    // Frees every sub-item.
    void Clear();
    TMenuItem* Parent() const { return parent_; }
    // The menu the item belongs to through its parents; null when none.
    TMenu* GetParentMenu() const;

    // The system menu of the sub-items, made on first use.
    HMENU Handle();
    // The identifier of the item in WM_COMMAND; unique in the program.
    UINT Command() const { return command_; }

    // Fires OnClick when the item is enabled.
    virtual void Click();

    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    TMenuDrawItemEvent OnDrawItem;

protected:
    // Owner drawing through the events; without them the item measures and
    // draws itself the way the system draws menus.
    virtual void MeasureItem(TCanvas& canvas, int& width, int& height);
    virtual void DrawItem(TCanvas& canvas, const TRect& rect, bool selected);

private:
    friend class TMenu;
    friend class TMainMenu;

    // The caption as the system shows it, with the shortcut after a tab.
    std::string DisplayText() const;
    void AppendTo(HMENU menu);
    // Refills the handle of this item, when it has one.
    void RebuildHandle();
    void RebuildTree();
    // Something the parent's handle shows has changed.
    void Changed();
    TMenuItem* Find(const std::function<bool(const TMenuItem&)>& match);

    std::string caption_;
    TShortCut shortCut_ = scNone;
    bool enabled_ = true;
    bool checked_ = false;
    bool default_ = false;
    UINT command_;
    HMENU handle_ = nullptr;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
    // Set on the root item of a menu only.
    TMenu* menu_ = nullptr;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;
    std::string ClassName() const override { return "TMenu"; }

    // The root item: the menu's entries are its sub-items.
    TMenuItem* Items() const { return items_.get(); }
    HMENU Handle() { return items_->Handle(); }

    // Every item is drawn and measured by its item.
    virtual bool OwnerDraw() const { return ownerDraw_; }
    virtual void SetOwnerDraw(bool ownerDraw);

    // Clicks the item of the command; false when no item of the menu has it.
    bool DispatchCommand(UINT command);
    // Clicks the item with that shortcut when it and its parents are enabled;
    // false otherwise, so that the key goes on.
    bool IsShortCut(TShortCut shortCut);
    // WM_COMMAND of a menu item, WM_MEASUREITEM and WM_DRAWITEM of an item of
    // this menu: handles it and answers True; any other message: False.
    bool HandleMenuMessage(TMessage& message);

protected:
    friend class TMenuItem;
    virtual HMENU CreateMenuHandle() { return CreatePopupMenu(); }
    // An item directly in the menu bar shows no shortcut text.
    virtual bool IsMenuBar() const { return false; }
    // Some item's look changed after the menu's handle was made.
    virtual void MenuChanged() {}

private:
    TMenuItem* OwnItem(ULONG_PTR itemData);

    std::unique_ptr<TMenuItem> items_;
    bool ownerDraw_ = false;
};

// The menu bar of a form.
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
    // Takes itself off its window.
    ~TMainMenu() override;
    std::string ClassName() const override { return "TMainMenu"; }

    // The window that shows the menu; setting it puts the menu bar there.
    // The window must take the menu off again before it is destroyed: the
    // system destroys a window's menu with the window.
    HWND WindowHandle() const { return window_; }
    void SetWindowHandle(HWND window);

    // For an in-place active object: appends the items of the given groups
    // (in the order of the groups, each in menu order) to Shared, with their
    // sub-menus, and counts each group's items in Widths. The sub-menus stay
    // the menu's own: whoever empties Shared removes them, never destroys.
    void PopulateOle2Menu(HMENU shared, const std::vector<int>& groups, OLEMENUGROUPWIDTHS& widths);
    // Shows Menu in the window instead of the menu's own, until it is set
    // back to null.
    void SetOle2MenuHandle(HMENU menu);

protected:
    HMENU CreateMenuHandle() override { return CreateMenu(); }
    bool IsMenuBar() const override { return true; }
    void MenuChanged() override;

private:
    void ShowInWindow();

    HWND window_ = nullptr;
    HMENU ole2Menu_ = nullptr;
};

// A menu shown at a point, owned by a hidden window of its own that receives
// its messages.
class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner);
    std::string ClassName() const override { return "TPopupMenu"; }

    // Fires OnPopup, shows the menu at the screen point until an item is
    // chosen or the menu is dismissed, then clicks the chosen item.
    virtual void Popup(int x, int y);

    // The component the menu was last shown for; cleared when it is freed.
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* component);
    // Whether controls show the menu by themselves on a right click.
    bool AutoPopup = true;
    HWND WindowHandle() const { return window_.Handle(); }

    TNotifyEvent OnPopup;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void WndProc(TMessage& message);

    TComponent* popupComponent_ = nullptr;
    TUtilityWindow window_;
};
