#pragma once
// The common controls: progress bar, track bar, status bar, date and time
// picker, and the page control with its tab sheets.
#include <ctime>
#include <functional>
#include <vector>

#include "DateTimes.h"
#include "StdCtrls.h"

// Any control made of a window class of the common controls.
class TCommonControl : public TWinControl {
public:
    TCommonControl(TComponent* owner, const char* windowClass);
    std::string ClassName() const override { return "TCommonControl"; }

protected:
    void CreateParams(TCreateParams& params) override;

private:
    const char* windowClass_;
};

class TProgressBar : public TCommonControl {
public:
    explicit TProgressBar(TComponent* owner);
    std::string ClassName() const override { return "TProgressBar"; }

    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position() const { return position_; }
    // Kept within Min..Max.
    void SetPosition(int position);
    void StepBy(int delta) { SetPosition(position_ + delta); }
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool smooth);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    bool smooth_ = false;
};

class TTrackBar : public TCommonControl {
public:
    explicit TTrackBar(TComponent* owner);
    std::string ClassName() const override { return "TTrackBar"; }

    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);
    int Position();
    void SetPosition(int position);
    // A tick every Frequency steps, the ends always marked.
    int Frequency() const { return frequency_; }
    void SetFrequency(int frequency);

    // The thumb moved, by the user or by the program.
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    int min_ = 0;
    int max_ = 10;
    int position_ = 0;
    int frequency_ = 1;
};

// One line of text at the foot of its parent.
class TStatusBar : public TCommonControl {
public:
    explicit TStatusBar(TComponent* owner);
    std::string ClassName() const override { return "TStatusBar"; }

    std::string SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string& text);
    // A grip at the right end to resize the window by, shown when the bar
    // is made on a form the user can resize.
    bool SizeGrip = true;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    std::string simpleText_;
};

enum TDateTimeKind { dtkDate, dtkTime };

class TDateTimePicker : public TCommonControl {
public:
    explicit TDateTimePicker(TComponent* owner);
    std::string ClassName() const override { return "TDateTimePicker"; }

    TDateTimeKind Kind() const { return kind_; }
    void SetKind(TDateTimeKind kind);
    // The date and the time of day the control holds.
    TDateTime DateTime();
    void SetDateTime(TDateTime value);

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    TDateTimeKind kind_ = dtkDate;
    TDateTime value_ = 0;
};

class TPageControl;

// One page of a page control: its tab shows the caption.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    std::string ClassName() const override { return "TTabSheet"; }

    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;

protected:
    void WndProc(TMessage& message) override;

private:
    TPageControl* pageControl_ = nullptr;
};

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;
using TDrawTabEvent = std::function<void(TPageControl* control, int tabIndex, const TRect& rect, bool active)>;

// Tabs over a stack of sheets, one of them shown. Choosing a tab in code
// fires nothing; the user's choice asks OnChanging first, which may refuse.
class TPageControl : public TCommonControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    std::string ClassName() const override { return "TPageControl"; }

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(static_cast<size_t>(index)); }
    TTabSheet* ActivePage() const { return active_; }
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int index);
    // Tabs drawn by OnDrawTab.
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool ownerDraw);
    TCanvas* Canvas() { return WindowCanvas(); }

    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;
    TDrawTabEvent OnDrawTab;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    void AlignControls(TControl* control, RECT& rect) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void UpdateTabs();
    void ShowActivePage();

    std::vector<TTabSheet*> pages_;
    TTabSheet* active_ = nullptr;
    bool ownerDraw_ = false;
};
