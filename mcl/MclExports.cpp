// The exported functions of libmcl-5.4.0.dll: each checks its handles and
// arguments and hands the work to the library's units.
#include <cmath>

#include "MclApi.h"
#include "MclConversion.h"
#include "MclImageFile.h"
#include "MclRun.h"
#include "MclTextRenderer.h"

namespace {

template <typename Change>
int32_t Configure(MclHandle m, Change change)
{
    MclConversion* conversion = ConversionFromHandle(m);
    if (!conversion) return MCL_ERR_INVALID_HANDLE;
    change(*conversion);
    return MCL_OK;
}

template <typename Use>
int32_t WithPicture(MclImage img, Use use)
{
    MclPicture* picture = PictureFromHandle(img);
    return picture ? use(*picture) : MCL_ERR_INVALID_HANDLE;
}

template <typename Use>
int32_t WithText(MclText text, Use use)
{
    MclTextRenderer* renderer = TextFromHandle(text);
    return renderer ? use(*renderer) : MCL_ERR_INVALID_HANDLE;
}

int32_t Refused(bool ok)
{
    return ok ? MCL_OK : MCL_ERR_INVALID_ARGUMENT;
}

// Records what a source callback answered; only while a conversion runs.
template <typename Change>
int32_t Answer(MclHandle m, Change change)
{
    MclConversion* conversion = ConversionFromHandle(m);
    if (!conversion) return MCL_ERR_INVALID_HANDLE;
    if (!conversion->Converting) return MCL_ERR_INVALID_ARGUMENT;
    return change(conversion->Answer);
}

}

MCL_API MclColor WINAPI MclRGB(uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<MclColor>(r) | static_cast<MclColor>(g) << 8 | static_cast<MclColor>(b) << 16;
}

MCL_API MclImage WINAPI MclImgCreate()
{
    return Pictures().Add(std::make_unique<MclPicture>());
}

MCL_API void WINAPI MclImgFree(MclImage img)
{
    Pictures().Remove(img);
}

MCL_API int32_t WINAPI MclImgCopy(MclImage dst, MclImage src)
{
    MclPicture* source = PictureFromHandle(src);
    if (!source) return MCL_ERR_INVALID_HANDLE;
    return WithPicture(dst, [&](MclPicture& target) {
        if (&target != source) target = *source;
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclImgRedim(MclImage img, int32_t width, int32_t height, int32_t bits)
{
    return WithPicture(img, [&](MclPicture& p) { return Refused(p.Redim(width, height, bits)); });
}

MCL_API int32_t WINAPI MclImgClear(MclImage img, MclColor color)
{
    return WithPicture(img, [&](MclPicture& p) {
        p.Clear(color);
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclImgGetInfo(MclImage img, int32_t* width, int32_t* height, int32_t* bits, int32_t* stride,
                                     int32_t* hasAlpha, int32_t* dpiX, int32_t* dpiY, int32_t* byteSize)
{
    return WithPicture(img, [&](MclPicture& p) {
        const std::pair<int32_t*, int32_t> outputs[] = {
            {width, p.Width},           {height, p.Height}, {bits, p.Bits}, {stride, p.Stride()},
            {hasAlpha, p.Bits == 32},   {dpiX, 96},         {dpiY, 96},
            {byteSize, static_cast<int32_t>(p.Pixels.size())}};
        for (auto [out, value] : outputs)
            if (out) *out = value;
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclImgResample(MclImage img, int32_t width, int32_t height)
{
    return WithPicture(img, [&](MclPicture& p) { return Refused(p.Resample(width, height)); });
}

MCL_API int32_t WINAPI MclImgInsert(MclImage dst, MclImage src, int32_t x, int32_t y)
{
    MclPicture* source = PictureFromHandle(src);
    if (!source) return MCL_ERR_INVALID_HANDLE;
    MclPicture copy;
    return WithPicture(dst, [&](MclPicture& target) {
        // A picture drawn over itself reads from a copy.
        if (&target == source) copy = *source;
        target.Insert(&target == source ? copy : *source, x, y);
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclDIBToImg(MclImage img, HBITMAP bitmap)
{
    return WithPicture(img, [&](MclPicture& p) { return Refused(p.FromBitmap(bitmap)); });
}

MCL_API HBITMAP WINAPI MclImgToDIB(MclImage img)
{
    MclPicture* picture = PictureFromHandle(img);
    return picture ? picture->ToBitmap() : nullptr;
}

MCL_API int32_t WINAPI MclImgShow(MclImage img, HDC dc, int32_t x, int32_t y)
{
    return WithPicture(img, [&](MclPicture& p) { return Refused(p.Show(dc, x, y)); });
}

MCL_API MclText WINAPI MclTextCreate()
{
    return TextRenderers().Add(std::make_unique<MclTextRenderer>());
}

MCL_API void WINAPI MclTextFree(MclText text)
{
    TextRenderers().Remove(text);
}

MCL_API int32_t WINAPI MclTextSetFont(MclText text, const char* name, int32_t size, int32_t style, int32_t quality)
{
    if (!name) return MCL_ERR_INVALID_ARGUMENT;
    return WithText(text, [&](MclTextRenderer& t) { return Refused(t.SetFont(name, size, style, quality)); });
}

MCL_API int32_t WINAPI MclTextShadow(MclText text, int32_t depth, int32_t dx, int32_t dy)
{
    return WithText(text, [&](MclTextRenderer& t) {
        t.SetShadow(depth, dx, dy);
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclTextSetColor(MclText text, MclColor color, MclColor shadow, MclColor, int32_t background)
{
    return WithText(text, [&](MclTextRenderer& t) {
        t.SetColors(color, shadow, background);
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclTextGetExtents(MclText text, const char* value, int32_t* width, int32_t* height)
{
    if (!value) return MCL_ERR_INVALID_ARGUMENT;
    return WithText(text, [&](MclTextRenderer& t) {
        SIZE size = t.Extents(value);
        if (width) *width = size.cx;
        if (height) *height = size.cy;
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclImgText(MclImage img, MclText text, int32_t x, int32_t y, const char* value)
{
    MclTextRenderer* renderer = TextFromHandle(text);
    if (!renderer) return MCL_ERR_INVALID_HANDLE;
    if (!value) return MCL_ERR_INVALID_ARGUMENT;
    return WithPicture(img, [&](MclPicture& p) {
        renderer->Draw(p, x, y, value);
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclSimpleReadFirstImage(const char* fileName, MclImage img)
{
    if (!fileName) return MCL_ERR_INVALID_ARGUMENT;
    return WithPicture(img, [&](MclPicture& p) { return ReadFirstImage(fileName, p); });
}

MCL_API int32_t WINAPI MclSimpleWriteImage(MclImage img, const char* fileName, int32_t, double quality)
{
    if (!fileName) return MCL_ERR_INVALID_ARGUMENT;
    return WithPicture(img, [&](MclPicture& p) { return WriteImage(p, fileName, quality); });
}

MCL_API MclHandle WINAPI MclCreate()
{
    return Conversions().Add(std::make_unique<MclConversion>());
}

MCL_API void WINAPI MclFree(MclHandle m)
{
    MclConversion* conversion = ConversionFromHandle(m);
    if (conversion && conversion->Converting)
        conversion->FreeAfterRun = true;
    else
        Conversions().Remove(m);
}

MCL_API int32_t WINAPI MclSetUserData(MclHandle m, void* data)
{
    return Configure(m, [&](MclConversion& c) { c.UserData = data; });
}

MCL_API void* WINAPI MclGetUserData(MclHandle m)
{
    MclConversion* conversion = ConversionFromHandle(m);
    return conversion ? conversion->UserData : nullptr;
}

MCL_API int32_t WINAPI MclVideoSetFileName(MclHandle m, const char* fileName)
{
    return Configure(m, [&](MclConversion& c) { c.VideoFileName = fileName ? fileName : ""; });
}

MCL_API int32_t WINAPI MclAudioSetFileName(MclHandle m, const char* fileName)
{
    return Configure(m, [&](MclConversion& c) { c.AudioFileName = fileName ? fileName : ""; });
}

// A file format and a preset each choose the whole target: the later wins.
MCL_API int32_t WINAPI MclVideoSetFileFormat(MclHandle m, int32_t format)
{
    return Configure(m, [&](MclConversion& c) {
        c.FileFormat = format;
        c.FormatPreset = 0;
    });
}

MCL_API int32_t WINAPI MclSetFormatPreset(MclHandle m, int32_t preset, int32_t)
{
    return Configure(m, [&](MclConversion& c) {
        c.FormatPreset = preset;
        c.FileFormat = 0;
    });
}

MCL_API int32_t WINAPI MclVideoSetCodec(MclHandle m, uint32_t fourcc)
{
    return Configure(m, [&](MclConversion& c) { c.VideoCodec = fourcc; });
}

MCL_API int32_t WINAPI MclVideoSetFormat(MclHandle m, int32_t width, int32_t height, int32_t bits)
{
    if (width < 0 || height < 0 || (bits != 24 && bits != 32)) return MCL_ERR_INVALID_ARGUMENT;
    return Configure(m, [&](MclConversion& c) {
        c.Width = width;
        c.Height = height;
        c.Bits = bits;
    });
}

MCL_API int32_t WINAPI MclVideoSetFrameRate(MclHandle m, double rate)
{
    return Configure(m, [&](MclConversion& c) { c.FrameRate = rate; });
}

MCL_API int32_t WINAPI MclVideoSetKeyFrameRate(MclHandle m, int32_t rate)
{
    return Configure(m, [&](MclConversion& c) { c.KeyFrameRate = rate; });
}

MCL_API int32_t WINAPI MclVideoSetBitRate(MclHandle m, int32_t rate, int32_t minRate, int32_t maxRate)
{
    return Configure(m, [&](MclConversion& c) {
        c.BitRate = rate;
        c.MinBitRate = minRate;
        c.MaxBitRate = maxRate;
    });
}

MCL_API int32_t WINAPI MclVideoGetBitRate(MclHandle m, int32_t* rate, int32_t* minRate, int32_t* maxRate)
{
    MclConversion* conversion = ConversionFromHandle(m);
    if (!conversion) return MCL_ERR_INVALID_HANDLE;
    if (rate) *rate = conversion->BitRate > 0 ? conversion->BitRate : conversion->DefaultBitRate();
    if (minRate) *minRate = conversion->MinBitRate;
    if (maxRate) *maxRate = conversion->MaxBitRate;
    return MCL_OK;
}

MCL_API int32_t WINAPI MclVideoSetQuality(MclHandle m, double quality)
{
    return Configure(m, [&](MclConversion& c) { c.Quality = quality; });
}

MCL_API int32_t WINAPI MclVideoSetKeepDuration(MclHandle m, int32_t keep)
{
    return Configure(m, [&](MclConversion& c) { c.KeepDuration = keep != 0; });
}

MCL_API int32_t WINAPI MclVideoSetAspectRatio(MclHandle m, int32_t x, int32_t y)
{
    if (x < 0 || y < 0) return MCL_ERR_INVALID_ARGUMENT;
    return Configure(m, [&](MclConversion& c) {
        c.AspectRatioX = x;
        c.AspectRatioY = y;
    });
}

MCL_API int32_t WINAPI MclAudioSetCodec(MclHandle m, int32_t codec)
{
    return Configure(m, [&](MclConversion& c) { c.AudioCodec = codec; });
}

MCL_API int32_t WINAPI MclAudioSetFormat(MclHandle m, int32_t rate, int32_t channels, int32_t bits)
{
    return Configure(m, [&](MclConversion& c) {
        c.AudioRate = rate;
        c.AudioChannels = channels;
        c.AudioBits = bits;
    });
}

MCL_API int32_t WINAPI MclAudioSetBitRate(MclHandle m, int32_t rate)
{
    return Configure(m, [&](MclConversion& c) { c.AudioBitRate = rate; });
}

MCL_API int32_t WINAPI MclAudioSetTruncateToVideo(MclHandle m, int32_t truncate)
{
    return Configure(m, [&](MclConversion& c) { c.TruncateAudioToVideo = truncate != 0; });
}

MCL_API int32_t WINAPI MclSetSplitting(MclHandle m, int32_t mode, double size)
{
    if (mode != 0 || !(size >= 0)) return MCL_ERR_INVALID_ARGUMENT;
    return Configure(m, [&](MclConversion& c) {
        c.SplittingMode = mode;
        c.SplittingSize = size;
    });
}

MCL_API int32_t WINAPI MclAssignVideoSource(MclHandle m, MclSourceProc proc)
{
    return Configure(m, [&](MclConversion& c) { c.VideoSource = proc; });
}

MCL_API int32_t WINAPI MclAssignAudioSource(MclHandle m, MclSourceProc proc)
{
    return Configure(m, [&](MclConversion& c) { c.AudioSource = proc; });
}

MCL_API int32_t WINAPI MclAssignVideoFunc(MclHandle m, MclVideoFunc proc)
{
    return Configure(m, [&](MclConversion& c) { c.VideoFunc = proc; });
}

MCL_API int32_t WINAPI MclAssignAudioFunc(MclHandle m, MclAudioFunc proc)
{
    return Configure(m, [&](MclConversion& c) { c.AudioFunc = proc; });
}

MCL_API int32_t WINAPI MclAssignProgress(MclHandle m, MclProgressProc proc)
{
    return Configure(m, [&](MclConversion& c) { c.Progress = proc; });
}

MCL_API int32_t WINAPI MclAssignError(MclHandle m, MclErrorProc proc)
{
    return Configure(m, [&](MclConversion& c) { c.Error = proc; });
}

MCL_API int32_t WINAPI MclSourceSetImage(MclHandle m, MclImage img)
{
    MclPicture* picture = PictureFromHandle(img);
    if (!picture) return MCL_ERR_INVALID_HANDLE;
    if (picture->Empty()) return MCL_ERR_INVALID_ARGUMENT;
    return Answer(m, [&](MclSourceAnswer& a) {
        a.What = MclSourceAnswer::Kind::Picture;
        a.Picture = *picture;
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclSourceSetFrameRate(MclHandle m, double rate)
{
    if (!(rate > 0 && rate < 10000)) return MCL_ERR_INVALID_ARGUMENT;
    return Answer(m, [&](MclSourceAnswer& a) {
        a.FrameRate = rate;
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclSourceSetSamples(MclHandle m, const void* data, int32_t sampleFrames, int32_t rate,
                                           int32_t channels, int32_t bits)
{
    if (!data || sampleFrames < 0 || rate <= 0 || rate > 384000 || channels < 1 || channels > 8 ||
        (bits != 8 && bits != 16))
        return MCL_ERR_INVALID_ARGUMENT;
    return Answer(m, [&](MclSourceAnswer& a) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        a.What = MclSourceAnswer::Kind::Samples;
        a.Samples.assign(bytes, bytes + static_cast<size_t>(sampleFrames) * channels * (bits / 8));
        a.SampleFrames = sampleFrames;
        a.SampleRate = rate;
        a.Channels = channels;
        a.Bits = bits;
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclSourceSetFile(MclHandle m, const char* fileName)
{
    if (!fileName || !*fileName) return MCL_ERR_INVALID_ARGUMENT;
    return Answer(m, [&](MclSourceAnswer& a) {
        a.What = MclSourceAnswer::Kind::File;
        a.FileName = fileName;
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclSourceSkip(MclHandle m)
{
    return Answer(m, [&](MclSourceAnswer& a) {
        a.What = MclSourceAnswer::Kind::Skip;
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclSourceFinished(MclHandle m)
{
    return Answer(m, [&](MclSourceAnswer& a) {
        a.What = MclSourceAnswer::Kind::Finished;
        return MCL_OK;
    });
}

MCL_API int32_t WINAPI MclConvert(MclHandle m)
{
    MclConversion* conversion = ConversionFromHandle(m);
    if (!conversion) return MCL_ERR_INVALID_HANDLE;
    int32_t result = MCL_ERR_ENCODING;
    // Nothing may unwind into the caller, who may not be C++ at all.
    try {
        result = RunConversion(m, *conversion);
    } catch (...) {
        conversion->Converting = false;
    }
    if (conversion->FreeAfterRun && !conversion->Converting) Conversions().Remove(m);
    return result;
}
