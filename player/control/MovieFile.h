#pragma once
// Movies named by plain paths, read whole with CreateFileA: the host binds
// that import and serves its virtual paths through it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The whole file, or nothing when it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadMovieFile(const std::string& path);
