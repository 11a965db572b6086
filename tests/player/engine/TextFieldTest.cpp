// Text fields drawn: embedded square glyphs placed by alignment, margins,
// wrapping and clipping; HTML; borders; the variable a field shows; and a
// device font's text kept inside its box.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <tuple>
#include <vector>

#include "HtmlText.h"
#include "StageDrawing.h"
#include "SwfDrawing.h"
#include "SwfFixtures.h"
#include "SwfText.h"

namespace {

using namespace tvmplayer;
using namespace tvmtest;

constexpr uint32_t Blue = 0xFF0000FF, White = 0xFFFFFFFF, Red = 0xFFFF0000, Black = 0xFF000000;

// The square font's glyphs are 20 pixels at this height and advance 25.
SwfEditText Field(std::string text)
{
    return {.id = 2, .x0 = 10 * Px, .y0 = 10 * Px, .x1 = 90 * Px, .y1 = 90 * Px, .fontId = 1, .argb = Blue, .variable = {},
            .text = std::move(text)};
}

Bytes FieldMovie(const SwfEditText& field, const Bytes& actions = {}, uint32_t background = 0xFFFFFF)
{
    SwfTags tags;
    tags.Background(background)
        .Tag(TagDefineFont2, SquareFont2(1, "Squares", "A"))
        .Tag(TagDefineEditText, EditTextTag(field))
        .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 2}));
    if (!actions.empty()) tags.DoAction(actions);
    return StageMovie(tags.ShowFrame().End().Take());
}

struct FieldCase {
    const char* name;
    std::function<Bytes()> movie;
    std::vector<Probe> probes;
};

std::ostream& operator<<(std::ostream& out, const FieldCase& c)
{
    return out << c.name;
}

class TextField : public testing::TestWithParam<FieldCase> {};

TEST_P(TextField, GlyphsLandInTheirBoxes)
{
    ExpectProbes(DrawStage(GetParam().movie()), GetParam().probes, 3);
}

SwfEditText With(SwfEditText field, const std::function<void(SwfEditText&)>& change)
{
    change(field);
    return field;
}

// The first line's glyphs stand from y 12 to 32, the second's from 37 to 57;
// from the left, glyphs start at x 12, 37, 62.
INSTANTIATE_TEST_SUITE_P(
    Layout, TextField,
    testing::Values(
        FieldCase{"left", [] { return FieldMovie(Field("AA")); },
                  {{22, 22, Blue}, {34, 22, White}, {47, 22, Blue}, {70, 22, White}, {22, 35, White}, {22, 10, White}}},
        FieldCase{"right", [] { return FieldMovie(With(Field("A"), [](auto& f) { f.align = 1; })); },
                  {{73, 22, Blue}, {22, 22, White}}},
        FieldCase{"centre", [] { return FieldMovie(With(Field("A"), [](auto& f) { f.align = 2; })); },
                  {{47, 22, Blue}, {22, 22, White}, {75, 22, White}}},
        FieldCase{"left margin", [] { return FieldMovie(With(Field("A"), [](auto& f) { f.leftMargin = 20 * Px; })); },
                  {{22, 22, White}, {42, 22, Blue}}},
        FieldCase{"word wrap",
                  [] {
                      return FieldMovie(With(Field("AA AA AA"), [](auto& f) { f.wordWrap = f.multiline = true; }));
                  },
                  {{22, 22, Blue}, {72, 22, White}, {22, 47, Blue}, {47, 47, Blue}, {22, 72, Blue}}},
        FieldCase{"one line clipped at the box",
                  [] { return FieldMovie(Field("AA AA")); },
                  {{75, 22, Blue}, {85, 22, Blue}, {22, 47, White}}},
        FieldCase{"clipped at a narrow box", [] { return FieldMovie(With(Field("AAA"), [](auto& f) { f.x1 = 50 * Px; })); },
                  {{45, 22, Blue}, {53, 22, White}}},
        FieldCase{"html paragraph and colour",
                  [] {
                      return FieldMovie(With(Field("<p align=\"right\"><font color=\"#FF0000\">A</font></p>"),
                                             [](auto& f) { f.html = true; }));
                  },
                  {{73, 22, Red}, {22, 22, White}}},
        FieldCase{"html line break",
                  [] { return FieldMovie(With(Field("A<br/>A"), [](auto& f) { f.html = f.multiline = true; })); },
                  {{22, 22, Blue}, {22, 47, Blue}, {47, 47, White}}},
        FieldCase{"border and background",
                  [] {
                      return FieldMovie(With(Field(""), [](auto& f) { f.x0 = f.y0 = 210; f.x1 = f.y1 = 1810; f.border = true; }),
                                        {}, 0xFF0000);
                  },
                  {{50, 80, White}, {5, 5, Red}, {10, 50, Black}, {90, 50, Black}, {50, 10, Black}, {95, 50, Red}}},
        FieldCase{"bound variable set by the frame's actions",
                  [] {
                      return FieldMovie(With(Field("A"), [](auto& f) { f.variable = "score"; }),
                                        SwfActions().Push({"score", "AAA"}).Op(0x1D).Take());
                  },
                  {{22, 22, Blue}, {72, 22, Blue}}}));

TEST(TextFieldVariable, ScriptsReadTheInitialText)
{
    NoClock clock;
    MoviePlayer player(clock);
    ASSERT_TRUE(player.Load(FieldMovie(With(Field("AA"), [](auto& f) { f.variable = "greeting"; }))));
    EXPECT_EQ(player.GetVariable("greeting"), "AA");
    player.SetVariable("greeting", "");
    std::vector<uint32_t> pixels(100 * 100);
    player.Render({pixels.data(), 100, 100, 100});
    EXPECT_EQ(pixels[22 * 100 + 22], White) << "an emptied variable empties the field";
}

// A device font draws the text in the box, and nothing beyond it.
TEST(TextFieldDeviceFont, DrawsInsideItsBox)
{
    SwfTags tags;
    tags.Background(0xFFFFFF)
        .Tag(TagDefineFont2, SquareFont2(1, "_sans", ""))
        .Tag(TagDefineEditText, EditTextTag(With(Field("HHHHHHHHHHHHHHHH"), [](auto& f) {
                 f.outlines = false;
                 f.argb = Black;
                 f.x1 = 60 * Px;
                 f.y1 = 40 * Px;
             })))
        .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 2}));
    std::vector<uint32_t> pixels = DrawStage(StageMovie(tags.ShowFrame().End().Take()));
    int inside = 0, outside = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) {
            bool dark = (pixels[static_cast<size_t>(y) * 100 + x] & 0xFF) < 128;
            bool inBox = x >= 10 && x < 60 && y >= 10 && y < 40;
            (inBox ? inside : outside) += dark;
        }
    EXPECT_GT(inside, 50);
    EXPECT_EQ(outside, 0);
}

}

namespace {

TEST(HtmlText, TagsStyleTheirTextAndEntitiesStandForCharacters)
{
    TextSpan base;
    base.Style.Size = 240;
    FontLookup none = [](const std::string&, bool, bool) -> const Font* { return nullptr; };
    std::vector<TextSpan> spans = ParseHtmlText(
        "a&lt;&#65;&amp;x<b>B<i>I</b>c</i><font size=\"+2\" color='#00FF00'>F</font><unknown>u</unknown>&bogus;",
        base, none);
    std::u32string all;
    for (const TextSpan& span : spans) all += span.Text;
    EXPECT_EQ(all, U"a<A&xBIcFu&bogus;");
    ASSERT_GE(spans.size(), 5u);
    EXPECT_FALSE(spans[0].Style.Bold);
    EXPECT_TRUE(spans[1].Style.Bold);
    EXPECT_TRUE(spans[2].Style.Bold && spans[2].Style.Italic);
    // </b> closes the <i> opened inside it too.
    EXPECT_FALSE(spans[3].Style.Bold || spans[3].Style.Italic);
    EXPECT_EQ(spans[3].Text, U"c");
    EXPECT_EQ(spans[4].Text, U"F");
    EXPECT_EQ(spans[4].Style.Size, 280);
    EXPECT_EQ(spans[4].Style.Argb, 0xFF00FF00);
}

}

namespace {

// What htmlText tells reads back as the text it was made from: paragraphs
// (a closing tag ends one only where more follows), empty ones, styles,
// links and margins.
TEST(HtmlText, WrittenHtmlReadsBackAsTheSameSpans)
{
    struct Case {
        const char* html;
        std::u32string text;
    };
    const Case cases[] = {
        {"<p>a</p>", U"a"},
        {"<p>a</p><p>b</p>", U"a\nb"},
        {"<p>a</p><p></p>", U"a\n"},
        {"<p></p><p>a</p>", U"\na"},
        {"a<br>b", U"a\nb"},
        {"<p align='right'><b>x</b><i>y<u>z</u></i></p><p align='center'><font face='F' size='30' color='#123456'>w</font></p>",
         U"xyz\nw"},
        {"<textformat leftmargin='3' indent='2' leading='1'><p><a href='u&amp;v' target='_top'>&lt;l&gt;</a></p></textformat>",
         U"<l>"},
    };
    TextSpan base;
    FontLookup none = [](const std::string&, bool, bool) -> const Font* { return nullptr; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.html);
        std::vector<TextSpan> read = ParseHtmlText(c.html, base, none);
        std::u32string text;
        for (const TextSpan& span : read) text += span.Text;
        EXPECT_EQ(text, c.text);
        std::string written = WriteHtmlText(read);
        std::vector<TextSpan> again = ParseHtmlText(written, base, none);
        SCOPED_TRACE(written);
        // Runs may split differently; each character keeps its style.
        auto characters = [](const std::vector<TextSpan>& spans) {
            std::vector<std::tuple<char32_t, TextStyle, ParagraphStyle>> out;
            for (const TextSpan& span : spans)
                for (char32_t code : span.Text) out.emplace_back(code, span.Style, span.Paragraph);
            return out;
        };
        auto before = characters(read), after = characters(again);
        ASSERT_EQ(before.size(), after.size());
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(std::get<0>(before[i]), std::get<0>(after[i])) << i;
            EXPECT_TRUE(std::get<1>(before[i]) == std::get<1>(after[i])) << i;
            // A break's paragraph is the one it ends, which the next paragraph's tag may not repeat.
            if (std::get<0>(before[i]) != U'\n') {
                EXPECT_TRUE(std::get<2>(before[i]) == std::get<2>(after[i])) << i;
            }
        }
    }
}

}
