#pragma once
// The engine's shared routines: pictures to and from bitmaps, FFmpeg's error
// texts, times, codec and media-type names.
#include "AVCodecStubs.h"
#include "AVFormatStubs.h"
#include "AVUtilStubs.h"
#include "Graphics.h"
#include "SwScaleStubs.h"

#include <cstdint>
#include <string>
#include <vector>

// Converts FFmpeg pictures to a bitmap of BitsPixel bits and back. The
// converter keeps a current picture: the last one converted into its own
// buffer, or the one handed in when it already has the bitmap's layout.
class TFormatConverter {
public:
    TFormatConverter();
    ~TFormatConverter();
    TFormatConverter(const TFormatConverter&) = delete;
    TFormatConverter& operator=(const TFormatConverter&) = delete;

    int BitsPixel() const { return bitsPixel_; }
    // 8, 15, 16, 24 or 32; another value raises Exception "Invalid BitsPixel <n>".
    // A change forgets the current picture.
    void SetBitsPixel(int bits);
    // FFmpeg's format of the bitmap's pixels.
    AVPixelFormat PixelFormat() const { return pixelFormat_; }
    TBitmap& Bitmap() { return bitmap_; }
    const std::string& LastError() const { return lastError_; }

    // Makes Picture (planes Data with line sizes LineSize) the current
    // picture, converted into the bitmap's layout unless it already has it,
    // and sizes the bitmap to it.
    bool ToRGB(const uint8_t* const* data, const int* lineSize, AVPixelFormat format, bool copyToBitmap, int height,
               int width);
    // Converts the current picture into Picture.
    bool FromRGB(uint8_t* const* data, const int* lineSize, AVPixelFormat format, int height, int width);
    // Current picture to bitmap and back, row by row.
    void CopyToBitmap();
    void CopyFromBitmap();

private:
    void RequireCurrentPicture() const;
    bool NeedsConversion(const int* lineSize, AVPixelFormat format, int height, int width) const;
    // Converts between pictures of one size through a cached context;
    // Direction names it in the error text.
    bool Scale(SwsContext*& context, const char* direction, const uint8_t* const* source, const int* sourceLineSize,
               AVPixelFormat sourceFormat, uint8_t* const* target, const int* targetLineSize,
               AVPixelFormat targetFormat, int height, int width);

    int bitsPixel_ = 24;
    AVPixelFormat pixelFormat_ = AV_PIX_FMT_BGR24;
    TBitmap bitmap_;
    uint8_t* buffer_ = nullptr;
    int bufferSize_ = 0;
    uint8_t* current_[4] = {};
    int currentLineSize_[4] = {};
    SwsContext* toRGB_ = nullptr;
    SwsContext* fromRGB_ = nullptr;
    std::string lastError_;
};

// "hh:mm:ss.mmm" of a time in microseconds; "N/A" for AV_NOPTS_VALUE.
std::string FormatTime(int64_t microseconds);
// Name + ": " + the text of an FFmpeg error code ("Error number <code>
// occurred" for one without text).
std::string ErrorText(const std::string& name, int code);
// "Video", "Audio", "Data", "Subtitle", "Attachment" or "Unknown".
std::string MediaTypeName(int type);
// The codec's name and long name as "name(long name)"; for a codec FFmpeg
// cannot decode (or encode), its known name, else its tag.
std::string CodecText(AVCodecID codecId, unsigned codecTag, bool encoder);
// The current position of an I/O context.
int64_t IOTell(AVIOContext* context);
// Key's value in Dictionary, or Default.
std::string MetadataValue(const AVDictionary* dictionary, const char* key, const std::string& defaultValue = "");
// Reads a whole file into an av_malloc'ed buffer with a 0 byte after it;
// Size counts that byte. Answers 0, -1 when the file cannot be opened,
// AVERROR(EIO) when its length cannot be told or reading fails,
// AVERROR(EFBIG) when it is too long for an int-sized buffer, or
// AVERROR(ENOMEM). Buffer and Size change only on success.
int ReadFileToMemory(const char* fileName, uint8_t*& buffer, int& size);
bool IsPrintable(uint8_t c);

// What an engine knows of FFmpeg's options: a default context of each kind
// to check names and values against, the options given so far in order, and
// the dictionaries that carry them to the formats and codecs opened later.
class TOptionContext {
public:
    // ScaleFlags: the scaling flags of the engine's scaling context. Raises
    // Exception "Cannot initialize the options' <kind> context" when FFmpeg
    // cannot make one of the contexts (flags that choose two scaling
    // algorithms leave it without a scaling context, for one).
    explicit TOptionContext(int scaleFlags);
    ~TOptionContext();
    TOptionContext(const TOptionContext&) = delete;
    TOptionContext& operator=(const TOptionContext&) = delete;

    // Takes an option the engine does not know itself: a codec's, a
    // format's or the scaler's (also a codec option behind "v", "a" or "s").
    // A blank name, an unknown name or a refused value answer False, the
    // last two with LastOptionError, which is also logged.
    bool SetDefaultOption(const std::string& name, const std::string& value);
    // Gives a newly made codec or format context the options taken so far:
    // its codec's or format's own ones directly, the others, where Source
    // has them with all of Flags, as Source's current values.
    void ApplyOptions(void* target, void* source, int flags, const AVCodec* codec) const;

    AVCodecContext* CodecContext(AVMediaType type) const { return codecContexts_[type]; }
    AVFormatContext* FormatContext() const { return formatContext_; }
    SwsContext* ScaleContext() const { return scaleContext_; }
    AVDictionary* FormatOptions() const { return formatOptions_; }
    AVDictionary* VideoOptions() const { return videoOptions_; }
    AVDictionary* AudioOptions() const { return audioOptions_; }
    AVDictionary* SubtitleOptions() const { return subtitleOptions_; }
    // The options taken, as given.
    const std::vector<std::pair<std::string, std::string>>& Options() const { return options_; }

private:
    // Failed: refused and already reported.
    enum class TSetResult { Set, Refused, Unknown, Failed };
    // Sets Name on the default contexts that know it.
    TSetResult SetOnContexts(const std::string& name, const std::string& value);
    // Files the option into the dictionaries of the codecs or formats it is
    // for, or sets it on the scaler.
    TSetResult StoreOption(const std::string& name, const std::string& value);
    void FreeContexts();

    AVCodecContext* codecContexts_[AVMEDIA_TYPE_NB] = {};
    AVFormatContext* formatContext_ = nullptr;
    SwsContext* scaleContext_ = nullptr;
    AVDictionary* formatOptions_ = nullptr;
    AVDictionary* videoOptions_ = nullptr;
    AVDictionary* audioOptions_ = nullptr;
    AVDictionary* subtitleOptions_ = nullptr;
    std::vector<std::pair<std::string, std::string>> options_;
};

// The message of the last option that could not be set.
const std::string& LastOptionError();
