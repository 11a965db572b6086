#pragma once
// Containers and pictures drawn by the library itself: the panel with its
// bevels, the group box, the image control and the splitter.
#include <memory>

#include "Picture.h"
#include "StdCtrls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using TBorderStyle = TFormBorderStyle;  // bsNone or bsSingle

// A panel: an outer bevel, a border of BorderWidth, an inner bevel, then
// the area its aligned children fill, with the caption drawn in the middle.
class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);
    std::string ClassName() const override { return "TCustomPanel"; }

    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut bevel);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut bevel);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void AlignControls(TControl* control, RECT& rect) override;
    void WndProc(TMessage& message) override;

private:
    // How far the frames reach into the client area.
    int FrameWidth() const;
    void FramesChanged();

    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
    std::string ClassName() const override { return "TPanel"; }
};

// An etched frame with its caption in the top edge; children lie inside.
class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent* owner);
    std::string ClassName() const override { return "TGroupBox"; }

protected:
    void Paint() override;
    void AlignControls(TControl* control, RECT& rect) override;
    void WndProc(TMessage& message) override;
};

// A picture drawn on its parent: at its size, stretched or centred.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;
    std::string ClassName() const override { return "TImage"; }

    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(const TPicture* picture) { picture_->Assign(picture); }
    // The control takes the picture's size whenever the picture changes.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    bool Center() const { return center_; }
    void SetCenter(bool center);
    // Passed to the graphic: a transparent bitmap leaves its transparent
    // colour's pixels unpainted.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

protected:
    void Paint() override;

private:
    void PictureChanged();
    TRect DestinationRect();

    std::unique_ptr<TPicture> picture_;
    bool autoSize_ = false;
    bool stretch_ = false;
    bool center_ = false;
    bool transparent_ = false;
};

// A bar between a control aligned to one side and the rest: dragging it
// resizes that control, which lies directly before it in the same alignment.
class TSplitter : public TGraphicControl {
public:
    explicit TSplitter(TComponent* owner);
    std::string ClassName() const override { return "TSplitter"; }

    bool Beveled() const { return beveled_; }
    void SetBeveled(bool beveled);
    // Neither the resized control nor what is left beside it gets smaller.
    int MinSize = 30;

    // A drag ended.
    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void WndProc(TMessage& message) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
    // The sibling the splitter resizes; null when none touches it.
    TControl* FindResizedControl() const;
    // Where the pointer is along the splitter's axis, in the parent.
    int AxisPosition(int x, int y);

    bool beveled_ = false;
    TControl* resized_ = nullptr;
    int dragStart_ = 0;
    int startSize_ = 0;
    int maxSize_ = 0;
};
