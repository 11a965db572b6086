// The exported functions of libmcl-5.4.0.dll. Pictures, text, image files and
// the conversion run itself are not available in this build of the library:
// those calls answer MCL_ERR_NOT_SUPPORTED (or a null handle) so the caller
// sees the failure.
#include "MclApi.h"
#include "MclConversion.h"

namespace {

template <typename Change>
int32_t Configure(MclHandle m, Change change)
{
    MclConversion* conversion = ConversionFromHandle(m);
    if (!conversion) return MCL_ERR_INVALID_HANDLE;
    change(*conversion);
    return MCL_OK;
}

}

MCL_API MclColor WINAPI MclRGB(uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<MclColor>(r) | static_cast<MclColor>(g) << 8 | static_cast<MclColor>(b) << 16;
}

MCL_API MclImage WINAPI MclImgCreate() { return 0; }
MCL_API void WINAPI MclImgFree(MclImage) {}
MCL_API int32_t WINAPI MclImgCopy(MclImage, MclImage) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclImgRedim(MclImage, int32_t, int32_t, int32_t) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclImgClear(MclImage, MclColor) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclImgGetInfo(MclImage, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                                     int32_t*)
{
    return MCL_ERR_NOT_SUPPORTED;
}
MCL_API int32_t WINAPI MclImgResample(MclImage, int32_t, int32_t) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclImgInsert(MclImage, MclImage, int32_t, int32_t) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclDIBToImg(MclImage, HBITMAP) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API HBITMAP WINAPI MclImgToDIB(MclImage) { return nullptr; }
MCL_API int32_t WINAPI MclImgShow(MclImage, HDC, int32_t, int32_t) { return MCL_ERR_NOT_SUPPORTED; }

MCL_API MclText WINAPI MclTextCreate() { return 0; }
MCL_API void WINAPI MclTextFree(MclText) {}
MCL_API int32_t WINAPI MclTextSetFont(MclText, const char*, int32_t, int32_t, int32_t) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclTextShadow(MclText, int32_t, int32_t, int32_t) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclTextSetColor(MclText, MclColor, MclColor, MclColor, int32_t) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclTextGetExtents(MclText, const char*, int32_t*, int32_t*) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclImgText(MclImage, MclText, int32_t, int32_t, const char*) { return MCL_ERR_NOT_SUPPORTED; }

MCL_API int32_t WINAPI MclSimpleReadFirstImage(const char*, MclImage) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclSimpleWriteImage(MclImage, const char*, int32_t, double) { return MCL_ERR_NOT_SUPPORTED; }

MCL_API MclHandle WINAPI MclCreate()
{
    return Conversions().Add(std::make_unique<MclConversion>());
}

MCL_API void WINAPI MclFree(MclHandle m)
{
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

MCL_API int32_t WINAPI MclVideoSetFileFormat(MclHandle m, int32_t format)
{
    return Configure(m, [&](MclConversion& c) { c.FileFormat = format; });
}

MCL_API int32_t WINAPI MclSetFormatPreset(MclHandle m, int32_t preset, int32_t)
{
    return Configure(m, [&](MclConversion& c) { c.FormatPreset = preset; });
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

MCL_API int32_t WINAPI MclSourceSetImage(MclHandle, MclImage) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclSourceSetFrameRate(MclHandle, double) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclSourceSetSamples(MclHandle, const void*, int32_t, int32_t, int32_t, int32_t)
{
    return MCL_ERR_NOT_SUPPORTED;
}
MCL_API int32_t WINAPI MclSourceSetFile(MclHandle, const char*) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclSourceSkip(MclHandle) { return MCL_ERR_NOT_SUPPORTED; }
MCL_API int32_t WINAPI MclSourceFinished(MclHandle) { return MCL_ERR_NOT_SUPPORTED; }

MCL_API int32_t WINAPI MclConvert(MclHandle m)
{
    return ConversionFromHandle(m) ? MCL_ERR_NOT_SUPPORTED : MCL_ERR_INVALID_HANDLE;
}
