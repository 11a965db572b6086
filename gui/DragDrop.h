#pragma once
// Dragging controls onto controls. While a drag lasts the mouse is captured
// by a hidden window of the drag's own: each move asks the control under
// the pointer, by CM_DRAG, whether it accepts; the release drops on it when
// it does. The drag object stands for what is dragged and hears how the drag
// ended.
#include "Controls.h"

// How far the pointer moves with the button held before a drag that was
// not begun at once starts.
constexpr int DefaultDragThreshold = 5;

class TDragObject : public TObject {
public:
    std::string ClassName() const override { return "TDragObject"; }

    // The pointer, on the screen, as of the last move.
    POINT DragPos{};
    // The control under the pointer, and its window; null over anything else.
    TControl* DragTarget = nullptr;
    HWND DragHandle = nullptr;
    // Set once a target took the drop.
    bool Dropped = false;

    virtual TCustomImageList* GetDragImages() { return nullptr; }
    // The pointer's shape over a target that accepts the drop or not; X and
    // Y on the screen.
    virtual TCursor GetDragCursor(bool accepted, int x, int y);
    // The drag is over: dropped on Target (in its coordinates) when
    // Accepted, else Target is null. The object is not touched afterwards,
    // so it may free itself here.
    virtual void Finished(TObject* target, int x, int y, bool accepted);

    // Around painting of the screen under the drag image.
    void HideDragImage();
    void ShowDragImage();
};

// A control being dragged: it shows its drag images and hears OnEndDrag.
class TDragControlObject : public TDragObject {
public:
    explicit TDragControlObject(TControl* control) : Control(control) {}
    std::string ClassName() const override { return "TDragControlObject"; }

    TControl* const Control;

    TCustomImageList* GetDragImages() override { return Control->GetDragImages(); }
    TCursor GetDragCursor(bool accepted, int x, int y) override;
    void Finished(TObject* target, int x, int y, bool accepted) override;
};

// The object of the drag going on; null when none.
TDragObject* CurrentDragObject();
// Ends the drag going on, if any, without a drop.
void CancelDrag();
// A message of the application's loop: Esc pressed during a drag cancels
// the drag and goes no further. Answers whether the message was used.
bool IsDragKeyMsg(const MSG& msg);
// The control goes away: it is no longer the target, and a drag of it ends
// without telling it.
void DragControlDestroyed(TControl* control);
