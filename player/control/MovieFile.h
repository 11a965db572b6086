#pragma once
// Movies named by plain paths, read whole with CreateFileA: the host binds
// that import and serves its virtual paths through it. What scripts load
// is read the same way.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Movie.h"
#include "MovieLoader.h"

// The whole file, or nothing when it cannot be opened or read or is larger
// than limit.
std::optional<std::vector<uint8_t>> ReadMovieFile(const std::string& path, size_t limit = tvmplayer::MaxMovieBytes);

// A "file:" address as the path it names ("file:///C:/a.swf" is
// "C:/a.swf"); anything else as it is.
std::string PlainPath(std::string location);

// Plain paths and "file:" addresses; other addresses cannot be read.
class FileMovieLoader final : public tvmplayer::MovieLoader {
public:
    std::optional<std::vector<uint8_t>> Read(const std::string& location, size_t limit) override;
};
