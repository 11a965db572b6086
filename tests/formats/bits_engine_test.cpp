#include <gtest/gtest.h>

#include "Exceptions.h"
#include "SWFUtils.h"

namespace {

std::vector<uint8_t> Written(TMemoryStream& stream)
{
    auto* bytes = static_cast<uint8_t*>(stream.Memory());
    return std::vector<uint8_t>(bytes, bytes + stream.GetSize());
}

TMemoryStream Over(std::initializer_list<uint8_t> bytes)
{
    TMemoryStream stream;
    for (uint8_t b : bytes) stream.WriteBuffer(&b, 1);
    stream.SetPosition(0);
    return stream;
}

}

TEST(BitsEngine, WritesMostSignificantBitFirst)
{
    TMemoryStream out;
    TBitsEngine bits(out);
    bits.WriteBits(5, 3);
    bits.WriteBits(1, 5);
    EXPECT_EQ(Written(out), std::vector<uint8_t>{0xA1});

    bits.WriteBits(1, 1);
    bits.FlushBits(false);
    EXPECT_EQ(Written(out).size(), 1u);
    bits.WriteBits(1, 1);
    bits.FlushBits(true);
    bits.WriteByte(0x7F);
    bits.WriteBits(0, 0);
    EXPECT_EQ(Written(out), (std::vector<uint8_t>{0xA1, 0x80, 0x7F}));
}

TEST(BitsEngine, FieldsWiderThanTheValueStartWithZeros)
{
    TMemoryStream out;
    TBitsEngine bits(out);
    bits.WriteBits(0xFFFFFFFF, 40);
    bits.WriteBits(1, -3);
    bits.WriteBits(0x80000001, 33);
    bits.FlushBits(true);
    EXPECT_EQ(Written(out), (std::vector<uint8_t>{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x40, 0x00, 0x00, 0x00, 0x80}));
}

TEST(BitsEngine, ReadsFieldsAcrossBytes)
{
    TMemoryStream in = Over({0x78, 0x00, 0xA0, 0x34, 0x12});
    TBitsEngine bits(in);
    EXPECT_EQ(bits.ReadUB(5), 15u);
    EXPECT_EQ(bits.ReadUB(4), 0u);
    EXPECT_EQ(bits.ReadUB(0), 0u);
    bits.FlushBits(false);
    EXPECT_EQ(bits.ReadSB(3), -3);
    bits.FlushBits(false);
    EXPECT_EQ(bits.ReadWord(), 0x1234);
    EXPECT_THROW(bits.ReadByte(), EReadError);
}

TEST(BitsEngine, ReadsRectAndStrings)
{
    // N = 4; fields 1, -1, 2, 7.
    TMemoryStream in = Over({0x20, 0xF9, 0x38, 0x00, 'a', 'b', 0, 'c'});
    TBitsEngine bits(in);
    RECT r{};
    bits.ReadRect(r);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.right, -1);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.bottom, 7);
    EXPECT_EQ(bits.ReadByte(), 0x00);
    EXPECT_EQ(bits.ReadString(4), "ab");
    EXPECT_FLOAT_EQ(FixedToSingle(0x1D80), 29.5f);
}
