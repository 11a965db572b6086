#include "DragDrop.h"

#include <commctrl.h>

#include <cstdlib>
#include <memory>

#include "Forms.h"
#include "ImageList.h"
#include "UtilWindow.h"
#include "WinControls.h"

namespace {

struct TDragSession {
    TControl* control;
    TDragObject* object;
    // The object was made here and goes with the drag.
    bool ownObject;
    POINT start;
    int threshold;
    // Past the threshold: targets are asked.
    bool active = false;
    TControl* target = nullptr;
    bool accepted = false;
    bool imageShown = false;
    HWND window = nullptr;
};

std::unique_ptr<TDragSession> session;

TControl* TargetAt(POINT screen)
{
    TWinControl* windowed = TWinControl::ContainingControl(WindowFromPoint(screen));
    if (!windowed) return nullptr;
    TControl* windowless = windowed->ControlAtPos(windowed->ScreenToClient(screen), false);
    return windowless ? windowless : windowed;
}

// Tells the target; its handlers may paint, so the image is out of the way.
bool SendDrag(TControl* target, TDragMessage message, POINT pos)
{
    TDragRec rec{pos, session->object, nullptr, target};
    rec.Source = session->ownObject ? static_cast<TObject*>(session->control) : session->object;
    session->object->HideDragImage();
    bool accepted = target->Perform(CM_DRAG, message, reinterpret_cast<LPARAM>(&rec)) != 0;
    if (session) session->object->ShowDragImage();
    return accepted;
}

void ShowImage(POINT pos)
{
    TCustomImageList* images = session->object->GetDragImages();
    if (!images || images->Count() == 0) return;
    POINT hot = images->DragHotspot();
    if (!ImageList_BeginDrag(images->Handle(), images->DragIndex(), hot.x, hot.y)) return;
    session->imageShown = ImageList_DragEnter(nullptr, pos.x, pos.y);
}

void EndImageAndCapture(TDragSession& done)
{
    if (done.imageShown) {
        ImageList_DragLeave(nullptr);
        ImageList_EndDrag();
        done.imageShown = false;
    }
    DeallocateHWnd(done.window);
    done.window = nullptr;
}

void DragTo(POINT pos)
{
    TControl* target = TargetAt(pos);
    session->object->DragPos = pos;
    if (target != session->target) {
        TControl* left = session->target;
        session->target = target;
        session->accepted = false;
        if (left) SendDrag(left, dmDragLeave, pos);
        if (session && target) session->accepted = SendDrag(target, dmDragEnter, pos);
    } else if (target) {
        session->accepted = SendDrag(target, dmDragMove, pos);
    }
    if (!session) return;
    session->object->DragTarget = session->target;
    TWinControl* windowed = session->target ? AsWinControl(session->target) : nullptr;
    if (!windowed && session->target) windowed = session->target->Parent();
    session->object->DragHandle = windowed ? windowed->Handle() : nullptr;
    ::SetCursor(Screen->Cursors(session->object->GetDragCursor(session->accepted, pos.x, pos.y)));
    if (session->imageShown) ImageList_DragMove(pos.x, pos.y);
}

void DragDone(bool drop)
{
    // Everything below may end in messages that come back here: the drag
    // is already over for them.
    std::unique_ptr<TDragSession> done = std::move(session);
    EndImageAndCapture(*done);
    POINT pos;
    GetCursorPos(&pos);
    const bool accepted = drop && done->active && done->accepted && done->target;
    if (done->target) {
        // Sent with the session back in place, so that SendDrag finds it.
        session = std::move(done);
        if (accepted) {
            SendDrag(session->target, dmDragDrop, pos);
        } else {
            SendDrag(session->target, dmDragLeave, pos);
            SendDrag(session->target, dmDragCancel, pos);
        }
        done = std::move(session);
    }
    if (!done) return;
    TControl* target = accepted ? done->target : nullptr;
    POINT at = target ? target->ScreenToClient(pos) : pos;
    done->object->Dropped = accepted;
    // The pointer takes again the shape the screen or the window under it gives.
    Screen->SetCursor(Screen->Cursor());
    done->object->Finished(target, at.x, at.y, accepted);
    if (done->ownObject) delete done->object;
}

void CaptureMessage(TMessage& message)
{
    if (!session) {
        message.Result = 0;
        return;
    }
    switch (message.Msg) {
    case WM_MOUSEMOVE: {
        POINT pos = MessagePoint(message.LParam);
        ClientToScreen(session->window, &pos);
        if (!session->active && std::abs(pos.x - session->start.x) < session->threshold &&
            std::abs(pos.y - session->start.y) < session->threshold)
            return;
        if (!session->active) {
            session->active = true;
            ShowImage(pos);
        }
        DragTo(pos);
        return;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        DragDone(true);
        return;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(message.LParam) != session->window) DragDone(false);
        return;
    }
    message.Result = DefWindowProcA(session->window, message.Msg, message.WParam, message.LParam);
}

}

// ---- TDragObject ----

TCursor TDragObject::GetDragCursor(bool accepted, int, int)
{
    return accepted ? crDrag : crNoDrop;
}

void TDragObject::Finished(TObject*, int, int, bool) {}

void TDragObject::HideDragImage()
{
    if (session && session->object == this && session->imageShown) ImageList_DragShowNolock(FALSE);
}

void TDragObject::ShowDragImage()
{
    if (session && session->object == this && session->imageShown) ImageList_DragShowNolock(TRUE);
}

// ---- TDragControlObject ----

TCursor TDragControlObject::GetDragCursor(bool accepted, int x, int y)
{
    return accepted ? Control->DragCursor : TDragObject::GetDragCursor(accepted, x, y);
}

void TDragControlObject::Finished(TObject* target, int x, int y, bool)
{
    Control->DoEndDrag(target, x, y);
}

// ---- The drag going on ----

TDragObject* CurrentDragObject()
{
    return session ? session->object : nullptr;
}

void CancelDrag()
{
    if (session) DragDone(false);
}

bool IsDragKeyMsg(const MSG& msg)
{
    if (!session || msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) return false;
    DragDone(false);
    return true;
}

void DragControlDestroyed(TControl* control)
{
    if (!session) return;
    if (session->target == control) session->target = nullptr;
    if (session->control != control) return;
    std::unique_ptr<TDragSession> done = std::move(session);
    EndImageAndCapture(*done);
    if (done->ownObject) delete done->object;
}

// ---- TControl's dragging ----

void TControl::BeginDrag(bool immediate, int threshold)
{
    if (session) return;
    TDragObject* object = nullptr;
    DoStartDrag(object);
    const bool own = !object;
    if (own) object = new TDragControlObject(this);
    // The release goes to the drag, not to the control: no click follows.
    controlState_ &= ~(csLButtonDown | csClicked);
    session = std::make_unique<TDragSession>(TDragSession{this, object, own, {}, threshold < 0 ? DefaultDragThreshold : threshold});
    GetCursorPos(&session->start);
    object->DragPos = session->start;
    session->window = AllocateHWnd(CaptureMessage);
    SetCapture(session->window);
    if (!immediate) return;
    session->active = true;
    ShowImage(session->start);
    DragTo(session->start);
}

bool TControl::Dragging() const
{
    return session && session->control == this;
}

void TControl::EndDrag(bool drop)
{
    if (Dragging()) DragDone(drop);
}

void TControl::DoStartDrag(TDragObject*& dragObject)
{
    if (OnStartDrag) OnStartDrag(this, dragObject);
}

void TControl::DragOver(TObject* source, int x, int y, TDragState state, bool& accept)
{
    accept = static_cast<bool>(OnDragOver);
    if (OnDragOver) OnDragOver(this, source, x, y, state, accept);
}

void TControl::DragDrop(TObject* source, int x, int y)
{
    if (OnDragDrop) OnDragDrop(this, source, x, y);
}

void TControl::DoEndDrag(TObject* target, int x, int y)
{
    if (OnEndDrag) OnEndDrag(this, target, x, y);
}

void TControl::DragMessage(TMessage& message)
{
    const auto& rec = *reinterpret_cast<const TDragRec*>(message.LParam);
    POINT at = ScreenToClient(rec.Pos);
    message.Result = 0;
    switch (static_cast<TDragMessage>(message.WParam)) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
        static constexpr TDragState states[] = {dsDragEnter, dsDragLeave, dsDragMove};
        bool accept = false;
        DragOver(rec.Source, at.x, at.y, states[message.WParam], accept);
        message.Result = accept;
        break;
    }
    case dmDragDrop:
        DragDrop(rec.Source, at.x, at.y);
        break;
    case dmDragCancel:
        DragCanceled();
        break;
    }
}
