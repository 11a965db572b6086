#include "MovieLoader.h"

#include <cctype>

namespace tvmplayer {
namespace {

// "file:", "http:", and a drive's "C:" too.
bool HasScheme(const std::string& path)
{
    size_t colon = path.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    for (size_t i = 0; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

}

std::string ResolveLocation(const std::string& base, const std::string& url)
{
    std::string path = url.substr(0, url.find('?'));
    bool rooted = !path.empty() && (path[0] == '/' || path[0] == '\\');
    if (rooted || HasScheme(path))
        return path;
    size_t folder = base.substr(0, base.find('?')).find_last_of("/\\");
    return folder == std::string::npos ? path : base.substr(0, folder + 1) + path;
}

}
