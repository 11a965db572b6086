#include "kvnTools.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "Forms.h"
#include "SwfHeader.h"
#include "SysUtils.h"

namespace {

std::string ShortFolder(UINT(WINAPI* get)(LPSTR, UINT), UINT size)
{
    std::vector<char> buffer(size + 1);
    UINT n = get(buffer.data(), size);
    return std::string(buffer.data(), n <= size ? n : 0);
}

}

uint32_t ColorToBGR(uint32_t color)
{
    return (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

uint32_t BGRToColor(uint32_t color)
{
    return ColorToBGR(color);
}

std::string GetWindowsFolder()
{
    return ShortFolder(GetWindowsDirectoryA, 128);
}

std::string GetSystemFolder()
{
    return ShortFolder(GetSystemDirectoryA, 128);
}

std::string GetTempFolder()
{
    char buffer[MAX_PATH + 1];
    DWORD n = GetTempPathA(MAX_PATH, buffer);
    return std::string(buffer, n <= MAX_PATH ? n : 0);
}

std::string MakeTempFileName()
{
    char name[MAX_PATH];
    if (!GetTempFileNameA(GetTempFolder().c_str(), "KVN", 0, name)) return {};
    ::DeleteFileA(name);
    return name;
}

bool DeleteFileAndTmp(const std::string& fileName)
{
    try {
        if (FileExists(fileName)) DeleteFile(fileName);
        std::string tmp = ChangeFileExt(fileName, ".TMP");
        if (FileExists(tmp)) DeleteFile(tmp);
        return true;
    } catch (...) {
        return false;
    }
}

int64_t CopyStreamWithProgress(TStream& source, TStream& dest, int64_t count, const TCopyProgress& progress)
{
    if (count < 0) return 0;
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, kCopyBlockSize)));
    int64_t copied = 0;
    while (copied < count) {
        auto block = static_cast<int32_t>(std::min<int64_t>(count - copied, kCopyBlockSize));
        source.ReadBuffer(buffer.data(), block);
        dest.WriteBuffer(buffer.data(), block);
        copied += block;
        if (progress) progress(copied, count);
    }
    return copied;
}

std::string ExtractMovieFileName(const std::string& reference)
{
    return reference.substr(0, reference.find('?'));
}

std::string ExtractFlashVars(const std::string& reference)
{
    size_t question = reference.find('?');
    return question == std::string::npos ? std::string() : reference.substr(question);
}

int32_t GetMovieFileSize(const std::string& reference)
{
    TFileStream file(ExtractMovieFileName(reference), fmOpenRead | fmShareDenyNone);
    return static_cast<int32_t>(std::min<int64_t>(file.GetSize(), INT32_MAX));
}

bool ExtractSWFFromProjector(const std::string& fileName, const std::string& targetFile,
                             const TCopyProgress& progress, std::string& movieFile)
{
    if (!AnsiSameText(ExtractFileExt(fileName), ".exe")) return false;
    TFileStream projector(fileName, fmOpenRead | fmShareDenyNone);
    const int64_t size = projector.GetSize();
    if (size < kProjectorTrailerSize) return false;
    uint8_t trailer[kProjectorTrailerSize];
    projector.SetPosition(size - kProjectorTrailerSize);
    projector.ReadBuffer(trailer, sizeof trailer);
    const std::optional<TProjectorMovie> found = FindProjectorMovie(size, trailer);
    if (!found) return false;
    const auto [movieStart, movieSize] = *found;

    char signature[3];
    projector.SetPosition(movieStart);
    projector.ReadBuffer(signature, 3);
    if (!IsProjectorMovieSignature(signature)) return false;

    std::string target = targetFile;
    if (target.empty()) {
        std::string temp = MakeTempFileName();
        if (temp.empty()) return false;
        target = ChangeFileExt(temp, ".swf");
    }
    TBusyCursor busy;
    projector.SetPosition(movieStart);
    try {
        TFileStream movie(target, fmCreate);
        CopyStreamWithProgress(projector, movie, movieSize, progress);
    } catch (...) {
        DeleteFileAndTmp(target);
        throw;
    }
    movieFile = target;
    return true;
}
