#include "Lame_Enc_Ex.h"

#include <windows.h>

#include <BladeMP3EncDLL.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "SysUtils.h"

namespace {

struct TLameEntries {
    BEINITSTREAM Init = nullptr;
    BEENCODECHUNK Encode = nullptr;
    BEDEINITSTREAM Deinit = nullptr;
    BECLOSESTREAM Close = nullptr;
};

std::mutex libraryLock;
std::string libraryFolder;

// Loaded once and kept for the process: streams may outlive each other.
const TLameEntries* Lame()
{
    static TLameEntries entries;
    static bool loaded = false;
    std::lock_guard<std::mutex> guard(libraryLock);
    if (loaded) return entries.Init ? &entries : nullptr;
    const std::string folder = libraryFolder.empty() ? ExtractFilePath(ParamStr(0)) : IncludeTrailingPathDelimiter(libraryFolder);
    HMODULE module = LoadLibraryA((folder + "lame_enc.dll").c_str());
    if (!module) return nullptr;
    loaded = true;
    auto entry = [module](const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); };
    TLameEntries found{reinterpret_cast<BEINITSTREAM>(entry("beInitStream")),
                       reinterpret_cast<BEENCODECHUNK>(entry("beEncodeChunk")),
                       reinterpret_cast<BEDEINITSTREAM>(entry("beDeinitStream")),
                       reinterpret_cast<BECLOSESTREAM>(entry("beCloseStream"))};
    if (found.Init && found.Encode && found.Deinit && found.Close) entries = found;
    return entries.Init ? &entries : nullptr;
}

DWORD LameMode(int channelMode)
{
    switch (channelMode) {
    case 1: return BE_MP3_MODE_MONO;
    case 3: return BE_MP3_MODE_JSTEREO;
    case 4: return BE_MP3_MODE_DUALCHANNEL;
    default: return BE_MP3_MODE_STEREO;
    }
}

// LAME may write this many times its announced buffer size in one call.
constexpr size_t OutputReserve = 32;

}

void SetLameLibraryFolder(const std::string& folder)
{
    std::lock_guard<std::mutex> guard(libraryLock);
    libraryFolder = folder;
}

TLameStream::TLameStream(uint32_t sampleRate, uint32_t bitrate, int channelMode)
{
    try {
        const TLameEntries* lame = Lame();
        if (!lame) return;
        BE_CONFIG config{};
        config.dwConfig = BE_CONFIG_LAME;
        config.format.LHV1.dwStructVersion = 1;
        config.format.LHV1.dwStructSize = sizeof(config);
        config.format.LHV1.dwSampleRate = sampleRate;
        config.format.LHV1.dwReSampleRate = sampleRate;
        config.format.LHV1.nMode = static_cast<INT>(LameMode(channelMode));
        config.format.LHV1.dwBitrate = bitrate;
        config.format.LHV1.dwMaxBitrate = 320;
        config.format.LHV1.bCRC = TRUE;
        config.format.LHV1.nVBRQuality = 4;
        DWORD samplesPerChunk = 0, outputSize = 0;
        HBE_STREAM stream{};
        initResult_ = lame->Init(&config, &samplesPerChunk, &outputSize, &stream);
        if (initResult_ != BE_ERR_SUCCESSFUL) return;
        stream_ = reinterpret_cast<void*>(stream);
        open_ = true;
        input_.resize(size_t(samplesPerChunk) * 4);
        output_.resize(size_t(outputSize) * OutputReserve);
    } catch (const std::exception&) {
        initResult_ = HostError;
    }
}

TLameStream::~TLameStream()
{
    if (open_) Lame()->Close(reinterpret_cast<HBE_STREAM>(stream_));
}

uint32_t TLameStream::Encode(const void* data, size_t length, TStream& destination)
{
    if (!open_ || input_.empty()) return initResult_ ? initResult_ : HostError;
    try {
        const auto* bytes = static_cast<const uint8_t*>(data);
        for (size_t offset = 0; offset < length;) {
            const size_t chunk = std::min(input_.size(), length - offset);
            std::memcpy(input_.data(), bytes + offset, chunk);
            DWORD written = 0;
            const BE_ERR result = Lame()->Encode(reinterpret_cast<HBE_STREAM>(stream_), static_cast<DWORD>(chunk / 2),
                                                 reinterpret_cast<PSHORT>(input_.data()), output_.data(), &written);
            if (result != BE_ERR_SUCCESSFUL) return result;
            destination.WriteBuffer(output_.data(), static_cast<int32_t>(written));
            offset += chunk;
        }
        return BE_ERR_SUCCESSFUL;
    } catch (const std::exception&) {
        return HostError;
    }
}

uint32_t TLameStream::Flush(TStream& destination)
{
    if (!open_) return initResult_ ? initResult_ : HostError;
    open_ = false;
    const TLameEntries* lame = Lame();
    DWORD written = 0;
    BE_ERR result = lame->Deinit(reinterpret_cast<HBE_STREAM>(stream_), output_.data(), &written);
    try {
        if (result == BE_ERR_SUCCESSFUL) destination.WriteBuffer(output_.data(), static_cast<int32_t>(written));
    } catch (const std::exception&) {
        result = HostError;
    }
    lame->Close(reinterpret_cast<HBE_STREAM>(stream_));
    return result;
}
