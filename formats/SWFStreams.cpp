#include "SWFStreams.h"

#include <algorithm>
#include <cstring>

#include "SWFUtils.h"

void TBasedSWFStream::Assign(const TSwfHeader& header)
{
    std::memcpy(Signature, header.Signature, sizeof Signature);
    Version = header.Version;
    FileLength = header.FileLength;
    FrameRect = {header.Left, header.Top, header.Right, header.Bottom};
    FrameRate = header.FrameRate;
    FrameCount = header.FrameCount;
}

float TBasedSWFStream::GetFrameRate() const
{
    return FixedToSingle(FrameRate);
}

TSWFStreamReader::TSWFStreamReader(const std::string& fileName)
{
    if (fileName.empty()) return;
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

bool TSWFStreamReader::CheckHeader(TStream& stream)
{
    char signature[3] = {};
    stream.SetPosition(0);
    const char kind = stream.GetSize() >= 4 && stream.Read(signature, 3) == 3 ? SwfSignatureKind(signature) : 0;
    Valid = kind != 0;
    Compressed = Valid && kind != 'F';
    CompressionName = !Compressed ? "" : kind == 'C' ? "ZLIB" : "LZMA";
    return Valid;
}

void TSWFStreamReader::LoadFromStream(TStream& stream)
{
    if (!CheckHeader(stream)) return;
    stream.SetPosition(0);
    TSwfHeader header;
    Valid = ReadSwfHeader(
        [&](uint8_t* buffer, size_t size) {
            return static_cast<size_t>(std::max(stream.Read(buffer, static_cast<int32_t>(size)), 0));
        },
        header);
    if (Valid) Assign(header);
}
