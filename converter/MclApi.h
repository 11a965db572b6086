#pragma once
// The media library's interface (libmcl-5.4.0.dll), imported by name. Every
// call is stdcall; handles are 32-bit numbers in both builds. The same
// declarations are what mcl/ implements, so the two sides cannot drift apart.
#include <windows.h>

#include <cstdint>

#ifdef MCL_BUILDING_LIBRARY
#define MCL_API extern "C" __declspec(dllexport)
#else
#define MCL_API extern "C" __declspec(dllimport)
#endif

using MclHandle = uint32_t;   // a conversion object
using MclImage = uint32_t;    // a picture
using MclText = uint32_t;     // a text renderer
using MclColor = uint32_t;    // packed by MclRGB; a high byte above 0 makes it that transparent (255: invisible)

// Results of the calls that report one.
enum : int32_t {
    MCL_OK = 0,
    MCL_ERR_INVALID_HANDLE = 1,
    MCL_ERR_INVALID_ARGUMENT = 2,
    MCL_ERR_FILE = 3,  // a file cannot be read, created or written
    MCL_ERR_NOT_SUPPORTED = 4,
    MCL_ERR_NO_SOURCE = 5,     // a conversion without a source, or whose video gave no picture
    MCL_ERR_LIBRARIES = 20,    // FFmpeg's libraries cannot be loaded
    MCL_ERR_ENCODER = 21,      // an encoder or the container refused the configuration
    MCL_ERR_ENCODING = 22,     // encoding a picture or sound failed
};

// Values the program configures the library with.
enum : int32_t {
    MCL_FILE_FORMAT_AVI = 6,
    MCL_FILE_FORMAT_OGV = 27,
    MCL_PRESET_MPEG4 = 7,
    MCL_PRESET_WMV = 8,
};
constexpr uint32_t MCL_FOURCC_DIB = 'D' | 'I' << 8 | 'B' << 16 | ' ' << 24;

// Callbacks. A source callback answers through the MclSource* calls on M.
using MclSourceProc = void(WINAPI*)(MclHandle m);
using MclVideoFunc = void(WINAPI*)(MclHandle m, MclImage image);
using MclAudioFunc = void(WINAPI*)(MclHandle m, void* data, int32_t sampleFrames);
// Position: the seconds of media written so far; a live source has no length
// known beforehand to take a percentage of.
using MclProgressProc = void(WINAPI*)(MclHandle m, double position);
// Action: what the library does about the error; 4 means stop.
using MclErrorProc = void(WINAPI*)(MclHandle m, int32_t errorCode, int32_t* action);

MCL_API MclColor WINAPI MclRGB(uint8_t r, uint8_t g, uint8_t b);

MCL_API MclImage WINAPI MclImgCreate();
MCL_API void WINAPI MclImgFree(MclImage img);
MCL_API int32_t WINAPI MclImgCopy(MclImage dst, MclImage src);
MCL_API int32_t WINAPI MclImgRedim(MclImage img, int32_t width, int32_t height, int32_t bits);
MCL_API int32_t WINAPI MclImgClear(MclImage img, MclColor color);
// Any output may be null. Rows are top-down, Stride bytes apart; ByteSize is
// Stride x Height.
MCL_API int32_t WINAPI MclImgGetInfo(MclImage img, int32_t* width, int32_t* height, int32_t* bits,
                                     int32_t* stride, int32_t* hasAlpha, int32_t* dpiX, int32_t* dpiY,
                                     int32_t* byteSize);
MCL_API int32_t WINAPI MclImgResample(MclImage img, int32_t width, int32_t height);
MCL_API int32_t WINAPI MclImgInsert(MclImage dst, MclImage src, int32_t x, int32_t y);
MCL_API int32_t WINAPI MclDIBToImg(MclImage img, HBITMAP bitmap);
MCL_API HBITMAP WINAPI MclImgToDIB(MclImage img);
MCL_API int32_t WINAPI MclImgShow(MclImage img, HDC dc, int32_t x, int32_t y);

MCL_API MclText WINAPI MclTextCreate();
MCL_API void WINAPI MclTextFree(MclText text);
// Size in points; Style: 1 bold, 2 italic, 4 underline, 8 strikeout; Quality 0
// draws without anti-aliasing.
MCL_API int32_t WINAPI MclTextSetFont(MclText text, const char* name, int32_t size, int32_t style, int32_t quality);
// Depth copies of the text in the shadow colour, each moved by (Dx, Dy).
MCL_API int32_t WINAPI MclTextShadow(MclText text, int32_t depth, int32_t dx, int32_t dy);
// The outline colour is accepted and unused: this library draws no outline. Background -1 leaves the pixels under the text as they are.
MCL_API int32_t WINAPI MclTextSetColor(MclText text, MclColor color, MclColor shadow, MclColor outline,
                                       int32_t background);
MCL_API int32_t WINAPI MclTextGetExtents(MclText text, const char* value, int32_t* width, int32_t* height);
MCL_API int32_t WINAPI MclImgText(MclImage img, MclText text, int32_t x, int32_t y, const char* value);

MCL_API int32_t WINAPI MclSimpleReadFirstImage(const char* fileName, MclImage img);
// By the name's extension: .jpg/.jpeg (Quality 1-100), .bmp, .gif, .pcx,
// .tif/.tiff, .tga, .png. Flags are unused.
MCL_API int32_t WINAPI MclSimpleWriteImage(MclImage img, const char* fileName, int32_t flags, double quality);

MCL_API MclHandle WINAPI MclCreate();
MCL_API void WINAPI MclFree(MclHandle m);
MCL_API int32_t WINAPI MclSetUserData(MclHandle m, void* data);
MCL_API void* WINAPI MclGetUserData(MclHandle m);
MCL_API int32_t WINAPI MclVideoSetFileName(MclHandle m, const char* fileName);
MCL_API int32_t WINAPI MclAudioSetFileName(MclHandle m, const char* fileName);
MCL_API int32_t WINAPI MclVideoSetFileFormat(MclHandle m, int32_t format);
MCL_API int32_t WINAPI MclSetFormatPreset(MclHandle m, int32_t preset, int32_t apply);
MCL_API int32_t WINAPI MclVideoSetCodec(MclHandle m, uint32_t fourcc);
MCL_API int32_t WINAPI MclVideoSetFormat(MclHandle m, int32_t width, int32_t height, int32_t bits);
MCL_API int32_t WINAPI MclVideoSetFrameRate(MclHandle m, double rate);
MCL_API int32_t WINAPI MclVideoSetKeyFrameRate(MclHandle m, int32_t rate);
// Every bit rate of the library, video and sound, is in kilobits per second;
// 0 or less lets the video quality decide, a limit below 1 is none.
MCL_API int32_t WINAPI MclVideoSetBitRate(MclHandle m, int32_t rate, int32_t minRate, int32_t maxRate);
MCL_API int32_t WINAPI MclVideoGetBitRate(MclHandle m, int32_t* rate, int32_t* minRate, int32_t* maxRate);
// 0-100, used when no bit rate is set.
MCL_API int32_t WINAPI MclVideoSetQuality(MclHandle m, double quality);
MCL_API int32_t WINAPI MclVideoSetKeepDuration(MclHandle m, int32_t keep);
MCL_API int32_t WINAPI MclVideoSetAspectRatio(MclHandle m, int32_t x, int32_t y);
MCL_API int32_t WINAPI MclAudioSetCodec(MclHandle m, int32_t codec);
MCL_API int32_t WINAPI MclAudioSetFormat(MclHandle m, int32_t rate, int32_t channels, int32_t bits);
MCL_API int32_t WINAPI MclAudioSetBitRate(MclHandle m, int32_t rate);
MCL_API int32_t WINAPI MclAudioSetTruncateToVideo(MclHandle m, int32_t truncate);
// Mode 0: a new file (name_2.ext, name_3.ext, ...) before one would pass Size
// bytes; Size 0 never splits.
MCL_API int32_t WINAPI MclSetSplitting(MclHandle m, int32_t mode, double size);

MCL_API int32_t WINAPI MclAssignVideoSource(MclHandle m, MclSourceProc proc);
MCL_API int32_t WINAPI MclAssignAudioSource(MclHandle m, MclSourceProc proc);
MCL_API int32_t WINAPI MclAssignVideoFunc(MclHandle m, MclVideoFunc proc);
MCL_API int32_t WINAPI MclAssignAudioFunc(MclHandle m, MclAudioFunc proc);
MCL_API int32_t WINAPI MclAssignProgress(MclHandle m, MclProgressProc proc);
MCL_API int32_t WINAPI MclAssignError(MclHandle m, MclErrorProc proc);

MCL_API int32_t WINAPI MclSourceSetImage(MclHandle m, MclImage img);
MCL_API int32_t WINAPI MclSourceSetFrameRate(MclHandle m, double rate);
MCL_API int32_t WINAPI MclSourceSetSamples(MclHandle m, const void* data, int32_t sampleFrames, int32_t rate,
                                           int32_t channels, int32_t bits);
MCL_API int32_t WINAPI MclSourceSetFile(MclHandle m, const char* fileName);
MCL_API int32_t WINAPI MclSourceSkip(MclHandle m);
MCL_API int32_t WINAPI MclSourceFinished(MclHandle m);

// Runs the conversion on the calling thread, calling the sources until the
// video source finishes (the audio source alone when there is no video).
// MCL_OK when every file was written; an error also reaches the error
// callback, and a source file that cannot be read stops the run only when the
// callback answers action 4.
MCL_API int32_t WINAPI MclConvert(MclHandle m);
