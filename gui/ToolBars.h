#pragma once
// The tool bar of the common controls and its buttons. The buttons are
// windowless controls standing where the bar draws them; the bar itself
// draws, tracks the mouse and reports clicks, which come back to the
// buttons' OnClick.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

#include "ComCtrls.h"

class TCustomImageList;
class TChangeLink;
class TMenuItem;
class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

// The states a custom-drawn button is drawn in.
using TCustomDrawState = unsigned;
constexpr TCustomDrawState cdsSelected = 0x1;
constexpr TCustomDrawState cdsGrayed = 0x2;
constexpr TCustomDrawState cdsDisabled = 0x4;
constexpr TCustomDrawState cdsChecked = 0x8;
constexpr TCustomDrawState cdsFocused = 0x10;
constexpr TCustomDrawState cdsDefault = 0x20;
constexpr TCustomDrawState cdsHot = 0x40;
constexpr TCustomDrawState cdsMarked = 0x80;
constexpr TCustomDrawState cdsIndeterminate = 0x100;

class TToolButton : public TGraphicControl {
public:
    explicit TToolButton(TComponent* owner);
    ~TToolButton() override;
    std::string ClassName() const override { return "TToolButton"; }

    // A tool bar as parent makes the button one of its buttons, the last.
    void SetParent(TWinControl* parent) override;
    TToolBar* ToolBar() const { return toolBar_; }
    // Position among the bar's buttons; -1 outside a bar.
    int Index() const;

    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle style);
    // Check buttons of a group of neighbours stay down one at a time.
    bool Grouped() const { return grouped_; }
    void SetGrouped(bool grouped);
    // As wide as its caption and image need, not the bar's ButtonWidth.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    // Stuck down: a check button's checked state.
    bool Down();
    void SetDown(bool down);
    // The button stands for the item: it takes its caption and state, and
    // a click clicks an item without sub-items.
    TMenuItem* MenuItem() const { return menuItem_; }
    void SetMenuItem(TMenuItem* item);

    void Click() override;

protected:
    void WndProc(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TToolBar;
    void Changed();

    TToolBar* toolBar_ = nullptr;
    int imageIndex_ = -1;
    TToolButtonStyle style_ = tbsButton;
    bool grouped_ = false;
    bool autoSize_ = false;
    bool down_ = false;
    TMenuItem* menuItem_ = nullptr;
};

using TToolBarCustomDrawEvent = std::function<void(TToolBar* sender, const TRect& rect, bool& defaultDraw)>;
using TToolBarCustomDrawButtonEvent =
    std::function<void(TToolBar* sender, TToolButton* button, TCustomDrawState state, bool& defaultDraw)>;

class TToolBar : public TCommonControl {
public:
    explicit TToolBar(TComponent* owner);
    ~TToolBar() override;
    std::string ClassName() const override { return "TToolBar"; }

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int index) const { return buttons_.at(static_cast<size_t>(index)); }

    // Buttons without a frame until the pointer is over them.
    bool Flat() const { return flat_; }
    void SetFlat(bool flat) { SetStyleFlag(flat_, flat); }
    bool ShowCaptions() const { return showCaptions_; }
    void SetShowCaptions(bool show);
    // Captions right of the images instead of below them.
    bool List() const { return list_; }
    void SetList(bool list) { SetStyleFlag(list_, list); }
    // Buttons that do not fit go to a new row.
    bool Wrapable() const { return wrapable_; }
    void SetWrapable(bool wrapable) { SetStyleFlag(wrapable_, wrapable); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent) { SetStyleFlag(transparent_, transparent); }
    // The bar is as high as its rows of buttons.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    int ButtonWidth() const { return buttonWidth_; }
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonSize(int width, int height);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);

    // Draws on the bar while it is custom drawn.
    TCanvas* Canvas() { return WindowCanvas(); }

    // Before the bar paints; DefaultDraw false leaves the painting to the
    // handler. Its background is drawn, its buttons are not yet.
    TToolBarCustomDrawEvent OnCustomDraw;
    // Before a button paints, with the state it is in: hot under the
    // pointer, selected while pressed.
    TToolBarCustomDrawButtonEvent OnCustomDrawButton;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TToolButton;
    // The button's position in the window; -1 when the window lacks it.
    int WindowIndex(const TToolButton* button) const;
    void InsertButton(TToolButton* button);
    void RemoveButton(TToolButton* button);
    // Gives the window the buttons as they are now.
    void UpdateButtons();
    void PlaceButtons();
    void SetStyleFlag(bool& flag, bool value);
    LRESULT CustomDraw(NMTBCUSTOMDRAW& draw);
    TToolButton* ButtonOfCommand(UINT_PTR command) const;

    std::vector<TToolButton*> buttons_;
    // The buttons as the window holds them, by command; a removed one is null.
    std::vector<TToolButton*> shown_;
    bool flat_ = false;
    bool showCaptions_ = false;
    bool list_ = false;
    bool wrapable_ = true;
    bool transparent_ = false;
    bool autoSize_ = false;
    bool updating_ = false;
    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> imageChangeLink_;
};
