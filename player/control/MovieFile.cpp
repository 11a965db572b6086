#include "MovieFile.h"

#include <windows.h>

#include "Movie.h"

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

std::optional<std::vector<uint8_t>> ReadMovieFile(const std::string& path)
{
    FileHandle file{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.Handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    LARGE_INTEGER size;
    // A file larger than any movie the engine would unpack is no movie.
    if (!GetFileSizeEx(file.Handle, &size) || size.QuadPart > static_cast<LONGLONG>(tvmplayer::MaxMovieBytes))
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
