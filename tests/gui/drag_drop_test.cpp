// Dragging with the real pointer: from one list to another, the events in
// the order a program relies on; a refused drop ends with no target; a drag
// not yet past its threshold asks no target; Esc cancels a drag; a
// program's drag object shows its image while the drag lasts.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "DragDrop.h"
#include "Graphics.h"
#include "ImageList.h"
#include "ListBoxes.h"

#include <algorithm>

using namespace tvmtest;

namespace {

const char* StateName(TDragState state)
{
    static const char* const names[] = {"enter", "leave", "move"};
    return names[state];
}

struct TDragFixture {
    TTestForm form{nullptr, 300, 200};
    TListBox source{&form};
    TListBox target{&form};
    TMessageLog log;
    bool accept = true;
    // Where Press left the pointer.
    POINT pressed{};

    TDragFixture()
    {
        source.SetBounds(10, 10, 120, 150);
        target.SetBounds(170, 10, 120, 150);
        for (TListBox* list : {&source, &target}) list->SetParent(&form);
        source.Items()->SetCommaText("one,two,three");
        source.OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
            if (button != mbLeft) return;
            source.SetItemIndex(source.ItemAtPos(POINT{x, y}, true));
            source.BeginDrag(false);
        };
        source.OnStartDrag = [this](TObject*, TDragObject*&) { log.push_back("start"); };
        target.OnDragOver = [this](TObject*, TObject* from, int, int, TDragState state, bool& accepted) {
            // Moves come by the dozen; one in the log says they came.
            std::string entry = std::string("over ") + StateName(state);
            if (log.empty() || log.back() != entry) log.push_back(entry);
            accepted = accept && from == &source;
        };
        target.OnDragDrop = [this](TObject*, TObject* from, int, int) {
            auto* list = static_cast<TListBox*>(from);
            log.push_back("drop " + list->Items()->Get(list->ItemIndex()));
        };
        source.OnEndDrag = [this](TObject*, TObject* to, int, int) {
            log.push_back(to == &target ? "end on target" : to ? "end elsewhere" : "end without target");
        };
        form.Show();
        SetForegroundWindow(form.Handle());
        form.Update();
    }

    POINT Screen(TControl& control, int x, int y) { return control.ClientToScreen(POINT{x, y}); }

    bool Logged(const std::string& entry)
    {
        return PumpUntil([&] { return std::find(log.begin(), log.end(), entry) != log.end(); });
    }

    // Presses over the second row of the source list and moves a few pixels.
    void Press()
    {
        const POINT row = Screen(source, 30, source.Perform(LB_GETITEMHEIGHT) * 3 / 2);
        SendMouseInput(row);
        PumpUntil([&] {
            POINT at;
            GetCursorPos(&at);
            return at.x == row.x && at.y == row.y;
        });
        SendMouseInput(row, MOUSEEVENTF_LEFTDOWN);
        ASSERT_TRUE(Logged("start"));
        pressed = POINT{row.x + 2, row.y + 1};
        SendMouseInput(pressed);
        const DWORD moved = GetTickCount();
        PumpUntil([&] { return GetTickCount() - moved > 200; });
    }
};

}

TEST(DragDrop, DragFromOneListToAnotherFiresOverDropAndEndInOrder)
{
    TDragFixture f;
    f.Press();
    EXPECT_EQ(f.log, (TMessageLog{"start"})) << "within the threshold no target is asked";
    EXPECT_TRUE(f.source.Dragging());
    SendMouseInput(f.Screen(f.target, 20, 20));
    ASSERT_TRUE(f.Logged("over enter"));
    SendMouseInput(f.Screen(f.target, 40, 30));
    ASSERT_TRUE(f.Logged("over move"));
    SendMouseInput(f.Screen(f.target, 40, 30), MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(f.Logged("end on target"));
    EXPECT_EQ(f.log, (TMessageLog{"start", "over enter", "over move", "drop two", "end on target"}));
    EXPECT_FALSE(f.source.Dragging());
    EXPECT_EQ(CurrentDragObject(), nullptr);
}

TEST(DragDrop, RefusedDropEndsWithoutTargetAndTheTargetHearsTheLeave)
{
    TDragFixture f;
    f.accept = false;
    f.Press();
    SendMouseInput(f.Screen(f.target, 20, 20));
    ASSERT_TRUE(f.Logged("over enter"));
    SendMouseInput(f.Screen(f.target, 20, 20), MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(f.Logged("end without target"));
    EXPECT_EQ(f.log, (TMessageLog{"start", "over enter", "over leave", "end without target"}));
}

TEST(DragDrop, ReleaseWithinTheThresholdAsksNoTarget)
{
    TDragFixture f;
    f.Press();
    SendMouseInput(f.pressed, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(f.Logged("end without target"));
    EXPECT_EQ(f.log, (TMessageLog{"start", "end without target"}));
}

namespace {

void PressKey(WORD key)
{
    INPUT inputs[2]{};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

}

TEST(DragDrop, EscapeCancelsTheDragAndGivesThePointerItsShapeBack)
{
    TDragFixture f;
    f.target.SetCursor(crHandPoint);
    TWndMethod targetProc = f.target.WindowProc;
    f.target.WindowProc = [&](TMessage& message) {
        if (message.Msg == CM_DRAG && message.WParam == dmDragCancel) f.log.push_back("cancel");
        targetProc(message);
    };
    // The keys go where the focus is, as they would for the user.
    f.source.SetFocus();
    f.Press();
    SendMouseInput(f.Screen(f.target, 20, 20));
    ASSERT_TRUE(f.Logged("over enter"));
    EXPECT_EQ(GetCursor(), Screen->Cursors(f.source.DragCursor)) << "the target accepts";

    PressKey(VK_ESCAPE);
    ASSERT_TRUE(f.Logged("end without target"));
    EXPECT_EQ(f.log, (TMessageLog{"start", "over enter", "over leave", "cancel", "end without target"}));
    EXPECT_FALSE(f.source.Dragging());
    EXPECT_EQ(CurrentDragObject(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint)) << "the shape of the control under the pointer";

    SendMouseInput(f.Screen(f.target, 20, 20), MOUSEEVENTF_LEFTUP);
    const DWORD released = GetTickCount();
    PumpUntil([&] { return GetTickCount() - released > 200; });
    EXPECT_EQ(f.log.back(), "end without target") << "the release after the cancel drops nothing";

    // Within the threshold too: nothing was asked, nothing is cancelled.
    f.log.clear();
    f.Press();
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(f.Logged("end without target"));
    EXPECT_EQ(f.log, (TMessageLog{"start", "end without target"}));
    SendMouseInput(f.pressed, MOUSEEVENTF_LEFTUP);
}

namespace {

// A drag object of the program's own: handlers get it as the source.
class TPictureDrag : public TDragObject {
public:
    TPictureDrag(TCustomImageList& images, TMessageLog& log) : images_(images), log_(log) {}
    TCustomImageList* GetDragImages() override { return &images_; }
    void Finished(TObject* target, int, int, bool accepted) override
    {
        log_.push_back(target && accepted ? "finished dropped" : "finished");
    }

private:
    TCustomImageList& images_;
    TMessageLog& log_;
};

}

TEST(DragDrop, ProgramsDragObjectIsTheSourceAndShowsItsImageWhileDragging)
{
    TDragFixture f;
    TImageList images(nullptr, 16, 16);
    TBitmap picture;
    picture.SetSize(16, 16);
    images.Add(picture, nullptr);
    images.SetDragImage(0, 8, 8);
    TPictureDrag drag(images, f.log);
    f.source.OnStartDrag = [&](TObject*, TDragObject*& object) { object = &drag; f.log.push_back("start"); };
    TObject* seen = nullptr;
    f.target.OnDragOver = [&](TObject*, TObject* from, int, int, TDragState, bool& accepted) {
        seen = from;
        accepted = true;
    };
    f.target.OnDragDrop = [&](TObject*, TObject*, int, int) { f.log.push_back("drop"); };
    f.Press();
    SendMouseInput(f.Screen(f.target, 20, 20));
    ASSERT_TRUE(PumpUntil([&] { return seen != nullptr; }));
    EXPECT_EQ(seen, &drag);
    EXPECT_EQ(CurrentDragObject(), &drag);
    EXPECT_EQ(drag.DragTarget, &f.target);
    POINT at{}, hotSpot{};
    EXPECT_NE(ImageList_GetDragImage(&at, &hotSpot), nullptr) << "the image follows the pointer";
    SendMouseInput(f.Screen(f.target, 20, 20), MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(f.Logged("finished dropped"));
    EXPECT_EQ(f.log, (TMessageLog{"start", "drop", "finished dropped"})) << "OnEndDrag is the layer's object's business";
    EXPECT_EQ(ImageList_GetDragImage(&at, &hotSpot), nullptr);
}
