#pragma once
// A window whose children may reach beyond it: scroll bars appear when they
// do, and scrolling moves the children under the window.
#include "ExtCtrls.h"

class TScrollBox : public TCustomControl {
public:
    explicit TScrollBox(TComponent* owner);
    std::string ClassName() const override { return "TScrollBox"; }

    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);

    // How far the contents are scrolled, in pixels.
    int HorzPosition() const { return position_.x; }
    int VertPosition() const { return position_.y; }
    // Scrolls to the position, kept within what the children need.
    void ScrollTo(int x, int y);
    // Scrolls as little as needed for the child to show whole.
    void ScrollInView(TControl* control);
    // The size the children need, from the contents' top-left corner.
    SIZE Range();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void AlignControls(TControl* control, RECT& rect) override;
    void ControlBoundsChanged(TControl* control) override;
    void WndProc(TMessage& message) override;

private:
    void UpdateScrollBars();
    // The new position for a scroll bar's request.
    int ScrollCode(int bar, int code);

    TBorderStyle borderStyle_ = bsSingle;
    POINT position_{0, 0};
    bool updating_ = false;
};
