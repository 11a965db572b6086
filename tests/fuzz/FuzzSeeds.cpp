// Writes the seeds our own writers make into FOLDER/<target>/: movies and
// projectors of each compression for the header reader and the engine, and
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

void WriteMovies(const fs::path& folder)
{
    tvmtest::SwfMovie plain;
    tvmtest::SwfMovie scripted;
    scripted.version = 7;
    scripted.frameCount = 2;
    scripted.tags = ScriptedTags();
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
