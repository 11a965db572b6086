#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ColorQuant.h"
#include "Exceptions.h"
#include "GifCodec.h"
#include "GifTestSupport.h"
#include "Picture.h"
#include "TestSupport.h"

using namespace giftest;

namespace {

// Four colours in bands; C = RGB(0x10, 0x20, 0x30) is one of them.
constexpr TColor C = RGB(0x10, 0x20, 0x30);
TColor Bands(int x, int)
{
    static constexpr TColor colours[] = {C, RGB(200, 0, 0), RGB(0, 200, 0), RGB(255, 255, 255)};
    return colours[x % 4];
}

Bytes Saved(TGIFImage& image)
{
    TMemoryStream stream;
    image.SaveToStream(stream);
    return StreamBytes(stream);
}

size_t Find(const Bytes& haystack, const std::string& needle, size_t from = 0)
{
    const Bytes bytes(needle.begin(), needle.end());
    auto at = std::search(haystack.begin() + static_cast<std::ptrdiff_t>(from), haystack.end(), bytes.begin(), bytes.end());
    return at == haystack.end() ? std::string::npos : static_cast<size_t>(at - haystack.begin());
}

template <typename E>
std::string ErrorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const E& e) {
        return e.Message();
    }
    return "";
}

TEST(GifImage, WriterDetails)
{
    TGIFImage image;
    auto bitmap = MakeBitmap(8, 6, Bands);
    image.AddFrame(bitmap.get());
    image.GetFrame(0).SetDelayTime(125);
    image.AddFrame(bitmap.get());
    image.SetLooping(true);
    image.SetRepeatCount(40000);
    image.Data().Comment = {std::string(300, 'c')};
    const Bytes file = Saved(image);

    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
    EXPECT_EQ(image.RepeatCount(), 30000);
    EXPECT_NE(Find(file, std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x30\x75\x00", 19)), std::string::npos);
    const size_t control = Find(file, "\x21\xF9\x04");
    ASSERT_NE(control, std::string::npos);
    EXPECT_EQ(file[control + 4], 12) << "125 ms is 12 hundredths";
    EXPECT_EQ(file[control + 5], 0);
    // The 300 characters go whole, in sub-blocks of 255 and 45.
    const size_t comment = Find(file, "\x21\xFE");
    ASSERT_NE(comment, std::string::npos);
    EXPECT_EQ(file[comment + 2], 255);
    EXPECT_EQ(file[comment + 3 + 255], 45);
    EXPECT_EQ(file[comment + 4 + 300], 0);
    EXPECT_EQ(file.back(), ';');
    EXPECT_EQ(file.size(), comment + 4 + 300 + 2);

    // Stage 2 without frames appends nothing.
    TGIFImage empty;
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    EXPECT_EQ(ErrorOf<EInvalidGraphicOperation>([&] { empty.SaveToFileStreamStage(stream, 2); }), "No GIF Data to write");
    EXPECT_EQ(stream.GetSize(), 3);
    EXPECT_EQ(ErrorOf<EInvalidGraphicOperation>([&] { empty.SetWidth(3); }), "Cannot change the Size of a GIF image");
}

TEST(GifImage, OneLoopingFrameHasTheLoopOnlyInTheStagedFile)
{
    TGIFImage image;
    auto bitmap = MakeBitmap(4, 4, Bands);
    image.AddFrame(bitmap.get());
    image.SetLooping(true);
    TMemoryStream staged;
    for (int stage : {0, 1, 2}) image.SaveToFileStreamStage(staged, stage);
    const Bytes stagedBytes = StreamBytes(staged);
    const Bytes whole = Saved(image);
    EXPECT_NE(Find(stagedBytes, "NETSCAPE2.0"), std::string::npos);
    EXPECT_EQ(Find(whole, "NETSCAPE2.0"), std::string::npos);
    // Otherwise the same file, and no graphic control for a plain frame.
    EXPECT_EQ(stagedBytes.size(), whole.size() + 19);
    EXPECT_EQ(Find(whole, "\x21\xF9"), std::string::npos);
    EXPECT_EQ(std::string(whole.begin(), whole.begin() + 6), "GIF89a");
}

TEST(GifImage, TransparentColourIsLookedUpWithRedAndBlueExchanged)
{
    struct Case {
        TColor given;
        bool flagged;
    };
    // The converter hands the colour with red and blue exchanged; a colour
    // that is not in the picture leaves the flag clear.
    const Case cases[] = {{RGB(0x30, 0x20, 0x10), true}, {RGB(1, 2, 3), false}};
    for (const Case& c : cases) {
        TGIFImage image;
        auto bitmap = MakeBitmap(8, 2, Bands);
        image.AddFrame(bitmap.get());
        image.GetFrame(0).SetTransparentColor(c.given);
        const Bytes file = Saved(image);
        const size_t control = Find(file, "\x21\xF9\x04");
        ASSERT_NE(control, std::string::npos);
        EXPECT_EQ((file[control + 3] & 1) != 0, c.flagged);
        if (!c.flagged) continue;
        TGIFFrame& frame = image.GetFrame(0);
        EXPECT_EQ(frame.TransparentColor(), C);
        EXPECT_EQ(frame.Item().ColorMap.Color(file[control + 6]), C);
    }
}

TEST(GifImage, PictureSavesAndLoadsGifFiles)
{
    StartUpGifCodec();
    const std::string name = tvmtest::OutputDir() + "gif_picture_round_trip.gif";
    auto first = MakeBitmap(12, 7, Bands);
    auto second = MakeBitmap(12, 7, [](int x, int y) { return Bands(x + y, y); });
    {
        TGIFImage image;
        image.AddFrame(first.get());
        image.AddFrame(second.get());
        image.GetFrame(1).SetDelayTime(340);
        image.GetFrame(1).SetDisposal(2);
        image.SetLooping(true);
        image.SetRepeatCount(10000);
        image.Data().Comment = {"made here"};
        image.SaveToFile(name);
    }
    TPicture picture;
    picture.LoadFromFile(name);
    auto* image = dynamic_cast<TGIFImage*>(picture.Graphic());
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->FrameCount(), 2);
    EXPECT_EQ(picture.Width(), 12);
    EXPECT_TRUE(image->Looping());
    EXPECT_EQ(image->RepeatCount(), 10000);
    EXPECT_EQ(image->Data().Comment, std::vector<std::string>{"made here"});
    EXPECT_EQ(image->GetFrame(1).DelayTime(), 340);
    EXPECT_EQ(image->GetFrame(1).Disposal(), 2);
    EXPECT_EQ(PixelsOf(*image->GetFrame(0).Bitmap()), PixelsOf(*first));
    EXPECT_EQ(PixelsOf(*image->GetFrame(1).Bitmap()), PixelsOf(*second));
    EXPECT_NE(TPicture::GraphicFilter().find("CompuServe GIF Image (*.gif)"), std::string::npos);
}

TEST(GifImage, ReaderDetails)
{
    const Bytes pixels = {0, 1, 2, 3};
    struct Case {
        const char* what;
        Bytes file;
        bool looping;
        int repeat;
        int delay;
        TColor transparent;
        int disposal;
        std::vector<std::string> comment;
    };
    const Case cases[] = {
        {"lower-case signature, upper-case version",
         GifBuilder().Screen("gif89A", 2, 2, 2).Image(0, 0, 2, 2, 2, pixels).Trailer().Get(), false, 1, 0, clNone, 0, {}},
        {"loop of 10000",
         GifBuilder().Screen("GIF89a", 2, 2, 2).Raw("\x21\xFF\x0BNETSCAPE2.0").Blocks({std::string("\x01\x10\x27", 3)}).Image(0, 0, 2, 2, 2, pixels).Trailer().Get(),
         true, 10000, 0, clNone, 0, {}},
        {"loop of 65535 kept at 30000",
         GifBuilder().Screen("GIF89a", 2, 2, 2).Raw("\x21\xFF\x0B" "ANIMEXTS1.0").Blocks({"\x01\xFF\xFF"}).Image(0, 0, 2, 2, 2, pixels).Trailer().Get(),
         true, 30000, 0, clNone, 0, {}},
        {"an 8-byte application block is no loop",
         GifBuilder().Screen("GIF89a", 2, 2, 2).Raw("\x21\xFF\x08NETSCAPE").Blocks({"2.0", std::string("\x01\x05\x00", 3)}).Image(0, 0, 2, 2, 2, pixels).Trailer().Get(),
         false, 1, 0, clNone, 0, {}},
        {"two graphic controls: larger delay, later transparency and disposal",
         GifBuilder().Screen("GIF89a", 2, 2, 2).Control(0x04, 50, 0).Control(0x09, 20, 2).Image(0, 0, 2, 2, 2, pixels).Trailer().Get(),
         false, 1, 500, RGB(170, 170, 170), 2, {}},
        {"trailing comment",
         GifBuilder().Screen("GIF87a", 2, 2, 2).Image(0, 0, 2, 2, 2, pixels).Raw("\x21\xFE").Blocks({"one", "two"}).Trailer().Get(),
         false, 1, 0, clNone, 0, {"one", "two"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TGIFImage image;
        LoadGif(image, c.file);
        ASSERT_EQ(image.FrameCount(), 1);
        EXPECT_EQ(image.Looping(), c.looping);
        EXPECT_EQ(image.RepeatCount(), c.repeat);
        TGIFFrame& frame = image.GetFrame(0);
        EXPECT_EQ(frame.DelayTime(), c.delay);
        EXPECT_EQ(frame.TransparentColor(), c.transparent);
        EXPECT_EQ(frame.Disposal(), c.disposal);
        EXPECT_EQ(image.Data().Comment, c.comment);
        EXPECT_EQ(PixelsOf(*frame.Bitmap()), (std::vector<TColor>{RGB(0, 0, 0), RGB(85, 85, 85), RGB(170, 170, 170), RGB(255, 255, 255)}));
    }
}

TEST(GifImage, DamagedFilesGiveCorruptFramesOrErrors)
{
    std::vector<uint8_t> noise(40 * 30);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 7919 % 251);
    const Bytes file = GifBuilder().Screen("GIF89a", 40, 30, 8).Control(0, 10, 0).Image(0, 0, 40, 30, 8, noise).Image(5, 5, 40, 30, 8, noise).Trailer().Get();

    // Every cut of a good file reads as far as it goes, or fails with an error.
    for (size_t length = 0; length < file.size(); ++length) {
        TGIFImage image;
        try {
            LoadGif(image, Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
            for (int i = 0; i < image.FrameCount(); ++i) image.GetFrame(i).Bitmap();
        } catch (const Exception&) {
        }
    }
    // A cut inside the last image: that frame is corrupt, or the read fails.
    const Bytes cut(file.begin(), file.end() - 300);
    TGIFImage image;
    LoadGif(image, cut);
    ASSERT_EQ(image.FrameCount(), 2);
    EXPECT_TRUE(image.GetFrame(1).Corrupted);
    EXPECT_TRUE(image.Corrupted());
    GIFLoadCorrupted = false;
    EXPECT_EQ(ErrorOf<EReadError>([&] { LoadGif(image, cut); }), "Stream read error");
    GIFLoadCorrupted = true;

    struct Case {
        const char* what;
        Bytes file;
        const char* error;  // empty: the frame reads, marked corrupt
    };
    const Case cases[] = {
        {"no clear code and a code beyond the table",
         GifBuilder().Screen("GIF89a", 4, 1, 2).Raw(",").Word(0).Word(0).Word(4).Word(1).Byte(0).Raw(std::string("\x02\x02\xCC\x01\x00", 5)).Trailer().Get(), ""},
        {"an image far bigger than the screen",
         GifBuilder().Screen("GIF89a", 2, 2, 8).Raw(",").Word(0).Word(0).Word(65535).Word(65535).Byte(0).Raw(std::string("\x08\x02\x00\x01\x00", 5)).Trailer().Get(),
         "Bitmap image is not valid"},
        {"an unknown extension", GifBuilder().Screen("GIF89a", 2, 2, 2).Raw("\x21\x42").Trailer().Get(), "Unrecognized extension block: 42"},
        {"an unknown version", GifBuilder().Screen("GIF88a", 2, 2, 2).Trailer().Get(), "Unknown GIF version"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TGIFImage damaged;
        std::string error;
        try {
            LoadGif(damaged, c.file);
        } catch (const Exception& e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.error);
        if (*c.error == 0) {
            ASSERT_EQ(damaged.FrameCount(), 1);
            EXPECT_TRUE(damaged.GetFrame(0).Corrupted);
        }
    }
}

TEST(GifImage, ReductionRefusesWhatItCannotMake)
{
    TBitmap none;
    TColor transparent = clNone;
    EXPECT_EQ(ErrorOf<EInvalidGraphic>([&] { BitmapToDIBStream(none, pf8bit, crHistogram, transparent); }), "Bitmap image is not valid");
    auto bitmap = MakeBitmap(4, 4, Bands);
    EXPECT_EQ(ErrorOf<EInvalidGraphicOperation>([&] { BitmapToDIBStream(*bitmap, pf16bit, crHistogram, transparent); }),
              "Function not yet implemented");
    // Median cut counts its boxes into the header.
    auto stream = BitmapToDIBStream(*bitmap, pf8bit, crMedianCut, transparent);
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(static_cast<const uint8_t*>(stream->Memory()) + sizeof(BITMAPFILEHEADER));
    EXPECT_EQ(info->biBitCount, 8);
    EXPECT_EQ(info->biClrImportant, 4u);
}

}  // namespace
