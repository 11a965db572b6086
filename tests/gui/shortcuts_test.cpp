#include "ShortCuts.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TShortCutCase {
    TShortCut shortCut;
    const char* text;
};

}

TEST(ShortCut, TextRoundTrips)
{
    for (const TShortCutCase& c : {
             TShortCutCase{scCtrl | 'S', "Ctrl+S"},
             TShortCutCase{scAlt | VK_DOWN, "Alt+Down"},
             TShortCutCase{scShift | scCtrl | scAlt | VK_F12, "Shift+Ctrl+Alt+F12"},
             TShortCutCase{scShift | VK_RETURN, "Shift+Enter"},
             TShortCutCase{scCtrl | VK_INSERT, "Ctrl+Ins"},
             TShortCutCase{VK_DELETE, "Del"},
             TShortCutCase{VK_BACK, "BkSp"},
             TShortCutCase{scAlt | '0', "Alt+0"},
             TShortCutCase{VK_F24, "F24"},
             TShortCutCase{scCtrl | VK_PRIOR, "Ctrl+PgUp"},
             TShortCutCase{VK_SPACE, "Space"},
             TShortCutCase{VK_ESCAPE, "Esc"},
         }) {
        EXPECT_EQ(ShortCutToText(c.shortCut), c.text);
        EXPECT_EQ(TextToShortCut(c.text), c.shortCut) << c.text;
    }
    // The default key of the calculator edits' pop-up.
    EXPECT_EQ(ShortCutToText(32808), "Alt+Down");
}

TEST(ShortCut, TextIsReadWithoutRegardToCaseOrModifierOrder)
{
    for (const TShortCutCase& c : {
             TShortCutCase{scCtrl | 'S', "ctrl+s"},
             TShortCutCase{scShift | scAlt | 'X', "Alt+Shift+X"},
             TShortCutCase{scCtrl | VK_END, "CTRL+END"},
             TShortCutCase{scNone, ""},
             TShortCutCase{scNone, "Ctrl+"},
             TShortCutCase{scNone, "Ctrl+Foo"},
             TShortCutCase{scNone, "Ctrl+SS"},
             TShortCutCase{scNone, " Ctrl+S"},
         })
        EXPECT_EQ(TextToShortCut(c.text), c.shortCut) << c.text;
}

TEST(ShortCut, KeysWithoutANameHaveNoText)
{
    EXPECT_EQ(ShortCutToText(scNone), "");
    EXPECT_EQ(ShortCutToText(scCtrl | VK_OEM_1), "");
    EXPECT_EQ(ShortCutToText(scCtrl), "");
}

TEST(ShortCut, AKeyTakesTheModifiersHeldDownWithIt)
{
    BYTE saved[256];
    ASSERT_TRUE(GetKeyboardState(saved));
    struct TCase {
        std::vector<int> held;
        TShortCut expected;
    };
    for (const TCase& c : {TCase{{}, 'S'}, TCase{{VK_CONTROL}, scCtrl | 'S'},
                           TCase{{VK_SHIFT, VK_MENU}, scShift | scAlt | 'S'},
                           TCase{{VK_SHIFT, VK_CONTROL, VK_MENU}, scShift | scCtrl | scAlt | 'S'}}) {
        BYTE state[256] = {};
        for (int key : c.held) state[key] = 0x80;
        ASSERT_TRUE(SetKeyboardState(state));
        EXPECT_EQ(ShortCutFromKey('S'), c.expected);
    }
    SetKeyboardState(saved);
}
