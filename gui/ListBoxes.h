#pragma once
// List boxes over the system's LISTBOX window: items that stay with the
// control (check states included, whatever way the rows move), owner drawing
// with a fixed item height, and the check list box.
#include <memory>
#include <string>
#include <vector>

#include "StdCtrls.h"

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed };

using TOwnerDrawState = UINT;  // ODS_SELECTED, ODS_FOCUS, ODS_DISABLED...
using TDrawItemEvent = std::function<void(TWinControl* control, int index, TRect rect, TOwnerDrawState state)>;

class TCustomListBox;

// One row of a list box: what the window shows and what only the control keeps.
struct TListBoxItem {
    std::string Text;
    TObject* Object = nullptr;
    bool Checked = false;
};

// A list box's items. Every change reaches the window, if there is one,
// row by row.
class TListBoxStrings : public TStrings {
public:
    explicit TListBoxStrings(TCustomListBox& listBox) : listBox_(listBox) {}

    int GetCount() const override { return static_cast<int>(items_.size()); }
    std::string Get(int index) const override { return Item(index).Text; }
    void Put(int index, const std::string& s) override;
    TObject* GetObject(int index) const override { return Item(index).Object; }
    void PutObject(int index, TObject* object) override { Item(index).Object = object; }
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;
    // Rows move with all they hold.
    void Exchange(int index1, int index2) override;
    void Move(int curIndex, int newIndex) override;

    TListBoxItem& Item(int index);
    const TListBoxItem& Item(int index) const;

private:
    friend class TCustomListBox;
    void InsertItem(int index, TListBoxItem item);
    void ShowRow(int index);

    TCustomListBox& listBox_;
    std::vector<TListBoxItem> items_;
};

class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;
    std::string ClassName() const override { return "TCustomListBox"; }

    TStrings* Items() const { return items_.get(); }
    int ItemIndex();
    // Fires nothing: only the user's choices are clicks.
    void SetItemIndex(int index);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool multiSelect);
    bool Selected(int index);
    void SetSelected(int index, bool selected);
    int SelCount();
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle style);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height);
    int ItemAtPos(POINT point, bool existing);
    TRect ItemRect(int index);
    // Draws on the item's DC while an owner-drawn item is drawn.
    TCanvas* Canvas() { return WindowCanvas(); }

    // Draws an owner-drawn row; without it the row is drawn as plain text.
    TDrawItemEvent OnDrawItem;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    // Draws row Index of an owner-drawn list in Rect on Canvas: OnDrawItem,
    // else its text.
    virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);
    void DrawItemText(int index, TRect rect, TOwnerDrawState state);
    virtual bool IsOwnerDrawn() const { return style_ == lbOwnerDrawFixed; }

private:
    friend class TListBoxStrings;
    void DrawItemMessage(const DRAWITEMSTRUCT& item);

    std::unique_ptr<TListBoxStrings> items_;
    int itemIndex_ = -1;
    bool multiSelect_ = false;
    TListBoxStyle style_ = lbStandard;
    int itemHeight_ = 16;
};

class TListBox : public TCustomListBox {
public:
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
    std::string ClassName() const override { return "TListBox"; }
};

// A list box with a check box in front of every row: a click on the box or
// the space bar toggles it and fires OnClickCheck. OnDrawItem gets the
// rectangle right of the box.
class TCheckListBox : public TCustomListBox {
public:
    explicit TCheckListBox(TComponent* owner);
    std::string ClassName() const override { return "TCheckListBox"; }

    bool Checked(int index) const;
    void SetChecked(int index, bool checked);

    TNotifyEvent OnClickCheck;

protected:
    void WndProc(TMessage& message) override;
    void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
    bool IsOwnerDrawn() const override { return true; }

private:
    void ToggleByUser(int index);
    int CheckWidth() const;
};
