#include "kvnSWFStreamReader.h"

#include "Exceptions.h"
#include "SWFStreams.h"
#include "SysUtils.h"
#include "kvnTools.h"

namespace {

constexpr int kTwipsPerPixel = 20;
constexpr uint8_t kProjectorFormatOffset = fmtEXEFWS - fmtFWS;

uint8_t SignatureFormat(const TSWFStreamReader& reader)
{
    switch (reader.Signature[0]) {
    case 'C': return fmtCWS;
    case 'Z': return fmtZWS;
    default: return fmtFWS;
    }
}

}

TkvnSWFStreamReader::TkvnSWFStreamReader(const std::string& reference)
{
    const std::string name = ExtractMovieFileName(reference);
    if (!FileExists(name)) return;

    const bool projector = AnsiSameText(ExtractFileExt(name), ".exe");
    std::string movieFile = name;
    bool extracted = false;
    try {
        if (projector) extracted = ExtractSWFFromProjector(name, "", {}, movieFile);
        if (!projector || extracted) {
            TSWFStreamReader reader(movieFile);
            valid_ = reader.Valid;
            if (valid_) {
                info_.FileName = name;
                info_.FileVars = ExtractFlashVars(reference);
                info_.FileSize = GetMovieFileSize(name);
                info_.FileFormat = static_cast<uint8_t>(SignatureFormat(reader) + (projector ? kProjectorFormatOffset : 0));
                info_.Version = reader.Version;
                info_.Width = reader.GetMovieWidth() / kTwipsPerPixel;
                info_.Height = reader.GetMovieHeight() / kTwipsPerPixel;
                info_.FPS = reader.GetFrameRate();
                info_.FrameCount = reader.FrameCount;
                info_.Duration = info_.FPS > 0 ? info_.FrameCount / static_cast<double>(info_.FPS) : 0.0;
            }
        }
    } catch (const Exception&) {
        valid_ = false;
    }
    // Only a movie this reader extracted is temporary; the user's own files stay.
    if (extracted) DeleteFileAndTmp(movieFile);
    if (!valid_) info_.FileFormat = fmtInvalid;
}
