#include "FFUtils.h"

#include "Exceptions.h"
#include "FFLog.h"
#include "SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Bits per pixel → the bitmap's format and FFmpeg's name for its pixels.
// Windows keeps red in the high bits of 15- and 16-bit pixels.
const struct {
    int bits;
    TPixelFormat bitmapFormat;
    AVPixelFormat pixelFormat;
} Layouts[] = {{8, pf8bit, AV_PIX_FMT_BGR8},
               {15, pf15bit, AV_PIX_FMT_RGB555LE},
               {16, pf16bit, AV_PIX_FMT_RGB565LE},
               {24, pf24bit, AV_PIX_FMT_BGR24},
               {32, pf32bit, AV_PIX_FMT_BGRA}};

// Bitmap rows are padded to 32 bits.
constexpr int LineAlign = 4;

}

TFormatConverter::TFormatConverter()
{
    bitmap_.SetPixelFormat(pf24bit);
}

TFormatConverter::~TFormatConverter()
{
    if (buffer_) ff::av_free(buffer_);
    if (toRGB_) ff::sws_freeContext(toRGB_);
    if (fromRGB_) ff::sws_freeContext(fromRGB_);
}

void TFormatConverter::SetBitsPixel(int bits)
{
    for (const auto& layout : Layouts) {
        if (layout.bits != bits) continue;
        if (bits != bitsPixel_) {
            bitsPixel_ = bits;
            pixelFormat_ = layout.pixelFormat;
            bitmap_.SetPixelFormat(layout.bitmapFormat);
            std::fill(std::begin(current_), std::end(current_), nullptr);
            std::fill(std::begin(currentLineSize_), std::end(currentLineSize_), 0);
        }
        return;
    }
    throw Exception(Format("Invalid BitsPixel %d", bits));
}

bool TFormatConverter::NeedsConversion(const int* lineSize, AVPixelFormat format, int height, int width) const
{
    return format != pixelFormat_ || width % 2 || height % 2 || lineSize[0] != bitmap_.ScanLineSize();
}

bool TFormatConverter::ToRGB(const uint8_t* const* data, const int* lineSize, AVPixelFormat format, bool copyToBitmap,
                             int height, int width)
{
    bitmap_.SetSize(width, height);
    if (NeedsConversion(lineSize, format, height, width)) {
        int size = ff::av_image_get_buffer_size(pixelFormat_, width, height, LineAlign);
        if (size > bufferSize_) {
            ff::av_free(buffer_);
            buffer_ = static_cast<uint8_t*>(ff::av_malloc(size));
            bufferSize_ = buffer_ ? size : 0;
        }
        if (!buffer_) {
            lastError_ = "Cannot allocate the toRGB picture";
            return false;
        }
        ff::av_image_fill_arrays(current_, currentLineSize_, buffer_, pixelFormat_, width, height, LineAlign);
        if (!Scale(toRGB_, "toRGB", data, lineSize, format, current_, currentLineSize_, pixelFormat_, height, width))
            return false;
    } else {
        for (int i = 0; i < 4; ++i) {
            current_[i] = const_cast<uint8_t*>(data[i]);
            currentLineSize_[i] = lineSize[i];
        }
    }
    if (copyToBitmap) CopyToBitmap();
    return true;
}

bool TFormatConverter::FromRGB(uint8_t* const* data, const int* lineSize, AVPixelFormat format, int height, int width)
{
    RequireCurrentPicture();
    return Scale(fromRGB_, "fromRGB", current_, currentLineSize_, pixelFormat_, data, lineSize, format, height, width);
}

bool TFormatConverter::Scale(SwsContext*& context, const char* direction, const uint8_t* const* source,
                             const int* sourceLineSize, AVPixelFormat sourceFormat, uint8_t* const* target,
                             const int* targetLineSize, AVPixelFormat targetFormat, int height, int width)
{
    context = ff::sws_getCachedContext(context, width, height, sourceFormat, width, height, targetFormat, SWS_BICUBIC,
                                       nullptr, nullptr, nullptr);
    if (!context) {
        lastError_ = Format("Cannot initialize the %s conversion context", direction);
        return false;
    }
    ff::sws_scale(context, source, sourceLineSize, 0, height, target, targetLineSize);
    return true;
}

void TFormatConverter::RequireCurrentPicture() const
{
    if (!current_[0]) throw EAssertionFailed("The format converter has no current picture");
}

void TFormatConverter::CopyToBitmap()
{
    RequireCurrentPicture();
    for (int row = 0; row < bitmap_.Height(); ++row)
        std::memcpy(bitmap_.ScanLine(row), current_[0] + static_cast<ptrdiff_t>(row) * currentLineSize_[0],
                    currentLineSize_[0]);
}

void TFormatConverter::CopyFromBitmap()
{
    RequireCurrentPicture();
    for (int row = 0; row < bitmap_.Height(); ++row)
        std::memcpy(current_[0] + static_cast<ptrdiff_t>(row) * currentLineSize_[0], bitmap_.ScanLine(row),
                    currentLineSize_[0]);
}

std::string FormatTime(int64_t microseconds)
{
    if (microseconds == AV_NOPTS_VALUE) return "N/A";
    int64_t seconds = microseconds / 1000000;
    return Format("%.2d:%.2d:%.2d.%.3d", seconds / 3600, seconds / 60 % 60, seconds % 60,
                  microseconds % 1000000 * 1000 / 1000000);
}

namespace {

const struct {
    int code;
    const char* text;
} TaggedErrors[] = {
    {AVERROR_BSF_NOT_FOUND, "Bitstream filter not found"},
    {AVERROR_BUG, "Internal bug, should not have happened"},
    {AVERROR_BUG2, "Internal bug, should not have happened"},
    {AVERROR_BUFFER_TOO_SMALL, "Buffer too small"},
    {AVERROR_DECODER_NOT_FOUND, "Decoder not found"},
    {AVERROR_DEMUXER_NOT_FOUND, "Demuxer not found"},
    {AVERROR_ENCODER_NOT_FOUND, "Encoder not found"},
    {AVERROR_EOF, "End of file"},
    {AVERROR_EXIT, "Immediate exit requested"},
    {AVERROR_EXPERIMENTAL, "Experimental feature"},
    {AVERROR_EXTERNAL, "Generic error in an external library"},
    {AVERROR_FILTER_NOT_FOUND, "Filter not found"},
    {AVERROR_HTTP_BAD_REQUEST, "Server returned 400 Bad Request"},
    {AVERROR_HTTP_FORBIDDEN, "Server returned 403 Forbidden (access denied)"},
    {AVERROR_HTTP_NOT_FOUND, "Server returned 404 Not Found"},
    {AVERROR_HTTP_OTHER_4XX, "Server returned 4XX Client Error, but not one of 40{0,1,3,4}"},
    {AVERROR_HTTP_SERVER_ERROR, "Server returned 5XX Server Error reply"},
    {AVERROR_HTTP_UNAUTHORIZED, "Server returned 401 Unauthorized (authorization failed)"},
    {AVERROR_INPUT_CHANGED, "Input changed"},
    {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
    {AVERROR_MUXER_NOT_FOUND, "Muxer not found"},
    {AVERROR_OPTION_NOT_FOUND, "Option not found"},
    {AVERROR_OUTPUT_CHANGED, "Output changed"},
    {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg, patches welcome"},
    {AVERROR_PROTOCOL_NOT_FOUND, "Protocol not found"},
    {AVERROR_STREAM_NOT_FOUND, "Stream not found"},
    {AVERROR_UNKNOWN, "Unknown error occurred"},
    // The C runtime's numbers whose wording the program fixes; the others
    // take the runtime's own.
    {-EPERM, "Operation not permitted"},
    {-ENOENT, "No such file or directory"},
    {-ESRCH, "No such process"},
    {-EIO, "I/O error"},
    {-ENXIO, "No such device or address"},
    {-E2BIG, "Argument list too long"},
    {-ENOEXEC, "Exec format error"},
};

#define TVM_SOCKET_ERROR(name) {-name, #name},
const struct {
    int code;
    const char* name;
} SocketErrors[] = {
    TVM_SOCKET_ERROR(WSAEINTR) TVM_SOCKET_ERROR(WSAEBADF) TVM_SOCKET_ERROR(WSAEACCES) TVM_SOCKET_ERROR(WSAEFAULT)
    TVM_SOCKET_ERROR(WSAEINVAL) TVM_SOCKET_ERROR(WSAEMFILE) TVM_SOCKET_ERROR(WSAEWOULDBLOCK)
    TVM_SOCKET_ERROR(WSAEINPROGRESS) TVM_SOCKET_ERROR(WSAEALREADY) TVM_SOCKET_ERROR(WSAENOTSOCK)
    TVM_SOCKET_ERROR(WSAEDESTADDRREQ) TVM_SOCKET_ERROR(WSAEMSGSIZE) TVM_SOCKET_ERROR(WSAEPROTOTYPE)
    TVM_SOCKET_ERROR(WSAENOPROTOOPT) TVM_SOCKET_ERROR(WSAEPROTONOSUPPORT) TVM_SOCKET_ERROR(WSAESOCKTNOSUPPORT)
    TVM_SOCKET_ERROR(WSAEOPNOTSUPP) TVM_SOCKET_ERROR(WSAEPFNOSUPPORT) TVM_SOCKET_ERROR(WSAEAFNOSUPPORT)
    TVM_SOCKET_ERROR(WSAEADDRINUSE) TVM_SOCKET_ERROR(WSAEADDRNOTAVAIL) TVM_SOCKET_ERROR(WSAENETDOWN)
    TVM_SOCKET_ERROR(WSAENETUNREACH) TVM_SOCKET_ERROR(WSAENETRESET) TVM_SOCKET_ERROR(WSAECONNABORTED)
    TVM_SOCKET_ERROR(WSAECONNRESET) TVM_SOCKET_ERROR(WSAENOBUFS) TVM_SOCKET_ERROR(WSAEISCONN)
    TVM_SOCKET_ERROR(WSAENOTCONN) TVM_SOCKET_ERROR(WSAESHUTDOWN) TVM_SOCKET_ERROR(WSAETOOMANYREFS)
    TVM_SOCKET_ERROR(WSAETIMEDOUT) TVM_SOCKET_ERROR(WSAECONNREFUSED) TVM_SOCKET_ERROR(WSAELOOP)
    TVM_SOCKET_ERROR(WSAENAMETOOLONG) TVM_SOCKET_ERROR(WSAEHOSTDOWN) TVM_SOCKET_ERROR(WSAEHOSTUNREACH)
    TVM_SOCKET_ERROR(WSAENOTEMPTY) TVM_SOCKET_ERROR(WSAEPROCLIM) TVM_SOCKET_ERROR(WSAEUSERS)
    TVM_SOCKET_ERROR(WSAEDQUOT) TVM_SOCKET_ERROR(WSAESTALE) TVM_SOCKET_ERROR(WSAEREMOTE)
    TVM_SOCKET_ERROR(WSASYSNOTREADY) TVM_SOCKET_ERROR(WSAVERNOTSUPPORTED) TVM_SOCKET_ERROR(WSANOTINITIALISED)
    TVM_SOCKET_ERROR(WSAEDISCON) TVM_SOCKET_ERROR(WSAENOMORE) TVM_SOCKET_ERROR(WSAECANCELLED)
    TVM_SOCKET_ERROR(WSAEINVALIDPROCTABLE) TVM_SOCKET_ERROR(WSAEINVALIDPROVIDER)
    TVM_SOCKET_ERROR(WSAEPROVIDERFAILEDINIT) TVM_SOCKET_ERROR(WSASYSCALLFAILURE)
    TVM_SOCKET_ERROR(WSASERVICE_NOT_FOUND) TVM_SOCKET_ERROR(WSATYPE_NOT_FOUND) TVM_SOCKET_ERROR(WSA_E_NO_MORE)
    TVM_SOCKET_ERROR(WSA_E_CANCELLED) TVM_SOCKET_ERROR(WSAEREFUSED) TVM_SOCKET_ERROR(WSAHOST_NOT_FOUND)
    TVM_SOCKET_ERROR(WSATRY_AGAIN) TVM_SOCKET_ERROR(WSANO_RECOVERY) TVM_SOCKET_ERROR(WSANO_DATA)};
#undef TVM_SOCKET_ERROR

// The C runtime's wording of an error number, empty when it has none.
std::string RuntimeErrorText(int number)
{
    if (number <= 0 || number >= 1000) return {};
    std::string text = std::strerror(number);
    return text == "Unknown error" ? std::string() : text;
}

std::string ErrorCodeText(int code)
{
    for (const auto& entry : TaggedErrors)
        if (entry.code == code) return entry.text;
    for (const auto& entry : SocketErrors)
        if (entry.code == code) return entry.name;
    std::string text = RuntimeErrorText(-code);
    return text.empty() ? Format("Error number %d occurred", code) : text;
}

}

std::string ErrorText(const std::string& name, int code)
{
    return name + ": " + ErrorCodeText(code);
}

std::string MediaTypeName(int type)
{
    static const char* const Names[] = {"Video", "Audio", "Data", "Subtitle", "Attachment"};
    return type >= 0 && type < static_cast<int>(std::size(Names)) ? Names[type] : "Unknown";
}

std::string CodecText(AVCodecID codecId, unsigned codecTag, bool encoder)
{
    const AVCodec* codec = encoder ? ff::avcodec_find_encoder(codecId) : ff::avcodec_find_decoder(codecId);
    if (codec) {
        std::string longName = Trim(codec->long_name ? codec->long_name : "");
        return longName.empty() ? codec->name : Format("%s(%s)", codec->name, longName);
    }
    if (codecId == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
    if (const AVCodecDescriptor* descriptor = ff::avcodec_descriptor_get(codecId)) return Trim(descriptor->name);
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(codecTag >> (8 * i));
    if (std::all_of(std::begin(bytes), std::end(bytes), IsPrintable)) {
        std::string tag(reinterpret_cast<const char*>(bytes), 4);
        return Format("%s / 0x%04X", tag, codecTag);
    }
    return Format("0x%04x", codecTag);
}

int64_t IOTell(AVIOContext* context)
{
    return ff::avio_seek(context, 0, SEEK_CUR);
}

std::string MetadataValue(const AVDictionary* dictionary, const char* key, const std::string& defaultValue)
{
    const AVDictionaryEntry* entry = ff::av_dict_get(dictionary, key, nullptr, 0);
    return entry ? entry->value : defaultValue;
}

int ReadFileToMemory(const char* fileName, uint8_t*& buffer, int& size)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(fileName, "rb"), &std::fclose);
    if (!file) return -1;
    // Told in 64 bits: a plain ftell answers -1 past 2 GB here.
    if (_fseeki64(file.get(), 0, SEEK_END) != 0) return AVERROR(EIO);
    const int64_t length = _ftelli64(file.get());
    if (length < 0 || _fseeki64(file.get(), 0, SEEK_SET) != 0) return AVERROR(EIO);
    // The length and the 0 after it must fit an int.
    if (length >= INT_MAX) return AVERROR(EFBIG);
    auto* memory = static_cast<uint8_t*>(ff::av_malloc(static_cast<size_t>(length) + 1));
    if (!memory) return AVERROR(ENOMEM);
    const size_t read = std::fread(memory, 1, static_cast<size_t>(length), file.get());
    if (std::ferror(file.get())) {
        ff::av_free(memory);
        return AVERROR(EIO);
    }
    memory[read] = 0;
    buffer = memory;
    size = static_cast<int>(read) + 1;
    return 0;
}

bool IsPrintable(uint8_t c)
{
    return c >= 32 && c <= 126;
}

namespace {

std::string lastOptionError;

// The option flags of each media type's codec options; data and attachment
// take any.
int TypeFlags(int type)
{
    constexpr int Flags[AVMEDIA_TYPE_NB] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                            AV_OPT_FLAG_SUBTITLE_PARAM, 0};
    return Flags[type];
}

// The media type a leading "v", "a" or "s" names, or AVMEDIA_TYPE_UNKNOWN.
AVMediaType TypeOfLetter(char letter)
{
    switch (letter) {
    case 'v':
        return AVMEDIA_TYPE_VIDEO;
    case 'a':
        return AVMEDIA_TYPE_AUDIO;
    case 's':
        return AVMEDIA_TYPE_SUBTITLE;
    default:
        return AVMEDIA_TYPE_UNKNOWN;
    }
}

bool HasPrivateOption(const AVClass* privateClass, const std::string& name)
{
    return privateClass && ff::av_opt_find(&privateClass, name.c_str(), nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
}

// An option of some codec's, muxer's or demuxer's own.
bool IsPrivateOption(const std::string& name)
{
    void* state = nullptr;
    while (const AVCodec* codec = ff::av_codec_iterate(&state))
        if (HasPrivateOption(codec->priv_class, name)) return true;
    state = nullptr;
    while (const AVOutputFormat* muxer = ff::av_muxer_iterate(&state))
        if (HasPrivateOption(muxer->priv_class, name)) return true;
    state = nullptr;
    while (const AVInputFormat* demuxer = ff::av_demuxer_iterate(&state))
        if (HasPrivateOption(demuxer->priv_class, name)) return true;
    return false;
}

// An option of the class or, with children, of the classes under it.
const AVOption* FindClassOption(const AVClass* cls, const std::string& name, int flags, bool children)
{
    int search = AV_OPT_SEARCH_FAKE_OBJ | (children ? AV_OPT_SEARCH_CHILDREN : 0);
    return ff::av_opt_find(&cls, name.c_str(), nullptr, flags, search);
}

void PutOption(AVDictionary** dictionary, const std::string& name, const std::string& value, const AVOption* option)
{
    ff::av_dict_set(dictionary, name.c_str(), value.c_str(), option->type == AV_OPT_TYPE_FLAGS ? AV_DICT_APPEND : 0);
}

// Finds Name on Context and sets it: -1 when refused, 0 when not there, 1 when set.
int SetOption(void* context, const std::string& name, const std::string& value, int flags)
{
    if (!ff::av_opt_find(context, name.c_str(), nullptr, flags, AV_OPT_SEARCH_CHILDREN)) return 0;
    return ff::av_opt_set(context, name.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN) < 0 ? -1 : 1;
}

// Keeps and logs why an option could not be set; answers False.
bool OptionFailed(const std::string& message)
{
    lastOptionError = message;
    ff::av_log(nullptr, AV_LOG_ERROR, "%s\n", message.c_str());
    return false;
}

}

const std::string& LastOptionError()
{
    return lastOptionError;
}

namespace {

// Context, or Exception when FFmpeg could not make it.
template <typename T>
T* Made(T* context, const char* kind)
{
    if (!context) throw Exception(Format("Cannot initialize the options' %s context", kind));
    return context;
}

}

TOptionContext::TOptionContext(int scaleFlags)
{
    try {
        for (int type = 0; type < AVMEDIA_TYPE_NB; ++type) {
            codecContexts_[type] = Made(ff::avcodec_alloc_context3(nullptr), "codec");
            codecContexts_[type]->codec_type = static_cast<AVMediaType>(type);
        }
        formatContext_ = Made(ff::avformat_alloc_context(), "format");
        scaleContext_ = Made(ff::sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P, scaleFlags,
                                                nullptr, nullptr, nullptr),
                             "scaling");
    } catch (...) {
        FreeContexts();
        throw;
    }
}

TOptionContext::~TOptionContext()
{
    FreeContexts();
    for (AVDictionary** dictionary : {&formatOptions_, &videoOptions_, &audioOptions_, &subtitleOptions_})
        ff::av_dict_free(dictionary);
}

void TOptionContext::FreeContexts()
{
    for (AVCodecContext*& context : codecContexts_) ff::avcodec_free_context(&context);
    ff::avformat_free_context(formatContext_);
    formatContext_ = nullptr;
    ff::sws_freeContext(scaleContext_);
    scaleContext_ = nullptr;
}

bool TOptionContext::SetDefaultOption(const std::string& name, const std::string& value)
{
    if (Trim(name).empty()) return false;
    TSetResult result = IsPrivateOption(name) ? TSetResult::Set : SetOnContexts(name, value);
    if (result == TSetResult::Set) result = StoreOption(name, value);
    if (result == TSetResult::Refused) return OptionFailed(Format("Invalid value \"%s\" for option \"%s\"", value, name));
    if (result == TSetResult::Unknown) return OptionFailed(Format("Unrecognized option \"%s\"", name));
    if (result == TSetResult::Failed) return false;

    options_.emplace_back(name, value);
    if (codecContexts_[AVMEDIA_TYPE_VIDEO]->debug || formatContext_->debug) FFLogger().SetLogLevel(llDebug);
    return true;
}

TOptionContext::TSetResult TOptionContext::SetOnContexts(const std::string& name, const std::string& value)
{
    int result = 0;
    for (int type = 0; type < AVMEDIA_TYPE_NB; ++type) {
        int set = SetOption(codecContexts_[type], name, value, TypeFlags(type));
        if (set < 0) return TSetResult::Refused;
        result |= set;
    }
    if (!result) result = SetOption(formatContext_, name, value, 0);
    if (!result) result = SetOption(scaleContext_, name, value, 0);
    AVMediaType type = TypeOfLetter(name[0]);
    if (!result && type != AVMEDIA_TYPE_UNKNOWN) result = SetOption(codecContexts_[type], name.substr(1), value, 0);
    return result < 0 ? TSetResult::Refused : result ? TSetResult::Set : TSetResult::Unknown;
}

TOptionContext::TSetResult TOptionContext::StoreOption(const std::string& name, const std::string& value)
{
    if (const AVOption* option = FindClassOption(ff::avcodec_get_class(), name, 0, true)) {
        if (option->flags & AV_OPT_FLAG_VIDEO_PARAM) PutOption(&videoOptions_, name, value, option);
        if (option->flags & AV_OPT_FLAG_AUDIO_PARAM) PutOption(&audioOptions_, name, value, option);
        if (option->flags & AV_OPT_FLAG_SUBTITLE_PARAM) PutOption(&subtitleOptions_, name, value, option);
        return TSetResult::Set;
    }
    if (const AVOption* option = FindClassOption(ff::avformat_get_class(), name, 0, true)) {
        PutOption(&formatOptions_, name, value, option);
        return TSetResult::Set;
    }
    if (FindClassOption(ff::sws_get_class(), name, 0, false)) {
        if (ff::av_opt_set(scaleContext_, name.c_str(), value.c_str(), 0) >= 0) return TSetResult::Set;
        OptionFailed(Format("Error setting option \"%s\"", name));
        return TSetResult::Failed;
    }
    AVMediaType type = TypeOfLetter(name[0]);
    AVDictionary** dictionaries[] = {&videoOptions_, &audioOptions_, nullptr, &subtitleOptions_};
    if (type != AVMEDIA_TYPE_UNKNOWN) {
        std::string rest = name.substr(1);
        if (const AVOption* option = FindClassOption(ff::avcodec_get_class(), rest, TypeFlags(type), false)) {
            PutOption(dictionaries[type], rest, value, option);
            return TSetResult::Set;
        }
    }
    return TSetResult::Unknown;
}

void TOptionContext::ApplyOptions(void* target, void* source, int flags, const AVCodec* codec) const
{
    // A codec's or format's own options live in its private data, made with its context.
    void* privateTarget = nullptr;
    const AVClass* targetClass = *static_cast<const AVClass**>(target);
    if (targetClass == ff::avcodec_get_class()) {
        if (codec && codec->priv_class) privateTarget = static_cast<AVCodecContext*>(target)->priv_data;
    } else if (targetClass == ff::avformat_get_class()) {
        auto* format = static_cast<AVFormatContext*>(target);
        if ((format->oformat && format->oformat->priv_class) || (format->iformat && format->iformat->priv_class))
            privateTarget = format->priv_data;
    }
    for (const auto& [name, value] : options_) {
        if (privateTarget && ff::av_opt_find(privateTarget, name.c_str(), nullptr, flags, 0)) {
            if (ff::av_opt_set(privateTarget, name.c_str(), value.c_str(), 0) < 0)
                ff::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(), name.c_str());
        } else if (ff::av_opt_find(source, name.c_str(), nullptr, flags, 0)) {
            uint8_t* current = nullptr;
            if (ff::av_opt_get(source, name.c_str(), 0, &current) < 0) continue;
            ff::av_opt_set(target, name.c_str(), reinterpret_cast<const char*>(current), 0);
            ff::av_free(current);
        }
    }
}
