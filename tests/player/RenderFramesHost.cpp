// Plays a movie in the stand-in player, mapped from the program's resources
// by the host's own loader exactly as the program maps it, and writes chosen
// frames as PNG files drawn through the control's view object, as the host
// grabs them (command line: see RenderOptions.h).
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "DibCanvas.h"
#include "MappedPlayer.h"
#include "PngFile.h"
#include "RenderOptions.h"
#include "SwfHeader.h"
#include "SysUtils.h"
#include "TestSupport.h"

namespace {

enum Slot { PutMovie = 22, GotoFrame = 34, PutWMode = 41 };

bool StageSize(const std::string& movie, int& width, int& height)
{
    std::ifstream in(movie, std::ios::binary);
    TSwfHeader header;
    auto read = [&](uint8_t* buffer, size_t size) {
        in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
        return static_cast<size_t>(in.gcount());
    };
    if (!in || !ReadSwfHeader(read, header))
        return false;
    width = (header.Right - header.Left) / 20;
    height = (header.Bottom - header.Top) / 20;
    return width > 0 && height > 0;
}

int Render(const RenderOptions& options)
{
    int stageWidth = 0, stageHeight = 0;
    if (!StageSize(options.Movie, stageWidth, stageHeight)) {
        std::fprintf(stderr, "render_frames_host: %s is not a movie\n", options.Movie.c_str());
        return 1;
    }
    const int width = static_cast<int>(stageWidth * options.Scale), height = static_cast<int>(stageHeight * options.Scale);
    IOleObject* control = tvmtest::NewPlayerControl();
    IViewObject* view = nullptr;
    if (!control || control->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view)) != S_OK) {
        std::fprintf(stderr, "render_frames_host: the player control could not be made\n");
        return 1;
    }
    int result = 0;
    {
        tvmtest::RawFlash flash(control);
        if (options.Transparent)
            flash.PutString(PutWMode, L"transparent");
        if (flash.PutString(PutMovie, AnsiToWide(options.Movie)) != S_OK) {
            std::fprintf(stderr, "render_frames_host: the player refused %s\n", options.Movie.c_str());
            result = 1;
        }
        CreateDirectoryA(options.Out.c_str(), nullptr);
        for (size_t frame : options.Frames) {
            if (result != 0)
                break;
            flash.Call(GotoFrame, static_cast<long>(frame - 1));
            tvmtest::DibCanvas canvas(width, height);
            // A transparent stage leaves what it does not cover clear.
            canvas.Fill(0);
            RECTL bounds{0, 0, width, height};
            if (view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds, nullptr, nullptr, 0) != S_OK) {
                std::fprintf(stderr, "render_frames_host: frame %zu could not be drawn\n", frame);
                result = 1;
                break;
            }
            std::span<const uint32_t> pixels = canvas.Pixels();
            std::string path = options.Out + "\\frame-" + std::to_string(frame) + ".png";
            tvmtest::WriteFile(path, tvmtest::EncodePng(width, height, options.Transparent, [&](int x, int y) {
                                   return pixels[static_cast<size_t>(y) * width + x];
                               }));
            std::printf("%s\n", path.c_str());
        }
    }
    view->Release();
    control->Release();
    return result;
}

}

int main(int argc, char** argv)
{
    RenderOptions options;
    if (!ParseRenderOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: render_frames_host %s\n", RenderUsage);
        return 2;
    }
    OleInitialize(nullptr);
    int result = 1;
    try {
        result = Render(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "render_frames_host: %s\n", e.what());
    }
    OleUninitialize();
    return result;
}
