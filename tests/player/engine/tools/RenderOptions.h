#pragma once
// The command line of the frame-writing tools, native and under the host:
//   movie.swf --frames 1,10,24 --out DIR [--scale S] [--transparent]
// Frames count from 1; each lands in DIR/frame-N.png.
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

struct RenderOptions {
    std::string Movie;
    std::set<size_t> Frames;
    std::string Out = ".";
    double Scale = 1;
    bool Transparent = false;
};

inline const char* RenderUsage = "movie.swf --frames 1,10,24 --out DIR [--scale S] [--transparent]";

// False for a command line the tools cannot follow.
inline bool ParseRenderOptions(int argc, char** argv, RenderOptions& options)
{
    if (argc < 2)
        return false;
    options.Movie = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--transparent") {
            options.Transparent = true;
        } else if (i + 1 < argc && option == "--frames") {
            std::stringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');) options.Frames.insert(std::strtoul(item.c_str(), nullptr, 10));
        } else if (i + 1 < argc && option == "--out") {
            options.Out = argv[++i];
        } else if (i + 1 < argc && option == "--scale") {
            options.Scale = std::atof(argv[++i]);
        } else {
            return false;
        }
    }
    return !options.Frames.empty() && *options.Frames.begin() > 0 && options.Scale > 0;
}
