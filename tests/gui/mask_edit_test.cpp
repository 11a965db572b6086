// Masked editing: places refuse characters that do not fit, literals stay
// put, an incomplete text does not validate, and a multi-line edit's text
// rectangle can leave room for a button.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "Mask.h"

using namespace tvmtest;

TEST(EditMask, FormatsAndSavesTextByItsSections)
{
    struct Case {
        const char* mask;
        const char* text;
        const char* edit;
        const char* saved;
        bool complete;
    } cases[] = {
        {"000-00;1;_", "123-45", "123-45", "123-45", true},
        {"000-00;0;_", "12345", "123-45", "12345", true},
        {"000-00;0;_", "123-45", "123-45", "12345", true},
        {"000-00;1;_", "12345", "123-45", "123-45", true},
        {"000-99;1;_", "12", "12_-__", "12 -  ", false},
        {">LL<ll;1;*", "abCD", "ABcd", "ABcd", true},
        {"\\(000\\);1;_", "(042)", "(042)", "(042)", true},
    };
    for (const Case& c : cases) {
        TEditMask mask(c.mask);
        EXPECT_EQ(mask.Format(c.text), c.edit) << c.mask;
        EXPECT_EQ(mask.Unformat(c.edit), c.saved) << c.mask;
        EXPECT_EQ(mask.Complete(c.edit), c.complete) << c.mask;
    }
    TEditMask phone("(000) 000;1;_");
    EXPECT_EQ(phone.Accept(1, 'x'), 0);
    EXPECT_EQ(phone.Accept(1, '7'), '7');
    EXPECT_EQ(phone.Accept(0, '('), 0) << "literals take no input";
    EXPECT_EQ(phone.NextInputPlace(4), 6);
}

TEST(MaskEdit, TypingFillsPlacesAndRefusesWhatDoesNotFit)
{
    TTestForm form(nullptr);
    TMaskEdit edit(&form);
    edit.SetParent(&form);
    edit.SetEditMask("00:00;1;_");
    form.Show();
    EXPECT_EQ(edit.EditText(), "__:__");
    edit.SetSelStart(0);
    for (char c : std::string("1x23a4")) SendMessageA(edit.Handle(), WM_CHAR, static_cast<BYTE>(c), 1);
    EXPECT_EQ(edit.EditText(), "12:34") << "letters are refused, the literal is skipped";
    EXPECT_NO_THROW(edit.ValidateEdit());

    SendMessageA(edit.Handle(), WM_CHAR, '\b', 1);
    EXPECT_EQ(edit.EditText(), "12:3_");
    EXPECT_THROW(edit.ValidateEdit(), EMaskEditError);
    EXPECT_EQ(edit.MaskedText(), "12:3 ");

    edit.SetText("0915");
    EXPECT_EQ(edit.EditText(), "09:15") << "text set by the program shows the literals";
}

namespace {

// An edit that keeps the right of its window for a button, as edits with a
// button inside do: the text rectangle of a multi-line edit can be set.
class TButtonRoomEdit : public TMaskEdit {
public:
    using TMaskEdit::TMaskEdit;

protected:
    void CreateParams(TCreateParams& params) override
    {
        TMaskEdit::CreateParams(params);
        params.Style |= ES_MULTILINE;
    }
};

}

TEST(MaskEdit, TextRectangleLeavesRoomBesideTheTextAndTheMaskStillHolds)
{
    TTestForm form(nullptr);
    TButtonRoomEdit edit(&form);
    edit.SetParent(&form);
    edit.SetEditMask("00:00;1;_");
    form.Show();
    RECT room{0, 0, edit.ClientWidth() - 20, edit.ClientHeight() + 1};
    SendMessageA(edit.Handle(), EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&room));
    RECT got{};
    SendMessageA(edit.Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&got));
    EXPECT_LE(got.right, room.right);
    EXPECT_GT(got.right, room.right - 8) << "the system keeps only a small margin inside";

    edit.SetSelStart(0);
    for (char c : std::string("12\r34")) SendMessageA(edit.Handle(), WM_CHAR, static_cast<BYTE>(c), 1);
    EXPECT_EQ(edit.EditText(), "12:34") << "Enter breaks no line";
}
