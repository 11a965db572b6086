// Movies served from memory as the host serves them: the player is told a
// virtual path, and its CreateFileA and URL moniker come to the content
// manager through the program's bindings.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ContentManager.h"
#include "MappedPlayer.h"
#include "SwfFixtures.h"
#include "TestSupport.h"
#include "flashhost/FakeHostControl.h"

namespace {

using tvmtest::RawFlash;

enum Slot { ReadyState = 7, TotalFrames = 8, PutMovie = 22, CurrentFrame = 35, Forward = 31, LoadMovie = 58 };

tvmtest::Bytes Movie(uint16_t frames, uint32_t background)
{
    tvmtest::SwfMovie movie;
    movie.frameCount = frames;
    tvmtest::SwfTags tags;
    tags.Background(background);
    for (uint16_t frame = 0; frame < frames; ++frame) tags.ShowFrame();
    movie.tags = tags.End().Take();
    return tvmtest::MakeSwf(movie, "CWS");
}

// One player control and the host control the content manager knows it by.
class HostedPlayer {
public:
    HostedPlayer() : control_(tvmtest::NewPlayerControl()), flash_(control_)
    {
        host_.Loaded = [this](int layer, const std::wstring& url) {
            std::wstring full = url == UnloadMarker ? url : url + Query;
            if (layer < 0) {
                flash_.PutString(PutMovie, full);
                return;
            }
            BSTR text = SysAllocString(full.c_str());
            flash_.Call(LoadMovie, layer, text);
            SysFreeString(text);
        };
    }
    ~HostedPlayer()
    {
        ContentManager().UnregisterControl(&host_);
        control_->Release();
    }

    void LoadFromMemory(const tvmtest::Bytes& bytes, bool useLayer = false)
    {
        TMemoryStream source;
        source.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
        ContentManager().LoadMovieFromStream(&host_, useLayer, source, 0);
    }
    std::unique_ptr<TStream> MovieStream() { return ContentManager().CreateMovieStream(&host_, false, 0); }
    void LoadFile(const tvmtest::Bytes& bytes, const std::string& name)
    {
        std::string path = tvmtest::OutputDir() + name;
        tvmtest::WriteFile(path, bytes);
        flash_.PutString(PutMovie, std::wstring(path.begin(), path.end()));
    }

    // The frame as Draw gives it, 64 by 48 pixels.
    std::vector<uint32_t> Drawn()
    {
        IViewObject* view = nullptr;
        EXPECT_EQ(control_->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view)), S_OK);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, -48, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        uint32_t* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECTL bounds = {0, 0, 64, 48};
        EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), S_OK);
        GdiFlush();
        std::vector<uint32_t> pixels(bits, bits + 64 * 48);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        view->Release();
        return pixels;
    }

    RawFlash& Flash() { return flash_; }
    // Appended to every path the host loads.
    std::wstring Query;

private:
    IOleObject* control_;
    RawFlash flash_;
    tvmtest::FakeHostControl host_;
};

TEST(MemoryMovie, PlaysAsTheSameMovieFromAFile)
{
    tvmtest::Bytes bytes = Movie(5, 0x3366CC);
    HostedPlayer fromFile;
    fromFile.LoadFile(bytes, "memory_movie.swf");
    for (bool useLayer : {false, true}) {
        HostedPlayer fromMemory;
        fromMemory.LoadFromMemory(bytes, useLayer);
        EXPECT_EQ(fromMemory.Flash().GetLong(ReadyState), 4) << useLayer;
        EXPECT_EQ(fromMemory.Flash().GetLong(TotalFrames), fromFile.Flash().GetLong(TotalFrames)) << useLayer;
        EXPECT_EQ(fromMemory.Flash().GetLong(TotalFrames), 5) << useLayer;
        EXPECT_EQ(fromMemory.Drawn(), fromFile.Drawn()) << useLayer;
        EXPECT_EQ(fromMemory.Drawn()[0] & 0xFFFFFF, 0x3366CCu) << useLayer;
    }
}

TEST(MemoryMovie, TwoThreadsServeTheirMoviesAtOnce)
{
    const tvmtest::Bytes movies[] = {Movie(5, 0x102030), Movie(9, 0x405060)};
    std::atomic<int> wrong = 0;
    std::atomic<int> waiting = 2;
    std::vector<std::thread> threads;
    tvmtest::MapPlayerFromProgram();
    for (const tvmtest::Bytes& bytes : movies) {
        threads.emplace_back([&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            {
                HostedPlayer player;
                --waiting;
                while (waiting > 0) Sleep(0);
                for (int round = 0; round < 10; ++round) {
                    auto stream = player.MovieStream();
                    // Small pieces, so that the two threads' writes interleave.
                    for (size_t done = 0; done < bytes.size(); done += 16)
                        stream->WriteBuffer(bytes.data() + done,
                                            static_cast<int32_t>(std::min<size_t>(16, bytes.size() - done)));
                    stream.reset();
                    if (player.Flash().GetLong(ReadyState) != 4 ||
                        player.Flash().GetLong(TotalFrames) != (bytes == movies[0] ? 5 : 9))
                        ++wrong;
                }
            }
            CoUninitialize();
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, 0);
}

TEST(MemoryMovie, AnEmptyMovieEndsItsLoad)
{
    HostedPlayer player;
    player.LoadFromMemory(Movie(5, 0x102030));
    ASSERT_EQ(player.Flash().GetLong(TotalFrames), 5);
    auto stream = player.MovieStream();
    EXPECT_EQ(player.Flash().GetLong(ReadyState), 1) << "the player waits for the bytes";
    stream.reset();
    EXPECT_EQ(player.Flash().GetLong(ReadyState), 4);
    EXPECT_EQ(player.Flash().GetLong(TotalFrames), 0);
    player.LoadFromMemory(Movie(3, 0x102030));
    EXPECT_EQ(player.Flash().GetLong(TotalFrames), 3);
}

TEST(MemoryMovie, AMissingVirtualMovieLeavesTheControlEmptyAndWorking)
{
    HostedPlayer player;
    player.LoadFromMemory(Movie(5, 0x102030));
    std::wstring missing = L"Z:\\FromMemory\\46A10F369771449587DE913EFC0A258C\\2147483000\\"
                           L"E4ED7C01D28A43418DBF2CB92CC35E56.swf";
    EXPECT_EQ(player.Flash().PutString(PutMovie, missing), S_OK);
    EXPECT_EQ(player.Flash().GetLong(ReadyState), 4);
    EXPECT_EQ(player.Flash().GetLong(TotalFrames), 0);
    EXPECT_EQ(player.Flash().Call(Forward), S_OK);
    EXPECT_EQ(player.Flash().GetLong(CurrentFrame), 0);
    player.LoadFromMemory(Movie(3, 0x102030));
    EXPECT_EQ(player.Flash().GetLong(TotalFrames), 3);
}

}
