#pragma once
// The standard controls: thin classes over the system's BUTTON, EDIT and
// COMBOBOX windows that turn their reflected notifications into events, and
// the windowless label. What is set before a window exists is kept and
// given to the window when it is made, so a recreated window loses nothing.
#include <memory>
#include <string>

#include "Forms.h"
#include "StringLists.h"
#include "WinControls.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// DrawText's flag for the alignment.
inline UINT AlignmentDrawFlag(TAlignment alignment)
{
    static constexpr UINT flags[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    return flags[alignment];
}
enum TTextLayout { tlTop, tlCenter, tlBottom };

// A text drawn on its parent: no window, no focus.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    std::string ClassName() const override { return "TLabel"; }

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    // A transparent label paints only its text over what lies below.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

protected:
    void Paint() override;
    void WndProc(TMessage& message) override;

private:
    UINT DrawFlags() const;
    void AdjustBounds();

    bool autoSize_ = true;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool transparent_ = false;
};

// Any control made of the system's BUTTON class.
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);
    std::string ClassName() const override { return "TButtonControl"; }

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;
    // The system reported a click: by the user, or by BM_CLICK.
    virtual void Clicked() { Click(); }
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);
    std::string ClassName() const override { return "TButton"; }

    // Set into the parent form's ModalResult by a click, which ends its ShowModal.
    TModalResult ModalResult = mrNone;
    // Enter clicks the default button, Escape the cancel button, wherever
    // the focus is on the form.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel = false;

    void Click() override;

protected:
    // The BUTTON style bits of this kind of button.
    virtual DWORD ButtonStyle() const { return default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; }
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    bool default_ = false;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// A check box whose state only this class changes: a click moves it on
// (through grey when AllowGrayed) and fires OnClick, as setting it does.
class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* owner);
    std::string ClassName() const override { return "TCheckBox"; }

    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool checked) { SetState(checked ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState state);
    bool AllowGrayed = false;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Clicked() override;

private:
    TCheckBoxState state_ = cbUnchecked;
};

// Checking a radio button unchecks its radio siblings.
class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);
    std::string ClassName() const override { return "TRadioButton"; }

    bool Checked() const { return checked_; }
    void SetChecked(bool checked);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Clicked() override;

private:
    bool checked_ = false;
};

// The system's EDIT window.
class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* owner);
    std::string ClassName() const override { return "TCustomEdit"; }

    // Characters the user may type; 0 for no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int maxLength);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    // Whether the user changed the text since it was last set or cleared.
    bool Modified();
    void SetModified(bool modified);
    // The whole text is selected when the control gets the focus.
    bool AutoSelect = true;
    // Whether the selection shows while another control has the focus.
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool hide);
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char passwordChar);

    int SelStart();
    void SetSelStart(int start);
    int SelLength();
    void SetSelLength(int length);
    std::string SelText();
    // Replaces the selection with Text.
    void SetSelText(const std::string& text);
    void SelectAll();
    void Clear() { SetText(""); }

    // The text changed, by the user or by the program.
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void DoEnter() override;
    virtual void Change();

private:
    int maxLength_ = 0;
    bool readOnly_ = false;
    bool modified_ = false;
    bool hideSelection_ = true;
    char passwordChar_ = 0;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}
    std::string ClassName() const override { return "TEdit"; }
};

class TMemo : public TCustomEdit {
public:
    explicit TMemo(TComponent* owner);
    ~TMemo() override;
    std::string ClassName() const override { return "TMemo"; }

    // The text by lines; changing them changes the text.
    TStrings* Lines() const { return lines_.get(); }
    bool WordWrap = true;

protected:
    void CreateParams(TCreateParams& params) override;

private:
    std::unique_ptr<TStrings> lines_;
};

enum TComboBoxStyle { csDropDown, csDropDownList };

// The system's COMBOBOX window. Items stay with the control, not only in the
// window. Setting ItemIndex in code fires nothing; a choice of the user
// fires OnChange and OnClick.
class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;
    std::string ClassName() const override { return "TCustomComboBox"; }

    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle style);
    TStrings* Items() const { return items_.get(); }
    // -1 when no item is chosen.
    int ItemIndex();
    void SetItemIndex(int index);
    int DropDownCount = 8;
    bool DroppedDown();
    void SetDroppedDown(bool dropped);

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    void ItemsChanged();

    TComboBoxStyle style_ = csDropDown;
    std::unique_ptr<TStringList> items_;
    int itemIndex_ = -1;
};

class TComboBox : public TCustomComboBox {
public:
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
    std::string ClassName() const override { return "TComboBox"; }
};
