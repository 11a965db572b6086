#include "MovieFile.h"

#include <windows.h>

#include <cctype>


namespace {

struct FileHandle {
    HANDLE Handle;
    ~FileHandle()
    {
        if (Handle != INVALID_HANDLE_VALUE)
            CloseHandle(Handle);
    }
};

}

std::optional<std::vector<uint8_t>> ReadMovieFile(const std::string& path, size_t limit)
{
    FileHandle file{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.Handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    LARGE_INTEGER size;
    // A file larger than any movie the engine would unpack is no movie.
    if (!GetFileSizeEx(file.Handle, &size) || static_cast<ULONGLONG>(size.QuadPart) > limit)
        return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(file.Handle, bytes.data() + done, wanted, &read, nullptr) || read == 0)
            break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

std::string PlainPath(std::string location)
{
    const std::string scheme = "file://";
    if (location.compare(0, scheme.size(), scheme) != 0)
        return location;
    location.erase(0, scheme.size());
    // "file:///C:/a.swf": the slash before a drive belongs to the address.
    bool drive = location.size() >= 3 && location[0] == '/' && std::isalpha(static_cast<unsigned char>(location[1]))
                 && location[2] == ':';
    return drive ? location.substr(1) : location;
}

std::optional<std::vector<uint8_t>> FileMovieLoader::Read(const std::string& location, size_t limit)
{
    std::string path = PlainPath(location);
    // Only a drive's letter may come before a colon in a path.
    size_t colon = path.find(':');
    if (colon != std::string::npos && colon != 1)
        return std::nullopt;
    return ReadMovieFile(path, limit);
}
