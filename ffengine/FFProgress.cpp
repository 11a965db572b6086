#include "FFProgress.h"

#include "SysUtils.h"

#include <cmath>
#include <cstdio>

namespace {

template <typename... Args>
void Append(std::string& text, const char* format, Args... args)
{
    char piece[256];
    std::snprintf(piece, sizeof(piece), format, args...);
    text += piece;
}

}

std::string BuildReport(const TReportInput& input, bool last, TEngineProgressInfo& info)
{
    std::string text;
    if (input.HasVideo) {
        info.FrameNumber = static_cast<int>(input.FrameNumber);
        info.FPS = input.ElapsedSeconds > 1 ? static_cast<int>(input.FrameNumber / input.ElapsedSeconds + 0.5) : 0;
        info.Quality = static_cast<float>(input.Quality);
        Append(text, "frame=%5d fps=%3d q=%3.1f ", info.FrameNumber, info.FPS, input.Quality);
        if (last) text += "L";
    }
    int64_t secs = input.Time / 1000000, us = input.Time % 1000000;
    // Bits over milliseconds: kilobits per second, a fraction.
    double bitRate = input.Time ? input.Size * 8.0 / (input.Time / 1000.0) : 0;
    info.BitRate = static_cast<float>(bitRate);
    info.CurrentSize = input.Size;
    info.CurrentDuration = input.Time;
    Append(text, "size=%8.0fkB time=%02d:%02d:%02d.%02d bitrate=%6.1fkbits/s", input.Size / 1024.0, int(secs / 3600),
           int(secs / 60 % 60), int(secs % 60), int(100 * us / 1000000), bitRate);
    if (input.Duplicated || input.Dropped) Append(text, " dup=%d drop=%d", input.Duplicated, input.Dropped);
    return text;
}

std::string BuildStatistics(int64_t video, int64_t audio, int64_t extra, int64_t size)
{
    int64_t raw = video + audio + extra;
    double overhead = raw ? (size - raw) * 100.0 / raw : 0;
    return Format("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%", video / 1024.0,
                  audio / 1024.0, extra / 1024.0, overhead);
}
