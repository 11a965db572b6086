#pragma once
// Hints: the small window that shows a control's Hint after the pointer has
// rested on it, and the application's bookkeeping of when it shows.
#include <memory>
#include <string>

#include "Timers.h"
#include "WinControls.h"

// A borderless pop-up above every window that never takes the focus.
// Derived hint windows paint their own look.
class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);
    std::string ClassName() const override { return "THintWindow"; }

    // Shows Hint in Rect (screen coordinates).
    virtual void ActivateHint(TRect rect, const std::string& hint);
    // The rectangle at (0, 0) the hint needs, its text wrapped at MaxWidth.
    virtual TRect CalcHintRect(int maxWidth, const std::string& hint);
    void ReleaseHint();
    bool Showing() const { return showing_; }

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;

private:
    bool showing_ = false;
};

// When the hint shows and hides: the pointer resting HintPause ms on a
// control with ShowHint and a Hint shows it, HintHidePause ms later or when
// the pointer leaves the control it goes.
class THintManager {
public:
    THintManager();
    ~THintManager();

    bool ShowHint = true;
    TColor HintColor = clInfoBk;
    unsigned HintPause = 500;
    unsigned HintHidePause = 2500;

    // The hint of the control under the pointer ("" when none).
    const std::string& Hint() const { return hint_; }
    // The pointer moved over Control (null: over no control of ours).
    void MouseMoved(TControl* control);
    // The pointer left Control for no window of ours: its hint goes.
    void MouseLeft(TControl* control);
    // Shows the hint of the control under the pointer now.
    void ActivateHint(POINT cursor);
    void CancelHint();
    THintWindow* HintWindow() { return window_.get(); }

private:
    void Show();

    TControl* control_ = nullptr;
    std::string hint_;
    std::unique_ptr<THintWindow> window_;
    TTimer showTimer_{nullptr};
    TTimer hideTimer_{nullptr};
};
