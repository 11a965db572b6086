#pragma once
// Where the movies and variables that scripts load come from. The engine
// names no file system: the host reads what a location names.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tvmplayer {

class MovieLoader {
public:
    virtual ~MovieLoader() = default;
    // The whole of what location names (a path or a "file:" address), or
    // nothing when it cannot be read or holds more than limit bytes.
    virtual std::optional<std::vector<uint8_t>> Read(const std::string& location, size_t limit) = 0;
};

// Where url leads from a movie at base: an address with a scheme, a rooted
// path or a drive's path as it is, anything else in base's folder. A query
// ("?a=1") means nothing to a file and is left out.
std::string ResolveLocation(const std::string& base, const std::string& url);

}
