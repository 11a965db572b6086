#pragma once
// The engine's options: the values one output is written with, and the
// table of option names the engine takes, each with its help text. Names of
// the command-line transcoder that FFmpeg 5.1 no longer has are mapped to
// their nearest meaning or taken and ignored, each with a log line.
#include "AVUtilStubs.h"
#include "Exceptions.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The engine's fatal errors; the message is the engine's text.
TVM_DECLARE_EXCEPTION(FFmpegException, Exception);

struct TEngineOptions {
    std::string FormatName;  // "f"
    std::string VideoCodec, AudioCodec, SubtitleCodec, DataCodec;
    std::string VideoTag, AudioTag;
    int FrameWidth = 0, FrameHeight = 0;  // 0: the input's
    AVRational FrameRate = {0, 0};  // 0: the input's
    double AspectRatio = 0;  // of the frame; 0: the input's pixels
    std::string VideoFilters;
    int64_t VideoBitrate = -1, AudioBitrate = -1;
    int64_t MaxRate = -1, MinRate = -1, BufferSize = -1, BitrateTolerance = -1, AudioBitrateTolerance = -1;
    int GOPSize = -1;
    int AudioChannels = -1, AudioSampleRate = -1;
    int AudioVolume = 256;
    bool VideoDisable = false, AudioDisable = false, SubtitleDisable = false;
    int AudioSyncMethod = 0;
    int VideoSyncMethod = -1;
    bool InputSync = false, CopyTimestamps = false;
    // Before an input opens, StartTime is where reading starts and ProgramID
    // the program kept; both are then cleared, so that a start time given
    // afterwards skips the outputs' beginning instead.
    int64_t StartTime = AV_NOPTS_VALUE, RecordingTime = AV_NOPTS_VALUE;
    int ProgramID = -1;
    int PacketSize = -1, MuxRate = -1;
    double MuxDelay = 0.7, MuxPreload = 0.5;
    std::vector<uint16_t> IntraMatrix, InterMatrix;
    std::string VideoLanguage, AudioLanguage, SubtitleLanguage;
    bool ScanOffset = false;
    // Written into the output file's metadata.
    std::vector<std::pair<std::string, std::string>> Metadata;
    // Options of one encoder's or muxer's own, handed over when it opens.
    std::vector<std::pair<std::string, std::string>> PrivateVideoOptions, PrivateFormatOptions;
};

class TCustomFFmpeg;

// One option the engine knows: its name, whether it takes a value, its
// help text and the handler that takes it.
struct TOptionDef {
    const char* Name;
    bool HasArgument;
    const char* Help;
    void (*Handler)(TCustomFFmpeg& engine, const std::string& name, const std::string& value);
};

// The engine's own options, in the order of their help.
const std::vector<TOptionDef>& OptionTable();
const TOptionDef* FindOption(const std::string& name);

// "<a>x<b>" or an abbreviation FFmpeg knows ("vga", "pal", ...).
bool ParseFrameSize(const std::string& text, int& width, int& height);
// "25", "30000/1001", "29.97", "ntsc"...
bool ParseFrameRate(const std::string& text, AVRational& rate);
// "4:3", "16/9" or a number; 0 when the text is none.
double ParseAspectRatio(const std::string& text);
// A bit rate with the suffixes k, M, G: "1150k" is 1150000; -1 for none.
int64_t ParseBitrate(const std::string& text);
// A quantiser matrix: exactly 64 numbers 1..255, separated by commas.
bool ParseMatrix(const std::string& text, std::vector<uint16_t>& matrix);
