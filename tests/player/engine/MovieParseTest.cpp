// The engine's movie parser: what it reads from whole movies, and that
// damaged, cut or hostile ones are refused without reading outside them.
#include <gtest/gtest.h>

#include <string>

#include "Movie.h"
#include "SwfFixtures.h"

namespace {

using tvmplayer::Movie;
using tvmplayer::ParseMovie;
using tvmtest::Bytes;
using tvmtest::MakeSwf;
using tvmtest::SwfMovie;
using tvmtest::SwfTags;

std::optional<Movie> Parse(const Bytes& file)
{
    return ParseMovie(file);
}

SwfMovie ThreeFrames()
{
    SwfMovie movie;
    movie.widthTwips = 320 * 20;
    movie.heightTwips = 240 * 20;
    movie.rateInteger = 12;
    movie.rateFraction = 0x80;
    movie.frameCount = 3;
    movie.tags = SwfTags()
                     .Background(0x336699)
                     .Label("intro")
                     .DoAction({0x07, 0x00})
                     .ShowFrame()
                     .Background(0xFF0000)  // only the first one counts
                     .Sprite(1, 2, SwfTags().ShowFrame().Label("inner").ShowFrame().End().Take())
                     .ShowFrame()
                     .Label("Last")
                     .Label("end")
                     .ShowFrame()
                     .End()
                     .Take();
    return movie;
}

class EveryKind : public testing::TestWithParam<const char*> {};

TEST_P(EveryKind, ReadsStageRateBackgroundFramesLabelsAndActions)
{
    std::optional<Movie> movie = Parse(MakeSwf(ThreeFrames(), GetParam()));
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->Version, 10);
    EXPECT_EQ(movie->StageWidth(), 320);
    EXPECT_EQ(movie->StageHeight(), 240);
    EXPECT_EQ(movie->Rate, 12 * 256 + 0x80);
    EXPECT_NEAR(movie->FrameMilliseconds(), 1000 / 12.5, 1e-9);
    EXPECT_EQ(movie->Background, 0xFF336699u);
    ASSERT_EQ(movie->Frames.size(), 3u);
    EXPECT_EQ(movie->Frames[0].Labels, std::vector<std::string>{"intro"});
    EXPECT_EQ(movie->Frames[0].Actions, (std::vector<Bytes>{{0x07, 0x00}}));
    EXPECT_TRUE(movie->Frames[1].Labels.empty()) << "a sprite's labels are its own";
    EXPECT_EQ(movie->Frames[2].Labels, (std::vector<std::string>{"Last", "end"}));
    EXPECT_EQ(movie->FindLabel("INTRO"), 0u);
    EXPECT_EQ(movie->FindLabel("last"), 2u);
    EXPECT_EQ(movie->FindLabel("inner"), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Signatures, EveryKind, testing::Values("FWS", "CWS", "ZWS"));

TEST(MovieParse, FrameCountIsTheLargerOfHeaderAndShownFrames)
{
    SwfMovie movie;
    movie.frameCount = 5;
    movie.tags = SwfTags().ShowFrame().ShowFrame().End().Take();
    std::optional<Movie> declared = Parse(MakeSwf(movie));
    EXPECT_EQ(declared->FrameCount, 5u);
    EXPECT_EQ(declared->Frames.size(), 2u) << "the empty frames declared past the shown ones are not made";
    movie.frameCount = 1;
    EXPECT_EQ(Parse(MakeSwf(movie))->FrameCount, 2u);
}

TEST(MovieParse, LongTagHeadersAndUnknownTagsAreWalkedOver)
{
    SwfMovie movie;
    movie.frameCount = 1;
    movie.tags = SwfTags().Tag(777, Bytes(300, 0xAB)).Tag(9, {1, 2, 3}, true).ShowFrame().End().Take();
    std::optional<Movie> parsed = Parse(MakeSwf(movie));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Background, 0xFF010203u);
}

TEST(MovieParse, WithoutBackgroundTheStageIsWhite)
{
    SwfMovie movie;
    movie.tags = SwfTags().ShowFrame().End().Take();
    EXPECT_EQ(Parse(MakeSwf(movie))->Background, 0xFFFFFFFFu);
}

TEST(MovieParse, BytesPastTheDeclaredLengthAreIgnored)
{
    Bytes file = MakeSwf(ThreeFrames());
    file.insert(file.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_TRUE(Parse(file));
}

// A cut movie is refused. Compressed streams end in bytes that carry no
// content (checksum, end marker, coder flush): without them the movie is
// still read, but then whole and never as something else.
TEST(MovieParse, EveryCutOfAMovieIsRefusedOrReadWhole)
{
    for (const char* kind : {"FWS", "CWS", "ZWS"}) {
        Bytes whole = MakeSwf(ThreeFrames(), kind);
        std::optional<Movie> expected = Parse(whole);
        size_t accepted = 0;
        for (size_t length = 0; length < whole.size(); ++length) {
            std::optional<Movie> cut = Parse(Bytes(whole.begin(), whole.begin() + length));
            if (!cut)
                continue;
            ++accepted;
            EXPECT_GE(length, whole.size() - 12) << kind << " cut at " << length;
            EXPECT_EQ(cut->FrameCount, expected->FrameCount);
            EXPECT_EQ(cut->Frames[2].Labels, expected->Frames[2].Labels);
        }
        if (kind[0] == 'F') {
            EXPECT_EQ(accepted, 0u);
        }
    }
}

Bytes WithTags(const Bytes& tags)
{
    SwfMovie movie;
    movie.tags = tags;
    return MakeSwf(movie);
}

void SetDeclaredLength(Bytes& file, uint32_t length)
{
    for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(length >> (8 * i));
}

// Some writers leave placeholders for the length and the frame count of an
// uncompressed movie: what is there is read when it ends as a movie ends, with
// the frames it shows, and refused when it is cut.
TEST(MovieParse, AnOverstatedLengthNeedsTheEndTag)
{
    SwfMovie placeholders = ThreeFrames();
    placeholders.frameCount = 6000;
    Bytes ended = MakeSwf(placeholders);
    SetDeclaredLength(ended, 100u << 20);
    std::optional<Movie> movie = Parse(ended);
    ASSERT_TRUE(movie);
    EXPECT_EQ(movie->FrameCount, 3u);
    EXPECT_EQ(movie->Frames[2].Labels, (std::vector<std::string>{"Last", "end"}));
    ended.resize(ended.size() - 2);
    EXPECT_FALSE(Parse(ended)) << "no End tag";
}

TEST(MovieParse, DamagedMoviesAreRefused)
{
    Bytes notAMovie = MakeSwf(SwfMovie());
    notAMovie[1] = 'X';
    Bytes shortLength = MakeSwf(SwfMovie());
    SetDeclaredLength(shortLength, 7);
    Bytes hugeLength = MakeSwf(SwfMovie(), "CWS");
    SetDeclaredLength(hugeLength, 0xFFFFFFFF);
    Bytes badZlib = MakeSwf(SwfMovie(), "CWS");
    badZlib[8] ^= 0xFF;
    Bytes badLzmaProperties = MakeSwf(SwfMovie(), "ZWS");
    badLzmaProperties[12] = 0xFF;
    // A tag claims more than the movie holds.
    Bytes overrun = SwfTags().ShowFrame().Take();
    overrun.insert(overrun.end(), {0x3F, 0x00, 0x00, 0x00, 0x01, 0x00});
    // Sprites inside sprites inside sprites ...
    Bytes nested = SwfTags().End().Take();
    for (int depth = 0; depth < 10; ++depth) nested = SwfTags().Sprite(1, 1, nested).End().Take();

    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty file", {}},
        {"header only", {'F', 'W', 'S', 10}},
        {"wrong signature", notAMovie},
        {"length below the header", shortLength},
        {"length beyond any limit", hugeLength},
        {"damaged zlib stream", badZlib},
        {"bad LZMA properties", badLzmaProperties},
        {"tag longer than the movie", WithTags(overrun)},
        {"label without its end", WithTags(SwfTags().Tag(43, {'a', 'b'}).ShowFrame().End().Take())},
        {"short background", WithTags(SwfTags().Tag(9, {1, 2}).End().Take())},
        {"sprite tag overruns the sprite", WithTags(SwfTags().Sprite(1, 1, {0x3F, 0x00}).End().Take())},
        {"sprites nested too deep", WithTags(nested)},
    };
    for (const auto& c : cases) EXPECT_FALSE(Parse(c.file)) << c.name;
}

}
