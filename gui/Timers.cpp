#include "Timers.h"

#include "Exceptions.h"
#include "Forms.h"

namespace {

constexpr UINT_PTR TimerId = 1;

}

TTimer::TTimer(TComponent* owner) : TComponent(owner), window_([this](TMessage& message) { WndProc(message); })
{
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t interval)
{
    if (interval == interval_) return;
    interval_ = interval;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler)
{
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TTimer::UpdateTimer()
{
    KillTimer(window_.Handle(), TimerId);
    if (enabled_ && interval_ > 0 && onTimer_ && !SetTimer(window_.Handle(), TimerId, interval_, nullptr))
        throw EOutOfMemory("Not enough timers available");
}

void TTimer::Timer()
{
    // A copy: the handler may replace itself or free the timer.
    TNotifyEvent handler = onTimer_;
    try {
        if (handler) handler(this);
    } catch (...) {
        Application->HandleException(this);
    }
}

void TTimer::WndProc(TMessage& message)
{
    if (message.Msg == WM_TIMER && message.WParam == TimerId)
        Timer();
    else
        window_.DefaultHandler(message);
}
