#include "MclImageFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "MclFFmpeg.h"
#include "MclJpeg.h"
#include "MyUtils.h"
#include "SysUtils.h"

namespace {

std::string LowerExtension(const std::string& fileName)
{
    size_t dot = fileName.find_last_of(".\\/:");
    if (dot == std::string::npos || fileName[dot] != '.') return "";
    std::string extension = fileName.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return extension;
}

struct ImageEncoder {
    const char* Extension;
    const char* Codec;
    // The pixel formats used for a 32-bit and a 24-bit picture.
    AVPixelFormat WithAlpha;
    AVPixelFormat WithoutAlpha;
};

const ImageEncoder ImageEncoders[] = {
    {".bmp", "bmp", AV_PIX_FMT_BGRA, AV_PIX_FMT_BGR24},     {".png", "png", AV_PIX_FMT_RGBA, AV_PIX_FMT_RGB24},
    {".tif", "tiff", AV_PIX_FMT_RGBA, AV_PIX_FMT_RGB24},    {".tiff", "tiff", AV_PIX_FMT_RGBA, AV_PIX_FMT_RGB24},
    {".tga", "targa", AV_PIX_FMT_BGRA, AV_PIX_FMT_BGR24},   {".pcx", "pcx", AV_PIX_FMT_RGB24, AV_PIX_FMT_RGB24},
    {".gif", "gif", AV_PIX_FMT_PAL8, AV_PIX_FMT_PAL8},
};

// A GIF's palette: the picture's own colours when there are 256 or fewer,
// so such a picture keeps every pixel; else a uniform 6 x 7 x 6 cube.
FramePtr PalettedFrame(const MclPicture& picture)
{
    FramePtr frame(ff::av_frame_alloc());
    if (!frame) return nullptr;
    frame->format = AV_PIX_FMT_PAL8;
    frame->width = picture.Width;
    frame->height = picture.Height;
    if (ff::av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    auto colorAt = [&](int32_t x, int32_t y) {
        const uint8_t* p = picture.Row(y) + x * picture.BytesPerPixel();
        return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    };
    std::map<uint32_t, uint8_t> own;
    for (int32_t y = 0; y < picture.Height && own.size() <= 256; ++y)
        for (int32_t x = 0; x < picture.Width && own.size() <= 256; ++x) own.emplace(colorAt(x, y), 0);
    auto* palette = reinterpret_cast<uint32_t*>(frame->data[1]);
    bool exact = own.size() <= 256;
    if (exact) {
        uint8_t index = 0;
        for (auto& [color, slot] : own) {
            slot = index;
            palette[index++] = 0xFF000000u | color;
        }
    } else {
        for (int i = 0; i < 6 * 7 * 6; ++i)
            palette[i] = 0xFF000000u | uint32_t(i / 42 * 51) << 16 | uint32_t(i / 6 % 7 * 255 / 6) << 8 |
                         uint32_t(i % 6 * 51);
    }
    for (int32_t y = 0; y < picture.Height; ++y)
        for (int32_t x = 0; x < picture.Width; ++x) {
            uint32_t c = colorAt(x, y);
            frame->data[0][y * frame->linesize[0] + x] =
                exact ? own[c]
                      : static_cast<uint8_t>(std::lround((c >> 16 & 255) / 51.0) * 42 +
                                             std::lround((c >> 8 & 255) * 6 / 255.0) * 6 + std::lround((c & 255) / 51.0));
        }
    return frame;
}

// The whole file that the encoder makes of one picture.
bool EncodePicture(const ImageEncoder& format, const MclPicture& picture, std::vector<uint8_t>& bytes)
{
    const AVCodec* encoder = ff::avcodec_find_encoder_by_name(format.Codec);
    if (!encoder) return false;
    AVPixelFormat pixels = picture.Bits == 32 ? format.WithAlpha : format.WithoutAlpha;
    CodecPtr codec(ff::avcodec_alloc_context3(encoder));
    if (!codec) return false;
    codec->width = picture.Width;
    codec->height = picture.Height;
    codec->pix_fmt = pixels;
    codec->time_base = AVRational{1, 25};
    if (ff::avcodec_open2(codec.get(), encoder, nullptr) < 0) return false;
    SwsContext* scale = nullptr;
    FramePtr frame = pixels == AV_PIX_FMT_PAL8 ? PalettedFrame(picture)
                                               : PictureToFrame(picture, pixels, picture.Width, picture.Height, scale);
    ScalePtr scaleOwner(scale);
    PacketPtr packet(ff::av_packet_alloc());
    if (!frame || !packet) return false;
    frame->pts = 0;
    if (ff::avcodec_send_frame(codec.get(), frame.get()) < 0 || ff::avcodec_send_frame(codec.get(), nullptr) < 0)
        return false;
    while (ff::avcodec_receive_packet(codec.get(), packet.get()) >= 0) {
        bytes.insert(bytes.end(), packet->data, packet->data + packet->size);
        ff::av_packet_unref(packet.get());
    }
    return !bytes.empty();
}

bool WriteWholeFile(const std::string& fileName, const uint8_t* bytes, size_t size)
{
    HANDLE file = CreateFileW(AnsiToWide(fileName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
    return CloseHandle(file) && ok;
}

// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& fileName)
{
    HANDLE file = CreateFileW(AnsiToWide(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    LARGE_INTEGER size{};
    std::vector<uint8_t> bytes;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < INT32_MAX) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
            bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

}

int32_t ReadFirstImage(const std::string& fileName, MclPicture& picture)
{
    std::string extension = LowerExtension(fileName);
    if (extension == ".jpg" || extension == ".jpeg") {
        std::vector<uint8_t> bytes = ReadWholeFile(fileName);
        // A file that only bears the name goes on to FFmpeg.
        if (!bytes.empty() && DecodeJpeg(bytes, picture)) return MCL_OK;
    }
    if (!LoadMclFFmpeg()) return MCL_ERR_LIBRARIES;
    InputPtr input = OpenInputFile(fileName);
    int stream = -1;
    CodecPtr codec = input ? OpenBestDecoder(input.get(), AVMEDIA_TYPE_VIDEO, stream) : nullptr;
    if (!codec) return MCL_ERR_FILE;
    bool read = false;
    DecodeFrames(input.get(), codec.get(), stream, [&](const AVFrame& frame) {
        read = FrameToPicture(frame, picture);
        return false;
    });
    return read ? MCL_OK : MCL_ERR_FILE;
}

int32_t WriteImage(const MclPicture& picture, const std::string& fileName, double quality)
{
    if (picture.Empty()) return MCL_ERR_INVALID_ARGUMENT;
    std::string extension = LowerExtension(fileName);
    std::vector<uint8_t> bytes;
    if (extension == ".jpg" || extension == ".jpeg") {
        int level = std::isfinite(quality) ? static_cast<int>(std::lround(std::clamp(quality, 1.0, 100.0))) : 85;
        bytes = EncodeJpeg(picture, level);
    } else {
        const ImageEncoder* format =
            std::find_if(std::begin(ImageEncoders), std::end(ImageEncoders),
                         [&](const ImageEncoder& e) { return extension == e.Extension; });
        if (format == std::end(ImageEncoders)) return MCL_ERR_NOT_SUPPORTED;
        if (!LoadMclFFmpeg()) return MCL_ERR_LIBRARIES;
        if (!EncodePicture(*format, picture, bytes)) return MCL_ERR_NOT_SUPPORTED;
    }
    if (bytes.empty()) return MCL_ERR_NOT_SUPPORTED;
    return WriteWholeFile(fileName, bytes.data(), bytes.size()) ? MCL_OK : MCL_ERR_FILE;
}
