#pragma once
// Timers: a component that fires OnTimer every Interval milliseconds on the
// GUI thread, while the thread handles messages.
#include "Components.h"
#include "UtilWindow.h"

#include <cstdint>

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    std::string ClassName() const override { return "TTimer"; }

    // The timer runs while it is enabled, has an interval above 0 and an
    // OnTimer handler; each setter starts or stops it accordingly, and a new
    // interval starts counting afresh.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t interval);
    const TNotifyEvent& OnTimer() const { return onTimer_; }
    // May be called from inside the running handler, which ends undisturbed.
    void SetOnTimer(TNotifyEvent handler);

protected:
    // Fires OnTimer; an exception goes to the application.
    virtual void Timer();

private:
    void WndProc(TMessage& message);
    void UpdateTimer();

    bool enabled_ = true;
    uint32_t interval_ = 1000;
    TNotifyEvent onTimer_;
    TUtilityWindow window_;
};
