// Video embedded in movies, decoded through the FFmpeg libraries beside the
// host: Debian's ffmpeg writes a moving pattern as an SWF of Sorenson H.263
// frames and as FLV files of screen video 1 and 2, whose packets go into
// movies of the test's own. Every frame the control draws must match the
// pattern's frame.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DibCanvas.h"
#include "FlvPackets.h"
#include "MappedPlayer.h"
#include "Psnr.h"
#include "SwfDrawing.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

enum Slot { TotalFrames = 8, PutMovie = 22, GotoFrame = 34 };
constexpr int Width = 160, Height = 120, Frames = 12;
constexpr size_t FrameBytes = size_t{Width} * Height * 3;
constexpr uint16_t TagPlaceObject2 = 26, TagDefineVideoStream = 60, TagVideoFrame = 61;

void Put16(tvmtest::Bytes& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

// A movie the size of the pattern that shows one video frame per frame.
std::string MovieOfPackets(const std::string& codec, uint8_t codecNumber)
{
    std::vector<tvmtest::FlvPacket> video =
        tvmtest::ReadFlvPackets(tvmtest::OutputDir() + "player_video_" + codec + ".flv", 9);
    EXPECT_EQ(video.size(), size_t{Frames}) << codec;
    tvmtest::Bytes stream;
    for (uint16_t value : {uint16_t{1}, static_cast<uint16_t>(video.size()), uint16_t{Width}, uint16_t{Height}})
        Put16(stream, value);
    stream.push_back(0);
    stream.push_back(codecNumber);
    tvmtest::SwfTags tags;
    tags.Tag(TagDefineVideoStream, stream);
    for (uint16_t i = 0; i < video.size(); ++i) {
        EXPECT_EQ(video[i].First & 0x0F, codecNumber) << codec;
        const tvmtest::Bytes& packet = video[i].Data;
        tvmtest::Bytes frame(4 + packet.size());
        frame[0] = 1;  // the video's id, then the frame's number
        frame[2] = static_cast<uint8_t>(i);
        std::copy(packet.begin(), packet.end(), frame.begin() + 4);
        tags.Tag(TagVideoFrame, frame, true);
        tags.Tag(TagPlaceObject2, i == 0 ? tvmtest::PlaceObject2({.depth = 1, .id = 1, .ratio = 0})
                                         : tvmtest::PlaceObject2({.depth = 1, .ratio = i}));
        tags.ShowFrame();
    }
    tvmtest::SwfMovie movie;
    movie.widthTwips = Width * 20;
    movie.heightTwips = Height * 20;
    movie.rateInteger = 10;
    movie.frameCount = static_cast<uint16_t>(video.size());
    movie.tags = tags.End().Take();
    std::string path = tvmtest::OutputDir() + "player_video_" + codec + ".swf";
    tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));
    return path;
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// The control shows each frame where GotoFrame sends it, and draws it
// through its view object as the host grabs frames. H.263 loses detail:
// ffmpeg's own decoding of the movie is 27.5 dB from the pattern, and the
// control's must be that decoding.
TEST(VideoPlay, EveryFrameOfEachCodecMatchesThePattern)
{
    struct Reference {
        std::string Frames;  // rgb24
        double Least;        // dB
    };
    struct Case {
        std::string Path;
        std::vector<Reference> Matches;
    };
    const Reference pattern{"player_video_pattern.rgb", 40};
    const Case cases[] = {
        {tvmtest::OutputDir() + "player_video_flv1.swf", {{pattern.Frames, 25}, {"player_video_flv1.rgb", 40}}},
        {MovieOfPackets("flashsv", 3), {pattern}},
        {MovieOfPackets("flashsv2", 6), {pattern}},
    };
    for (const Case& c : cases) {
        IOleObject* control = tvmtest::NewPlayerControl();
        ASSERT_NE(control, nullptr);
        IViewObject* view = nullptr;
        ASSERT_EQ(control->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view)), S_OK);
        {
            tvmtest::RawFlash flash(control);
            ASSERT_EQ(flash.PutString(PutMovie, Wide(c.Path)), S_OK);
            EXPECT_EQ(flash.GetLong(TotalFrames), Frames) << c.Path;
            // Forwards, then back to the start and on again, as a seek does.
            for (int frame : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0, 5}) {
                ASSERT_EQ(flash.Call(GotoFrame, static_cast<long>(frame)), S_OK);
                tvmtest::DibCanvas canvas(Width, Height);
                RECTL bounds{0, 0, Width, Height};
                ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds, nullptr,
                                     nullptr, 0),
                          S_OK);
                for (const Reference& reference : c.Matches) {
                    tvmtest::Bytes frames = tvmtest::ReadFile(tvmtest::OutputDir() + reference.Frames);
                    ASSERT_EQ(frames.size(), FrameBytes * Frames) << reference.Frames;
                    EXPECT_GE(tvmtest::Psnr(canvas.Pixels(), frames.data() + FrameBytes * frame), reference.Least)
                        << c.Path << " frame " << frame << " against " << reference.Frames;
                }
            }
        }
        view->Release();
        control->Release();
    }
}

}
