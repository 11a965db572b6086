#include "StdCtrls.h"

#include <windowsx.h>

#include "Canvas.h"

namespace {

// Subclasses the system window class ClassName: the control's window is of
// a class of its own whose default procedure is the system one's.
void UseSystemClass(TCreateParams& params, const char* className)
{
    GetClassInfoA(nullptr, className, &params.WindowClass);
}

WORD NotifyCode(const TMessage& message)
{
    return HIWORD(message.WParam);
}

}

// ---- TLabel ----

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner)
{
    SetControlStyle(ControlStyle() | csReplicatable);
    SetBounds(0, 0, 65, 17);
}

void TLabel::SetAutoSize(bool autoSize)
{
    autoSize_ = autoSize;
    AdjustBounds();
}

void TLabel::SetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout layout)
{
    layout_ = layout;
    Invalidate();
}

void TLabel::SetWordWrap(bool wordWrap)
{
    wordWrap_ = wordWrap;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetTransparent(bool transparent)
{
    transparent_ = transparent;
    Invalidate();
}

UINT TLabel::DrawFlags() const
{
    UINT flags = DT_EXPANDTABS | AlignmentDrawFlag(alignment_);
    if (wordWrap_) flags |= DT_WORDBREAK;
    return flags;
}

void TLabel::Paint()
{
    TCanvas* canvas = Canvas();
    RECT client = ClientRect();
    if (!transparent_) {
        canvas->Brush().SetColor(Color());
        canvas->FillRect(client);
    }
    canvas->Font().Assign(Font());
    if (!Enabled()) canvas->Font().SetColor(clGrayText);
    std::string text = Caption();
    TRect area = client;
    if (layout_ != tlTop) {
        TRect measured = client;
        canvas->TextRect(measured, text, DrawFlags() | DT_CALCRECT);
        const int spare = (client.bottom - client.top) - (measured.bottom - measured.top);
        area.top += layout_ == tlCenter ? spare / 2 : spare;
    }
    canvas->TextRect(area, text, DrawFlags());
}

void TLabel::AdjustBounds()
{
    if (!autoSize_) return;
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    std::string text = Caption();
    RECT measured{0, 0, wordWrap_ ? Width() : 0, 0};
    DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &measured, DrawFlags() | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // Right-aligned labels grow to the left, so their text stays in place.
    int left = Left();
    if (!wordWrap_ && alignment_ == taRightJustify) left += Width() - measured.right;
    SetBounds(left, Top(), measured.right, measured.bottom);
}

void TLabel::WndProc(TMessage& message)
{
    TGraphicControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED || message.Msg == CM_FONTCHANGED) {
        AdjustBounds();
        Invalidate();
    }
}

// ---- TButtonControl ----

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner)
{
    // The system window tracks the mouse and reports its clicks itself.
    SetControlStyle(ControlStyle() & ~(csCaptureMouse | csClickEvents | csDoubleClicks));
    SetTabStop(true);
}

void TButtonControl::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    UseSystemClass(params, "BUTTON");
}

void TButtonControl::WndProc(TMessage& message)
{
    if (message.Msg == CN_COMMAND && NotifyCode(message) == BN_CLICKED) {
        Clicked();
        return;
    }
    TWinControl::WndProc(message);
}

// ---- TButton ----

TButton::TButton(TComponent* owner) : TButtonControl(owner)
{
    SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool value)
{
    default_ = value;
    if (HandleAllocated()) SendMessageA(Handle(), BM_SETSTYLE, ButtonStyle(), TRUE);
}

void TButton::Click()
{
    if (ModalResult != mrNone)
        if (TForm* form = GetParentForm(this)) form->SetModalResult(ModalResult);
    TButtonControl::Click();
}

void TButton::CreateParams(TCreateParams& params)
{
    TButtonControl::CreateParams(params);
    params.Style |= ButtonStyle();
}

void TButton::WndProc(TMessage& message)
{
    if (message.Msg == CM_DIALOGKEY && Visible() && Enabled()) {
        const bool enter = message.WParam == VK_RETURN && default_;
        const bool escape = message.WParam == VK_ESCAPE && Cancel;
        if (enter || escape) {
            Click();
            message.Result = 1;
            return;
        }
    }
    TButtonControl::WndProc(message);
}

// ---- TCheckBox ----

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner)
{
    SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetState(TCheckBoxState state)
{
    if (state_ == state) return;
    state_ = state;
    if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, state_, 0);
    Click();
}

void TCheckBox::CreateParams(TCreateParams& params)
{
    TButtonControl::CreateParams(params);
    params.Style |= BS_3STATE;
}

void TCheckBox::CreateWnd()
{
    TButtonControl::CreateWnd();
    SendMessageA(Handle(), BM_SETCHECK, state_, 0);
}

void TCheckBox::Clicked()
{
    switch (state_) {
    case cbUnchecked: SetState(AllowGrayed ? cbGrayed : cbChecked); break;
    case cbGrayed: SetState(cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    }
}

// ---- TRadioButton ----

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner)
{
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool checked)
{
    if (checked_ == checked) return;
    checked_ = checked;
    SetTabStop(checked);
    if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!checked) return;
    if (TWinControl* parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i)); sibling && sibling != this)
                sibling->SetChecked(false);
    Click();
}

void TRadioButton::CreateParams(TCreateParams& params)
{
    TButtonControl::CreateParams(params);
    params.Style |= BS_RADIOBUTTON;
}

void TRadioButton::CreateWnd()
{
    TButtonControl::CreateWnd();
    SendMessageA(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::Clicked()
{
    SetChecked(true);
}

// ---- TCustomEdit ----

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner)
{
    SetControlStyle(ControlStyle() & ~(csCaptureMouse | csClickEvents | csSetCaption));
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 21);
}

void TCustomEdit::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    UseSystemClass(params, "EDIT");
    params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
    if (readOnly_) params.Style |= ES_READONLY;
    if (!hideSelection_) params.Style |= ES_NOHIDESEL;
}

void TCustomEdit::CreateWnd()
{
    TWinControl::CreateWnd();
    SendMessageA(Handle(), EM_LIMITTEXT, maxLength_, 0);
    SendMessageA(Handle(), EM_SETMODIFY, modified_, 0);
    if (passwordChar_) SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<BYTE>(passwordChar_), 0);
}

void TCustomEdit::SetMaxLength(int maxLength)
{
    maxLength_ = maxLength;
    if (HandleAllocated()) SendMessageA(Handle(), EM_LIMITTEXT, maxLength, 0);
}

void TCustomEdit::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0);
}

bool TCustomEdit::Modified()
{
    return HandleAllocated() ? SendMessageA(Handle(), EM_GETMODIFY, 0, 0) != 0 : modified_;
}

void TCustomEdit::SetModified(bool modified)
{
    modified_ = modified;
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETMODIFY, modified, 0);
}

void TCustomEdit::SetHideSelection(bool hide)
{
    if (hideSelection_ == hide) return;
    hideSelection_ = hide;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomEdit::SetPasswordChar(char passwordChar)
{
    passwordChar_ = passwordChar;
    if (!HandleAllocated()) return;
    SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<BYTE>(passwordChar), 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

int TCustomEdit::SelStart()
{
    DWORD start = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int start)
{
    SendMessageA(Handle(), EM_SETSEL, start, start);
}

int TCustomEdit::SelLength()
{
    DWORD start = 0, end = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int length)
{
    const int start = SelStart();
    SendMessageA(Handle(), EM_SETSEL, start, start + length);
}

std::string TCustomEdit::SelText()
{
    const int start = SelStart();
    return Text().substr(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
}

void TCustomEdit::SetSelText(const std::string& text)
{
    SendMessageA(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomEdit::SelectAll()
{
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

void TCustomEdit::DoEnter()
{
    if (AutoSelect && !(GetKeyState(VK_LBUTTON) & 0x8000)) SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::Change()
{
    if (OnChange) OnChange(this);
}

void TCustomEdit::WndProc(TMessage& message)
{
    if (message.Msg == CN_COMMAND && NotifyCode(message) == EN_CHANGE) {
        Change();
        return;
    }
    TWinControl::WndProc(message);
}

// ---- TMemo ----

namespace {

// A memo's lines, read from and written to its text on every use.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TMemo& memo) : memo_(memo) {}

    int GetCount() const override { return Lines()->GetCount(); }
    std::string Get(int index) const override { return Lines()->Get(index); }
    void Put(int index, const std::string& s) override { Change([&](TStringList& l) { l.Put(index, s); }); }
    void Insert(int index, const std::string& s) override { Change([&](TStringList& l) { l.Insert(index, s); }); }
    void Delete(int index) override { Change([&](TStringList& l) { l.Delete(index); }); }
    void Clear() override { memo_.SetText(""); }
    std::string GetText() const override { return memo_.Text(); }
    void SetText(const std::string& text) override { memo_.SetText(text); }

private:
    // The text split into lines, as a list of its own.
    std::unique_ptr<TStringList> Lines() const
    {
        auto lines = std::make_unique<TStringList>();
        lines->SetText(memo_.Text());
        return lines;
    }
    // Changes the lines and writes them back without the last line break.
    template <typename F>
    void Change(F change)
    {
        std::unique_ptr<TStringList> lines = Lines();
        change(*lines);
        std::string text = lines->GetText();
        if (text.size() >= 2) text.resize(text.size() - 2);
        memo_.SetText(text);
    }

    TMemo& memo_;
};

}

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner), lines_(std::make_unique<TMemoStrings>(*this))
{
    AutoSelect = false;
    SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() = default;

void TMemo::CreateParams(TCreateParams& params)
{
    TCustomEdit::CreateParams(params);
    params.Style |= ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL;
    if (!WordWrap) params.Style |= WS_HSCROLL;
    else params.Style &= ~ES_AUTOHSCROLL;
}

// ---- TCustomComboBox ----

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner), items_(std::make_unique<TStringList>())
{
    SetControlStyle(ControlStyle() & ~(csCaptureMouse | csClickEvents | csSetCaption));
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 145, 21);
    items_->OnChange = [this](TObject*) { ItemsChanged(); };
}

TCustomComboBox::~TCustomComboBox()
{
    items_->OnChange = nullptr;
}

void TCustomComboBox::SetStyle(TComboBoxStyle style)
{
    if (style_ == style) return;
    style_ = style;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomComboBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    UseSystemClass(params, "COMBOBOX");
    params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | (style_ == csDropDownList ? CBS_DROPDOWNLIST : CBS_DROPDOWN);
    // A combo box's window height is its dropped-down height.
    params.Height += std::max(DropDownCount, 1) * 16;
}

void TCustomComboBox::CreateWnd()
{
    // The text is the window's; it is kept across a new window like the items.
    const std::string text = HandleAllocated() ? Text() : text_;
    TWinControl::CreateWnd();
    ItemsChanged();
    if (style_ == csDropDown && itemIndex_ < 0) SetWindowTextA(Handle(), text.c_str());
}

void TCustomComboBox::ItemsChanged()
{
    if (itemIndex_ >= items_->GetCount()) itemIndex_ = -1;
    if (!HandleAllocated()) return;
    SendMessageA(Handle(), CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_->GetCount(); ++i)
        SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items_->Get(i).c_str()));
    SendMessageA(Handle(), CB_SETCURSEL, itemIndex_, 0);
}

int TCustomComboBox::ItemIndex()
{
    if (HandleAllocated()) itemIndex_ = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
    return itemIndex_;
}

void TCustomComboBox::SetItemIndex(int index)
{
    itemIndex_ = index >= 0 && index < items_->GetCount() ? index : -1;
    if (HandleAllocated()) SendMessageA(Handle(), CB_SETCURSEL, itemIndex_, 0);
    else text_ = itemIndex_ >= 0 ? items_->Get(itemIndex_) : std::string();
}

bool TCustomComboBox::DroppedDown()
{
    return HandleAllocated() && SendMessageA(Handle(), CB_GETDROPPEDSTATE, 0, 0);
}

void TCustomComboBox::SetDroppedDown(bool dropped)
{
    SendMessageA(Handle(), CB_SHOWDROPDOWN, dropped, 0);
}

void TCustomComboBox::WndProc(TMessage& message)
{
    if (message.Msg == CN_COMMAND) {
        switch (NotifyCode(message)) {
        case CBN_SELCHANGE:
            itemIndex_ = static_cast<int>(SendMessageA(Handle(), CB_GETCURSEL, 0, 0));
            // The edit part shows the choice only after this notification.
            if (itemIndex_ >= 0) SetWindowTextA(Handle(), items_->Get(itemIndex_).c_str());
            if (OnChange) OnChange(this);
            Click();
            return;
        case CBN_EDITCHANGE:
            itemIndex_ = -1;
            if (OnChange) OnChange(this);
            return;
        case CBN_DROPDOWN:
            if (OnDropDown) OnDropDown(this);
            return;
        case CBN_CLOSEUP:
            if (OnCloseUp) OnCloseUp(this);
            return;
        }
    }
    TWinControl::WndProc(message);
}
