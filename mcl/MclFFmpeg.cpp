#include "MclFFmpeg.h"

#include "FFLoad.h"
#include "MyUtils.h"
#include "UnicodeProtocol.h"
#include "SysUtils.h"

namespace {

// Exact where only the layout changes, so a picture keeps its pixels.
constexpr int ScaleFlags = SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_BITEXACT;

constexpr TLibrarySet MclLibraries = LibraryBit(liAVCodec) | LibraryBit(liAVFormat) | LibraryBit(liAVUtil) |
                                     LibraryBit(liSwScale) | LibraryBit(liSwResample);

// The folder of this DLL, where the program keeps libav\.
std::wstring OwnFolder()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&OwnFolder), &self);
    wchar_t path[MAX_PATH * 4] = {};
    GetModuleFileNameW(self, path, static_cast<DWORD>(std::size(path)));
    return WideExtractFilePath(path);
}

}

bool LoadMclFFmpeg()
{
    TFFLoader& loader = FFLoader();
    if (loader.AllLoaded(MclLibraries)) return true;
    loader.SetLibraryPath(OwnFolder() + L"libav");
    return loader.LoadLibraries(MclLibraries);
}

std::string FFmpegFileName(const std::string& ansiName)
{
    return WideToUTF8Name(AnsiToWide(ansiName));
}

InputPtr OpenInputFile(const std::string& ansiName)
{
    std::string name = FFmpegFileName(ansiName);
    AVFormatContext* opened = nullptr;
    if (ff::avformat_open_input(&opened, name.c_str(), nullptr, nullptr) < 0) return nullptr;
    InputPtr input(opened);
    if (ff::avformat_find_stream_info(input.get(), nullptr) < 0) return nullptr;
    return input;
}

CodecPtr OpenBestDecoder(AVFormatContext* input, AVMediaType type, int& stream)
{
    const AVCodec* decoder = nullptr;
    stream = ff::av_find_best_stream(input, type, -1, -1, &decoder, 0);
    if (stream < 0 || !decoder) return nullptr;
    CodecPtr codec(ff::avcodec_alloc_context3(decoder));
    if (!codec || ff::avcodec_parameters_to_context(codec.get(), input->streams[stream]->codecpar) < 0 ||
        ff::avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return nullptr;
    return codec;
}

FramePtr PictureToFrame(const MclPicture& picture, AVPixelFormat format, int width, int height, SwsContext*& scale)
{
    FramePtr frame(ff::av_frame_alloc());
    if (!frame) return nullptr;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (ff::av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    AVPixelFormat from = picture.Bits == 32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
    scale = ff::sws_getCachedContext(scale, picture.Width, picture.Height, from, width, height, format, ScaleFlags,
                                     nullptr, nullptr, nullptr);
    if (!scale) return nullptr;
    const uint8_t* planes[1] = {picture.Row(0)};
    const int strides[1] = {picture.Stride()};
    if (ff::sws_scale(scale, planes, strides, 0, picture.Height, frame->data, frame->linesize) != height)
        return nullptr;
    return frame;
}

bool FrameToPicture(const AVFrame& frame, MclPicture& picture)
{
    auto format = static_cast<AVPixelFormat>(frame.format);
    const AVPixFmtDescriptor* described = ff::av_pix_fmt_desc_get(format);
    if (!described) return false;
    bool alpha = (described->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
    MclPicture read;
    if (!read.Redim(frame.width, frame.height, alpha ? 32 : 24)) return false;
    ScalePtr scale(ff::sws_getContext(frame.width, frame.height, format, frame.width, frame.height,
                                      alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24,
                                      ScaleFlags, nullptr, nullptr, nullptr));
    if (!scale) return false;
    uint8_t* planes[1] = {read.Row(0)};
    const int strides[1] = {read.Stride()};
    if (ff::sws_scale(scale.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) != frame.height)
        return false;
    picture = std::move(read);
    return true;
}
