#pragma once
// The engine's one-line progress report and its end-of-run statistics.
#include <cstdint>
#include <string>

struct TEngineProgressInfo {
    int FileIndex = 0;  // -1 for the last report
    int FrameNumber = -1;  // -1 without a video stream
    int FPS = -1;
    float Quality = -1.0f;
    float BitRate = 0;  // kbit/s
    int64_t CurrentSize = 0;  // bytes
    int64_t CurrentDuration = 0;  // microseconds
    int64_t TotalDuration = -1;  // microseconds; -1 unknown
};

// What one report is made of, gathered by the engine.
struct TReportInput {
    bool HasVideo = false;
    int64_t FrameNumber = 0;
    double Quality = -1;
    double ElapsedSeconds = 0;  // since the run started
    int64_t Size = 0;
    int64_t Time = 0;  // microseconds written, the least over the streams
    int Duplicated = 0, Dropped = 0;
};

// Fills Info from Input and answers the report line
// "frame=%5d fps=%3d q=%3.1f size=%8.0fkB time=%02d:%02d:%02d.%02d bitrate=%6.1fkbits/s".
std::string BuildReport(const TReportInput& input, bool last, TEngineProgressInfo& info);
// "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%"; the
// overhead is 0 when nothing was encoded.
std::string BuildStatistics(int64_t video, int64_t audio, int64_t extra, int64_t size);
