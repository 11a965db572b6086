// GIFs of Debian's Linux ffmpeg read by ours, and ours left for ffmpeg to
// judge (tests/formats/gif-check).
#include <gtest/gtest.h>

#include <algorithm>

#include "GifCodec.h"
#include "GifTestSupport.h"
#include "TestSupport.h"

using namespace giftest;

namespace {

using Rgba = std::array<uint8_t, 4>;

struct Indices {
    Bytes Rows;  // row 0 first, one byte per pixel
    int Width, Height;
};

Indices FrameIndices(TGIFFrame& frame)
{
    TGIFItem& item = frame.Item();
    const TGifBitmapInfo info{item.Width, item.Height, 8};
    Bytes dib(static_cast<size_t>(GifImageSize(info)));
    bool corrupted = false;
    DecodeGIFImage(item.ImageData.data(), item.ImageData.size(), info, frame.Interlaced, {}, corrupted, dib.data(),
                   item.BitsPerPixel, false);
    Indices result{{}, item.Width, item.Height};
    for (int y = 0; y < item.Height; ++y)
        for (int x = 0; x < item.Width; ++x) result.Rows.push_back(dib[static_cast<size_t>((item.Height - 1 - y) * GifRowStride(info) + x)]);
    return result;
}

int TransparentIndex(TGIFFrame& frame)
{
    for (const auto& e : frame.Extensions())
        if (e->ExtType == etGraphicControl && (e->ExtRec[1] & 1)) return e->ExtRec[4];
    return -1;
}

TEST(GifInterop, ReadsGifsWrittenByFfmpeg)
{
    struct Case {
        const char* name;
        std::function<bool(TGIFImage&)> covers;  // what the fixture is there for
    };
    const Case cases[] = {
        {"ff_global", [](TGIFImage& g) { return g.GetFrame(1).Origin().y > 0 && TransparentIndex(g.GetFrame(1)) >= 0; }},
        {"ff_local", [](TGIFImage& g) { return g.GetFrame(1).LocalColors && g.GetFrame(2).LocalColors; }},
        {"ff_alpha", [](TGIFImage& g) { return g.GetFrame(0).Disposal() == 2 && g.GetFrame(0).Origin().x > 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGIFImage image;
        image.LoadFromFile(tvmtest::OutputDir() + c.name + ".gif");
        const Bytes reference = tvmtest::ReadFile(tvmtest::OutputDir() + c.name + ".rgba");
        const int width = image.ScreenWidth(), height = image.ScreenHeight();
        ASSERT_EQ(image.FrameCount(), 4);
        ASSERT_EQ(reference.size(), static_cast<size_t>(4 * width * height * 4));
        EXPECT_TRUE(c.covers(image));

        // The frames put together as a viewer shows them.
        std::vector<Rgba> canvas(static_cast<size_t>(width * height), Rgba{0, 0, 0, 0});
        for (int f = 0; f < image.FrameCount(); ++f) {
            TGIFFrame& frame = image.GetFrame(f);
            const Indices indices = FrameIndices(frame);
            const TGIFColorMap& map = frame.Item().ColorMap;
            const int transparent = TransparentIndex(frame);
            const TPoint at = frame.Origin();
            const auto before = canvas;
            std::vector<TColor> expected;
            for (int y = 0; y < indices.Height; ++y)
                for (int x = 0; x < indices.Width; ++x) {
                    const uint8_t index = indices.Rows[static_cast<size_t>(y * indices.Width + x)];
                    const auto& e = map.Entries[index];
                    expected.push_back(static_cast<TColor>(RGB(e[0], e[1], e[2])));
                    if (index != transparent) canvas[static_cast<size_t>((at.y + y) * width + at.x + x)] = {e[0], e[1], e[2], 255};
                }
            EXPECT_EQ(PixelsOf(*frame.Bitmap()), expected) << "frame " << f;
            int differences = 0;
            for (size_t i = 0; i < canvas.size(); ++i) {
                const uint8_t* want = &reference[static_cast<size_t>(f) * canvas.size() * 4 + i * 4];
                const bool same = want[3] == 0 ? canvas[i][3] == 0 : std::equal(want, want + 4, canvas[i].begin());
                differences += same ? 0 : 1;
            }
            EXPECT_EQ(differences, 0) << "frame " << f;
            if (frame.Disposal() == 2)
                for (int y = 0; y < indices.Height; ++y)
                    for (int x = 0; x < indices.Width; ++x) canvas[static_cast<size_t>((at.y + y) * width + at.x + x)] = {0, 0, 0, 0};
            if (frame.Disposal() == 3) canvas = before;
        }
    }
}

// The frames' pixels as rows of red, green, blue.
void AppendRgb(Bytes& out, TBitmap& bitmap)
{
    for (TColor c : PixelsOf(bitmap)) {
        out.push_back(GetRValue(c));
        out.push_back(GetGValue(c));
        out.push_back(GetBValue(c));
    }
}

TEST(GifInterop, WritesAnAnimationInStagesAsTheConverterDoes)
{
    // Each frame has at most 256 colours, so that reduction keeps them exactly;
    // the noise runs the LZW table to its end many times.
    std::vector<std::unique_ptr<TBitmap>> frames;
    frames.push_back(MakeBitmap(160, 120, [](int x, int y) { return static_cast<TColor>(RGB(x / 40 * 80, y / 30 * 80, 200)); }));
    frames.push_back(MakeBitmap(160, 120, [](int x, int y) {
        const int i = (x * 7919 + y * 104729) % 256;
        return static_cast<TColor>(RGB(i, 255 - i, i * 7 % 256));
    }));
    frames.push_back(MakeBitmap(160, 120, [](int x, int y) { return static_cast<TColor>(RGB(x / 10 * 16, y / 8 * 16, 128)); }));
    const uint16_t delays[] = {100, 250, 40};

    const std::string name = tvmtest::OutputDir() + "gif_ours_anim.gif";
    Bytes reference;
    {
        TFileStream file(name, fmCreate);
        TGIFImage image;
        for (size_t i = 0; i < frames.size(); ++i) {
            image.Clear();
            TGIFFrame& frame = image.GetFrame(image.AddFrame(frames[i].get()));
            frame.SetOrigin(Point(0, 0));
            frame.SetDelayTime(delays[i]);
            if (i == 0) {
                image.SetLooping(true);
                image.SetRepeatCount(2);
                image.SetBackgroundColor(clBlack);
                image.SaveToFileStreamStage(file, 0);
            }
            image.SaveToFileStreamStage(file, 1);
            AppendRgb(reference, *frames[i]);
        }
        image.SaveToFileStreamStage(file, 2);
    }
    tvmtest::WriteFile(tvmtest::OutputDir() + "gif_ours_anim.rgb", reference);

    // Read back by ours too.
    TGIFImage back;
    back.LoadFromFile(name);
    ASSERT_EQ(back.FrameCount(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(PixelsOf(*back.GetFrame(i).Bitmap()), PixelsOf(*frames[static_cast<size_t>(i)]));
}

TEST(GifInterop, WritesInterlacedImageData)
{
    const int width = 37, height = 23;
    Bytes pixels, reference;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t v = static_cast<uint8_t>((x * 5 + y * 11) % 256);
            pixels.push_back(v);
            reference.insert(reference.end(), {v, v, v});
        }
    const Bytes file = GifBuilder().Screen("GIF89a", width, height, 8).Image(0, 0, width, height, 8, pixels, true).Trailer().Get();
    tvmtest::WriteFile(tvmtest::OutputDir() + "gif_ours_interlaced.gif", file);
    tvmtest::WriteFile(tvmtest::OutputDir() + "gif_ours_interlaced.rgb", reference);

    TGIFImage image;
    LoadGif(image, file);
    ASSERT_EQ(image.FrameCount(), 1);
    EXPECT_TRUE(image.GetFrame(0).Interlaced);
    std::vector<TColor> grey;
    for (uint8_t v : pixels) grey.push_back(static_cast<TColor>(RGB(v, v, v)));
    EXPECT_EQ(PixelsOf(*image.GetFrame(0).Bitmap()), grey);
}

}  // namespace
