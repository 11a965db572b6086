#include "ComCtrls.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "Canvas.h"
#include "Forms.h"

namespace {

SYSTEMTIME ToSystemTime(TDateTime value)
{
    int year, month, day, hour, minute, second, millisecond;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, millisecond);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    time.wMilliseconds = static_cast<WORD>(millisecond);
    return time;
}

TDateTime FromSystemTime(const SYSTEMTIME& time)
{
    return EncodeDate(time.wYear, time.wMonth, time.wDay) +
           EncodeTime(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
}

UINT NotifyCode(const TMessage& message)
{
    return reinterpret_cast<const NMHDR*>(message.LParam)->code;
}

}

// ---- TCommonControl ----

TCommonControl::TCommonControl(TComponent* owner, const char* windowClass) : TWinControl(owner), windowClass_(windowClass)
{
    // The common control tracks the mouse itself.
    SetControlStyle(ControlStyle() & ~(csCaptureMouse | csClickEvents | csDoubleClicks | csSetCaption));
}

void TCommonControl::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    GetClassInfoA(nullptr, windowClass_, &params.WindowClass);
}

// ---- TProgressBar ----

TProgressBar::TProgressBar(TComponent* owner) : TCommonControl(owner, PROGRESS_CLASSA)
{
    SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetRange(int min, int max)
{
    min_ = min;
    max_ = std::max(min, max);
    if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, min_, max_);
    SetPosition(position_);
}

void TProgressBar::SetPosition(int position)
{
    position_ = std::clamp(position, min_, max_);
    if (HandleAllocated()) SendMessageA(Handle(), PBM_SETPOS, position_, 0);
}

void TProgressBar::SetSmooth(bool smooth)
{
    if (smooth_ == smooth) return;
    smooth_ = smooth;
    if (HandleAllocated()) RecreateWnd();
}

void TProgressBar::CreateParams(TCreateParams& params)
{
    TCommonControl::CreateParams(params);
    if (smooth_) params.Style |= PBS_SMOOTH;
}

void TProgressBar::CreateWnd()
{
    TCommonControl::CreateWnd();
    SendMessageA(Handle(), PBM_SETRANGE32, min_, max_);
    SendMessageA(Handle(), PBM_SETPOS, position_, 0);
}

// ---- TTrackBar ----

TTrackBar::TTrackBar(TComponent* owner) : TCommonControl(owner, TRACKBAR_CLASSA)
{
    SetTabStop(true);
    SetBounds(0, 0, 150, 45);
}

void TTrackBar::SetRange(int min, int max)
{
    min_ = min;
    max_ = std::max(min, max);
    if (HandleAllocated()) {
        SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, min_);
        SendMessageA(Handle(), TBM_SETRANGEMAX, TRUE, max_);
    }
    SetPosition(position_);
}

int TTrackBar::Position()
{
    if (HandleAllocated()) position_ = static_cast<int>(SendMessageA(Handle(), TBM_GETPOS, 0, 0));
    return position_;
}

void TTrackBar::SetPosition(int position)
{
    const int clamped = std::clamp(position, min_, max_);
    if (clamped == Position()) return;
    position_ = clamped;
    if (HandleAllocated()) SendMessageA(Handle(), TBM_SETPOS, TRUE, position_);
    if (OnChange) OnChange(this);
}

void TTrackBar::SetFrequency(int frequency)
{
    frequency_ = std::max(frequency, 1);
    if (HandleAllocated()) SendMessageA(Handle(), TBM_SETTICFREQ, frequency_, 0);
}

void TTrackBar::CreateParams(TCreateParams& params)
{
    TCommonControl::CreateParams(params);
    // A tick every Frequency steps; without this style only the ends get one.
    params.Style |= TBS_AUTOTICKS;
}

void TTrackBar::CreateWnd()
{
    TCommonControl::CreateWnd();
    SendMessageA(Handle(), TBM_SETRANGEMIN, FALSE, min_);
    SendMessageA(Handle(), TBM_SETRANGEMAX, FALSE, max_);
    SendMessageA(Handle(), TBM_SETTICFREQ, frequency_, 0);
    SendMessageA(Handle(), TBM_SETPOS, TRUE, position_);
}

void TTrackBar::WndProc(TMessage& message)
{
    // The track bar tells its parent of the user's moves by scroll messages.
    if (message.Msg == CN_BASE + WM_HSCROLL || message.Msg == CN_BASE + WM_VSCROLL) {
        const int before = position_;
        if (Position() != before && OnChange) OnChange(this);
        return;
    }
    TCommonControl::WndProc(message);
}

// ---- TStatusBar ----

TStatusBar::TStatusBar(TComponent* owner) : TCommonControl(owner, STATUSCLASSNAMEA)
{
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

void TStatusBar::SetSimpleText(const std::string& text)
{
    simpleText_ = text;
    if (HandleAllocated()) SendMessageA(Handle(), SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(simpleText_.c_str()));
}

void TStatusBar::CreateParams(TCreateParams& params)
{
    TCommonControl::CreateParams(params);
    const auto* form = dynamic_cast<const TForm*>(Parent());
    if (SizeGrip && form && (form->BorderStyle() == bsSizeable || form->BorderStyle() == bsSizeToolWin))
        params.Style |= SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd()
{
    TCommonControl::CreateWnd();
    // One part across the whole bar holds the text.
    int right = -1;
    SendMessageA(Handle(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
    SetSimpleText(simpleText_);
}

// ---- TDateTimePicker ----

TDateTimePicker::TDateTimePicker(TComponent* owner) : TCommonControl(owner, DATETIMEPICK_CLASSA)
{
    SetTabStop(true);
    SetBounds(0, 0, 186, 21);
    SYSTEMTIME now;
    GetLocalTime(&now);
    value_ = FromSystemTime(now);
}

void TDateTimePicker::SetKind(TDateTimeKind kind)
{
    if (kind_ == kind) return;
    kind_ = kind;
    if (HandleAllocated()) RecreateWnd();
}

TDateTime TDateTimePicker::DateTime()
{
    if (HandleAllocated()) {
        SYSTEMTIME time{};
        if (SendMessageA(Handle(), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) == GDT_VALID)
            value_ = FromSystemTime(time);
    }
    return value_;
}

void TDateTimePicker::SetDateTime(TDateTime value)
{
    value_ = value;
    if (!HandleAllocated()) return;
    SYSTEMTIME time = ToSystemTime(value_);
    SendMessageA(Handle(), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

void TDateTimePicker::CreateParams(TCreateParams& params)
{
    TCommonControl::CreateParams(params);
    if (kind_ == dtkTime) params.Style |= DTS_TIMEFORMAT;
}

void TDateTimePicker::CreateWnd()
{
    TCommonControl::CreateWnd();
    SetDateTime(value_);
}

void TDateTimePicker::WndProc(TMessage& message)
{
    if (message.Msg == CN_NOTIFY && NotifyCode(message) == DTN_DATETIMECHANGE) {
        DateTime();
        if (OnChange) OnChange(this);
        return;
    }
    TCommonControl::WndProc(message);
}

// ---- TTabSheet ----

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetVisible(false);
}

TTabSheet::~TTabSheet()
{
    SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl* pageControl)
{
    if (pageControl_ == pageControl) return;
    if (pageControl_) pageControl_->RemovePage(this);
    pageControl_ = pageControl;
    SetParent(pageControl);
    if (pageControl_) pageControl_->InsertPage(this);
}

int TTabSheet::PageIndex() const
{
    if (!pageControl_) return -1;
    const auto& pages = pageControl_->pages_;
    return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::WndProc(TMessage& message)
{
    TWinControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED && pageControl_) pageControl_->UpdateTabs();
}

// ---- TPageControl ----

TPageControl::TPageControl(TComponent* owner) : TCommonControl(owner, WC_TABCONTROLA)
{
    SetControlStyle(ControlStyle() | csAcceptsControls);
    SetTabStop(true);
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl()
{
    while (!pages_.empty()) pages_.back()->SetPageControl(nullptr);
}

void TPageControl::InsertPage(TTabSheet* page)
{
    pages_.push_back(page);
    UpdateTabs();
    if (!active_) SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page)
{
    pages_.erase(std::find(pages_.begin(), pages_.end(), page));
    if (active_ == page) {
        active_ = nullptr;
        if (!pages_.empty()) SetActivePage(pages_.front());
    }
    UpdateTabs();
}

void TPageControl::UpdateTabs()
{
    if (!HandleAllocated()) return;
    SendMessageA(Handle(), TCM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < pages_.size(); ++i) {
        std::string caption = pages_[i]->Caption();
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageA(Handle(), TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(Handle(), TCM_SETCURSEL, ActivePageIndex(), 0);
    Realign();
}

void TPageControl::SetActivePage(TTabSheet* page)
{
    if (page && page->PageControl() != this) return;
    active_ = page;
    if (HandleAllocated()) SendMessageA(Handle(), TCM_SETCURSEL, ActivePageIndex(), 0);
    ShowActivePage();
}

int TPageControl::ActivePageIndex() const
{
    return active_ ? active_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index)
{
    SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr);
}

void TPageControl::ShowActivePage()
{
    Realign();
    for (TTabSheet* page : pages_) page->SetVisible(page == active_);
}

void TPageControl::SetOwnerDraw(bool ownerDraw)
{
    if (ownerDraw_ == ownerDraw) return;
    ownerDraw_ = ownerDraw;
    if (HandleAllocated()) RecreateWnd();
}

void TPageControl::CreateParams(TCreateParams& params)
{
    TCommonControl::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
    if (ownerDraw_) params.Style |= TCS_OWNERDRAWFIXED;
}

void TPageControl::CreateWnd()
{
    TCommonControl::CreateWnd();
    UpdateTabs();
    ShowActivePage();
}

void TPageControl::AlignControls(TControl* control, RECT& rect)
{
    if (HandleAllocated()) {
        RECT display = ClientRect();
        SendMessageA(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
        for (TTabSheet* page : pages_) page->SetBoundsRect(display);
    }
    TCommonControl::AlignControls(control, rect);
}

void TPageControl::WndProc(TMessage& message)
{
    if (message.Msg == CN_NOTIFY) {
        switch (NotifyCode(message)) {
        case TCN_SELCHANGING: {
            bool allow = true;
            if (OnChanging) OnChanging(this, allow);
            message.Result = allow ? FALSE : TRUE;
            return;
        }
        case TCN_SELCHANGE:
            SetActivePageIndex(static_cast<int>(SendMessageA(Handle(), TCM_GETCURSEL, 0, 0)));
            if (OnChange) OnChange(this);
            return;
        }
    }
    if (message.Msg == CN_DRAWITEM) {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
        if (OnDrawTab) {
            TCanvasDCScope scope(*Canvas(), item.hDC);
            OnDrawTab(this, static_cast<int>(item.itemID), item.rcItem, (item.itemState & ODS_SELECTED) != 0);
        }
        message.Result = TRUE;
        return;
    }
    TCommonControl::WndProc(message);
}
