// Writes the seeds our own writers make into FOLDER/<target>/: movies and
// projectors of each compression for the header reader and the engine, a
// movie that draws and formats text for the engine, and
// images our GIF encoder packs, each behind the three bytes that pick its
// size and depth, for the LZW decoder.
//
//   fuzz-seeds FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "GifLzw.h"
#include "SwfFixtures.h"

namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::vector<uint8_t>& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ScriptedTags()
{
    using tvmtest::SwfActions;
    auto script = SwfActions().Push({"n", 3}).Op(0x1D).Push({"n"}).Op(0x1C).Push({2}).Op(0x0C).Op(0x26).End().Take();
    return tvmtest::SwfTags().Background(0x336699).Label("start").DoAction(script).ShowFrame().ShowFrame().End().Take();
}

// A clip filled with a bitmap and stroked with a gradient, and a text field
// whose HTML, ranges and selection scripts format.
std::vector<uint8_t> DrawnTextTags()
{
    using tvmtest::SwfActions;
    using tvmtest::SwfValue;
    enum : uint8_t { Pop = 0x17, GetVariable = 0x1C, SetVariable = 0x1D, Trace = 0x26, NewObject = 0x40 };
    enum : uint8_t { InitArray = 0x42, InitObject = 0x43, GetMember = 0x4E, SetMember = 0x4F, CallMethod = 0x52 };
    enum : uint8_t { NewMethod = 0x53 };
    SwfActions a;
    // target.method(arguments...) where the arguments are pushed already, the last first.
    auto call = [&](int count, const char* target, const char* method) {
        a.Push({count, target}).Op(GetVariable).Push({method}).Op(CallMethod).Op(Pop);
    };
    auto flash = [&](const char* package, const char* name) {
        a.Push({"flash"}).Op(GetVariable).Push({package}).Op(GetMember).Push({name}).Op(NewMethod);
    };
    a.Push({1, "d"});
    call(2, "_root", "createEmptyMovieClip");
    a.Push({"b", double(0xFF336699), false, 8, 8, 4});
    flash("display", "BitmapData");
    a.Op(SetVariable);
    a.Push({true, false, 0, 0, 2, 0, 0, 2, 6});
    flash("geom", "Matrix");
    a.Push({"b"}).Op(GetVariable);
    call(4, "d", "beginBitmapFill");
    for (auto [x, y] : {std::pair{40, 0}, {40, 40}, {0, 40}}) {
        a.Push({y, x});
        call(2, "d", "lineTo");
    }
    call(0, "d", "endFill");
    a.Push({0, 4});
    call(2, "d", "lineStyle");
    a.Push({0.5, "linearRGB", "reflect", "matrixType", "box", "x", 0, "y", 0, "w", 40, "h", 40, "r", 0, 6}).Op(InitObject);
    a.Push({255, 0, 2}).Op(InitArray).Push({50, 100, 2}).Op(InitArray).Push({0x00FF00, 0xFF0000, 2}).Op(InitArray);
    a.Push({"radial"});
    call(8, "d", "lineGradientStyle");
    a.Push({40, 0});
    call(2, "d", "lineTo");
    a.Push({40, 100, 50, 0, 2, "t"});
    call(6, "_root", "createTextField");
    a.Push({"t"}).Op(GetVariable).Push({"html", true}).Op(SetMember);
    a.Push({"t"}).Op(GetVariable).Push({"htmlText", "<p align='center'><b>ab</b><font color='#FF0000'>cd</font></p><p>e</p>"});
    a.Op(SetMember);
    a.Push({"f", 0x00FF00, 18, SwfValue::Of(SwfValue::Null), 3, "TextFormat"}).Op(NewObject).Op(SetVariable);
    a.Push({"f"}).Op(GetVariable).Push({3, 1});
    call(3, "t", "setTextFormat");
    a.Push({"f"}).Op(GetVariable);
    call(1, "t", "setNewTextFormat");
    a.Push({"xy"});
    call(1, "t", "replaceSel");
    a.Push({"t"}).Op(GetVariable).Push({"htmlText"}).Op(GetMember).Op(Trace);
    a.Push({4, 0, 2, "t"}).Op(GetVariable).Push({"getTextFormat"}).Op(CallMethod).Push({"color"}).Op(GetMember).Op(Trace);
    return tvmtest::SwfTags().DoAction(a.End().Take()).ShowFrame().End().Take();
}

void WriteMovies(const fs::path& folder)
{
    tvmtest::SwfMovie plain;
    tvmtest::SwfMovie scripted;
    scripted.version = 7;
    scripted.frameCount = 2;
    scripted.tags = ScriptedTags();
    tvmtest::SwfMovie drawn;
    drawn.version = 8;
    drawn.frameCount = 1;
    drawn.tags = DrawnTextTags();
    Write(folder / "engine" / "own-drawn-text", tvmtest::MakeSwf(drawn));
    for (const char* signature : {"FWS", "CWS", "ZWS"}) {
        const std::string kind(signature, 1);
        const auto movie = tvmtest::MakeSwf(plain, signature);
        Write(folder / "swf-header" / ("own-" + kind), movie);
        Write(folder / "engine" / ("own-scripted-" + kind), tvmtest::MakeSwf(scripted, signature));
        if (kind != "Z") Write(folder / "swf-header" / ("own-projector-" + kind), tvmtest::MakeProjector(movie));
    }
}

void WriteImages(const fs::path& folder)
{
    struct Image {
        uint8_t width, height, picks;  // as the fuzz target reads its first bytes
    };
    for (const Image image : {Image{15, 9, 0x70}, Image{40, 30, 0x71}, Image{63, 63, 0x76}, Image{200, 3, 0x7A}}) {
        TGifBitmapInfo info;
        info.Width = image.width + 1;
        info.Height = image.height + 1;
        info.BitsPerPixel = (image.picks & 3) == 0 ? 1 : (image.picks & 3) == 1 ? 4 : 8;
        std::vector<uint8_t> pixels(static_cast<size_t>(GifImageSize(info)));
        // Runs, steps and noise, so the table fills and is cleared.
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i / 7 * 13 ^ (i * i >> 3));
        std::vector<uint8_t> seed{image.width, image.height, image.picks};
        EncodeGIFImage(seed, info, image.picks & 4, {}, pixels.data());
        char name[32];
        std::snprintf(name, sizeof name, "own-%dx%d-%d", info.Width, info.Height, info.BitsPerPixel);
        Write(folder / "gif-lzw" / name, seed);
    }
}

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds FOLDER\n");
        return 2;
    }
    WriteMovies(argv[1]);
    WriteImages(argv[1]);
    return 0;
}
