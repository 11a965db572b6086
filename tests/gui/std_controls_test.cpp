// The standard controls under real windows: what the user does reaches the
// events, what the program sets does not pretend to be the user.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "StdCtrls.h"

using namespace tvmtest;

namespace {

void Type(HWND window, const std::string& text)
{
    for (char c : text) SendMessageA(window, WM_CHAR, static_cast<BYTE>(c), 1);
}

// Posted to the window as the user's key would be, through the
// application's message loop.
void PressKey(HWND window, WORD key)
{
    PostMessageA(window, WM_KEYDOWN, key, 1);
    Pump();
}

}

TEST(StdControls, ComboIndexSetInCodeFiresNothingWhileAUsersChoiceDoes)
{
    TTestForm form(nullptr);
    TComboBox combo(&form);
    combo.SetStyle(csDropDownList);
    combo.Items()->SetCommaText("red,green,blue");
    combo.SetParent(&form);
    TMessageLog log;
    combo.OnClick = [&](TObject*) { log.push_back("click " + std::to_string(combo.ItemIndex())); };
    combo.OnChange = [&](TObject*) { log.push_back("change"); };
    form.Show();

    combo.SetItemIndex(1);
    EXPECT_EQ(combo.ItemIndex(), 1);
    EXPECT_EQ(combo.Text(), "green");
    EXPECT_TRUE(log.empty());

    combo.SetFocus();
    PressKey(combo.Handle(), VK_DOWN);
    EXPECT_EQ(log, (TMessageLog{"change", "click 2"}));
    EXPECT_EQ(combo.Text(), "blue");

    combo.SetItemIndex(7);
    EXPECT_EQ(combo.ItemIndex(), -1) << "an index beyond the items chooses nothing";
}

TEST(StdControls, ComboKeepsItsItemsChoiceAndStyleAcrossANewWindow)
{
    TTestForm form(nullptr);
    TComboBox combo(&form);
    combo.Items()->SetCommaText("a,b,c");
    combo.SetItemIndex(2);
    combo.SetParent(&form);
    form.Show();
    EXPECT_EQ(SendMessageA(combo.Handle(), CB_GETCOUNT, 0, 0), 3);
    combo.SetStyle(csDropDownList);
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(SendMessageA(combo.Handle(), CB_GETCOUNT, 0, 0), 3);
    EXPECT_TRUE(GetWindowLongA(combo.Handle(), GWL_STYLE) & CBS_DROPDOWNLIST);
    combo.Items()->Delete(0);
    EXPECT_EQ(SendMessageA(combo.Handle(), CB_GETCOUNT, 0, 0), 2);
}

TEST(StdControls, EditHonoursMaxLengthReadOnlyAndTracksChanges)
{
    TTestForm form(nullptr);
    TEdit edit(&form);
    edit.SetMaxLength(3);
    edit.SetParent(&form);
    int changes = 0;
    edit.OnChange = [&](TObject*) { ++changes; };
    form.Show();

    EXPECT_FALSE(edit.Modified());
    Type(edit.Handle(), "abcde");
    EXPECT_EQ(edit.Text(), "abc");
    EXPECT_TRUE(edit.Modified());
    EXPECT_GE(changes, 3) << "every accepted character is a change";

    edit.SetSelStart(1);
    edit.SetSelLength(1);
    EXPECT_EQ(edit.SelText(), "b");
    edit.SetSelText("X");
    EXPECT_EQ(edit.Text(), "aXc");

    edit.SetReadOnly(true);
    Type(edit.Handle(), "z");
    EXPECT_EQ(edit.Text(), "aXc");
    edit.SetModified(false);
    EXPECT_FALSE(edit.Modified());
}

TEST(StdControls, EditSelectsAllOnEntryAndKeepsItsSelectionShownWhenAsked)
{
    TTestForm form(nullptr);
    TEdit selecting(&form);
    selecting.SetParent(&form);
    TEdit plain(&form);
    plain.SetParent(&form);
    plain.SetTop(30);
    plain.AutoSelect = false;
    selecting.SetText("movie");
    plain.SetText("movie");
    form.Show();
    plain.SetFocus();
    EXPECT_EQ(plain.SelLength(), 0) << "no selection without AutoSelect";
    selecting.SetFocus();
    EXPECT_EQ(selecting.SelText(), "movie") << "entering selects the whole text";

    EXPECT_FALSE(GetWindowLongA(plain.Handle(), GWL_STYLE) & ES_NOHIDESEL);
    plain.SetHideSelection(false);
    EXPECT_TRUE(GetWindowLongA(plain.Handle(), GWL_STYLE) & ES_NOHIDESEL);
    EXPECT_EQ(plain.Text(), "movie") << "the new window keeps the text";
}

TEST(StdControls, MemoLinesAreItsText)
{
    TTestForm form(nullptr);
    TMemo memo(&form);
    memo.SetParent(&form);
    memo.Lines()->Add("one");
    memo.Lines()->Add("two");
    memo.Lines()->Insert(1, "between");
    EXPECT_EQ(memo.Text(), "one\r\nbetween\r\ntwo");
    EXPECT_EQ(memo.Lines()->GetCount(), 3);
    memo.Lines()->Delete(0);
    EXPECT_EQ(memo.Lines()->Get(0), "between");
}

TEST(StdControls, ButtonsSetTheFormsModalResultAndAnswerEnterAndEscape)
{
    TTestForm form(nullptr);
    TEdit edit(&form);
    edit.SetParent(&form);
    TButton ok(&form), cancel(&form);
    ok.SetParent(&form);
    cancel.SetParent(&form);
    ok.ModalResult = mrOk;
    ok.SetDefault(true);
    cancel.ModalResult = mrCancel;
    cancel.Cancel = true;
    TMessageLog log;
    ok.OnClick = [&](TObject*) { log.push_back("ok"); };
    cancel.OnClick = [&](TObject*) { log.push_back("cancel"); };
    form.Show();
    edit.SetFocus();

    PressKey(edit.Handle(), VK_RETURN);
    EXPECT_EQ(form.ModalResult(), mrOk);
    PressKey(edit.Handle(), VK_ESCAPE);
    EXPECT_EQ(form.ModalResult(), mrCancel);
    form.SetModalResult(mrNone);
    SendMessageA(ok.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form.ModalResult(), mrOk);
    EXPECT_EQ(log, (TMessageLog{"ok", "cancel", "ok"}));
}

TEST(StdControls, CheckBoxesAndRadioButtonsKeepTheirStateWithTheWindow)
{
    TTestForm form(nullptr);
    TCheckBox box(&form);
    box.AllowGrayed = true;
    box.SetParent(&form);
    TRadioButton first(&form), second(&form);
    first.SetParent(&form);
    second.SetParent(&form);
    int clicks = 0;
    box.OnClick = [&](TObject*) { ++clicks; };
    form.Show();

    for (TCheckBoxState expected : {cbGrayed, cbChecked, cbUnchecked}) {
        SendMessageA(box.Handle(), BM_CLICK, 0, 0);
        EXPECT_EQ(box.State(), expected);
        EXPECT_EQ(SendMessageA(box.Handle(), BM_GETCHECK, 0, 0), expected);
    }
    EXPECT_EQ(clicks, 3);

    SendMessageA(first.Handle(), BM_CLICK, 0, 0);
    SendMessageA(second.Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(first.Checked());
    EXPECT_TRUE(second.Checked());
    EXPECT_EQ(SendMessageA(first.Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);

    box.SetChecked(true);
    box.DestroyHandle();
    EXPECT_EQ(SendMessageA(box.Handle(), BM_GETCHECK, 0, 0), BST_CHECKED) << "a new window shows the kept state";
}

TEST(StdControls, AutoSizedLabelFitsItsCaption)
{
    TTestForm form(nullptr);
    TLabel label(&form);
    label.SetParent(&form);
    label.SetCaption("W");
    const int narrow = label.Width();
    label.SetCaption("WWWWWWWWWW");
    EXPECT_GT(label.Width(), narrow * 5);
    EXPECT_GT(label.Height(), 0);
    label.SetAutoSize(false);
    label.SetCaption("W");
    EXPECT_GT(label.Width(), narrow * 5) << "without AutoSize the bounds stay";
}
