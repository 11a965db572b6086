// MPEG audio frames are found, measured and timed from their headers.
#include <gtest/gtest.h>

#include <vector>

#include "kvnMP3StreamReader.h"

namespace {

// MPEG 1 layer III, 128 kbit/s, 44,100 Hz, stereo.
constexpr uint32_t Mpeg1Layer3 = 0xFFFB9000;
constexpr uint32_t Padding = 1u << 9;

void PutFrame(std::vector<uint8_t>& bytes, uint32_t header, size_t length)
{
    size_t at = bytes.size();
    bytes.resize(at + length, 0);
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(header >> (24 - 8 * i));
}

struct Scan {
    bool scanned;
    std::vector<int64_t> positions;
};

Scan ScanBytes(const std::vector<uint8_t>& bytes)
{
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    TkvnMP3StreamReader reader(stream);
    Scan scan{reader.Scanned(), {}};
    for (const auto& frame : reader.Frames()) scan.positions.push_back(frame.Position);
    return scan;
}

}

TEST(MP3StreamReader, FrameLengthsAndDurationsFromTheTables)
{
    struct Case {
        uint32_t header;
        uint32_t length;
        uint32_t samples;
    } cases[] = {
        {Mpeg1Layer3, 417, 1152},
        {Mpeg1Layer3 | Padding, 418, 1152},
        {0xFFF39000, 261, 576},               // MPEG 2: index 9 is 80 kbit/s, index 0 is 22,050 Hz
        {0xFFFD9000, 417, 1152},              // layer II
        {0xFFFF9000 | Padding, 139 + 4, 384},  // layer I pads by four bytes
        {0xFFEB9000 | Padding, 1, 576},        // reserved version: no rate, only the padding byte
    };
    for (const Case& c : cases) {
        const auto header = TkvnMP3FrameHeader::FromBits(c.header);
        EXPECT_EQ(header.Sync, 2047);
        EXPECT_EQ(header.FrameLength(), c.length) << std::hex << c.header;
        EXPECT_EQ(header.SamplesPerFrame(), c.samples) << std::hex << c.header;
    }
}

TEST(MP3StreamReader, ListsPlayableFramesAndTimesThem)
{
    std::vector<uint8_t> bytes = {0x00, 0x12};  // junk before the first sync
    PutFrame(bytes, Mpeg1Layer3, 417);
    constexpr uint32_t badBitrate = Mpeg1Layer3 | 0xF000;  // skipped by its length, not listed
    PutFrame(bytes, badBitrate, TkvnMP3FrameHeader::FromBits(badBitrate).FrameLength());
    const size_t third = bytes.size();
    PutFrame(bytes, Mpeg1Layer3 | Padding, 418);

    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    TkvnMP3StreamReader reader(stream);
    EXPECT_TRUE(reader.Scanned());
    ASSERT_EQ(reader.Frames().size(), 2u);
    EXPECT_EQ(reader.Frames()[0].Position, 2);
    EXPECT_EQ(reader.Frames()[1].Position, static_cast<int64_t>(third));
    EXPECT_NEAR(reader.Frames()[1].StartTime, 26.1224, 0.001);
    auto data = reader.GetFrameData(1);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->GetSize(), 418);
    EXPECT_EQ(reader.GetFrameData(2), nullptr);
}

TEST(MP3StreamReader, ScanEndsFailedOnZeroLengthOrNoSync)
{
    std::vector<uint8_t> reserved;
    PutFrame(reserved, 0xFFEB9000, 8);
    EXPECT_FALSE(ScanBytes(reserved).scanned) << "a reserved version without padding has no length";

    std::vector<uint8_t> noSync(100, 0x11);
    EXPECT_FALSE(ScanBytes(noSync).scanned);
}

TEST(MP3StreamReader, TheTagBlockIsNeverScanned)
{
    std::vector<uint8_t> bytes;
    PutFrame(bytes, Mpeg1Layer3, 417);
    std::vector<uint8_t> tag(128, 0xFF);  // sync-like bytes inside the tag
    tag[0] = 'T', tag[1] = 'A', tag[2] = 'G';
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    const Scan scan = ScanBytes(bytes);
    EXPECT_TRUE(scan.scanned);
    EXPECT_EQ(scan.positions, std::vector<int64_t>{0});
}
