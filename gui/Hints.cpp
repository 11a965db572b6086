#include "Hints.h"

#include "Canvas.h"

namespace {

constexpr int HintMaxWidth = 300;
constexpr int HintMargin = 2;
constexpr UINT HintTextFlags = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

// The hint that Control shows: its own, while it and the application let it.
bool WantsHint(TControl* control)
{
    return control && control->ShowHint && !control->Hint.empty();
}

}

// ---- THintWindow ----

THintWindow::THintWindow(TComponent* owner) : TCustomControl(owner)
{
    SetColor(clInfoBk);
    SetVisible(false);
}

void THintWindow::CreateParams(TCreateParams& params)
{
    TCustomControl::CreateParams(params);
    params.Style = WS_POPUP | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    params.WindowClass.style |= CS_SAVEBITS;
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint)
{
    TCanvas& canvas = *Canvas();
    canvas.Font().Assign(Font());
    TRect rect{0, 0, maxWidth, 0};
    canvas.TextRect(rect, hint, HintTextFlags | DT_CALCRECT);
    rect.right += 2 * HintMargin + 2;
    rect.bottom += 2 * HintMargin + 2;
    return rect;
}

void THintWindow::ActivateHint(TRect rect, const std::string& hint)
{
    SetCaption(hint);
    HandleNeeded();
    SetWindowPos(Handle(), HWND_TOPMOST, rect.left, rect.top, RectWidth(rect), RectHeight(rect),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    showing_ = true;
    Invalidate();
}

void THintWindow::ReleaseHint()
{
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
    showing_ = false;
}

void THintWindow::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(ClientRect());
    canvas.Font().Assign(Font());
    canvas.Font().SetColor(clInfoText);
    TRect text = ClientRect();
    InflateRect(&text, -HintMargin, -HintMargin);
    canvas.TextRect(text, Caption(), HintTextFlags);
}

// ---- THintManager ----

THintManager::THintManager() : window_(std::make_unique<THintWindow>(nullptr))
{
    showTimer_.SetEnabled(false);
    hideTimer_.SetEnabled(false);
    showTimer_.SetOnTimer([this](TObject*) {
        showTimer_.SetEnabled(false);
        Show();
    });
    hideTimer_.SetOnTimer([this](TObject*) { CancelHint(); });
}

THintManager::~THintManager() = default;

void THintManager::MouseMoved(TControl* control)
{
    if (control == control_) return;
    CancelHint();
    control_ = control;
    hint_ = WantsHint(control) ? control->Hint : std::string();
    if (!ShowHint || hint_.empty()) return;
    showTimer_.SetInterval(HintPause);
    showTimer_.SetEnabled(true);
}

void THintManager::MouseLeft(TControl* control)
{
    if (control == control_) MouseMoved(nullptr);
}

void THintManager::ActivateHint(POINT cursor)
{
    showTimer_.SetEnabled(false);
    if (HWND window = WindowFromPoint(cursor)) {
        TWinControl* owner = TWinControl::ContainingControl(window);
        TControl* control = owner;
        if (owner) {
            if (TControl* inner = owner->ControlAtPos(owner->ScreenToClient(cursor), false)) control = inner;
        }
        control_ = control;
        hint_ = WantsHint(control) ? control->Hint : std::string();
    }
    Show();
}

void THintManager::Show()
{
    if (hint_.empty() || !ShowHint) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    window_->SetColor(HintColor);
    TRect rect = window_->CalcHintRect(HintMaxWidth, hint_);
    OffsetRect(&rect, cursor.x, cursor.y + GetSystemMetrics(SM_CYCURSOR) / 2 + 4);
    window_->ActivateHint(rect, hint_);
    hideTimer_.SetInterval(HintHidePause);
    hideTimer_.SetEnabled(true);
}

void THintManager::CancelHint()
{
    showTimer_.SetEnabled(false);
    hideTimer_.SetEnabled(false);
    window_->ReleaseHint();
}
