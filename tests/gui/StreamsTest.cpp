#include "Exceptions.h"
#include "GuiTestSupport.h"
#include "Streams.h"

#include <gtest/gtest.h>

namespace {

using tvmtest::MessageOf;

std::string ReadAll(TStream& stream)
{
    std::string text(static_cast<size_t>(stream.GetSize()), '\0');
    stream.SetPosition(0);
    stream.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
    return text;
}

void WriteText(TStream& stream, const std::string& text)
{
    stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

TEST(MemoryStream, SeeksFromEachOriginAndGrowsOnWrite)
{
    TMemoryStream stream;
    WriteText(stream, "0123456789");
    EXPECT_EQ(stream.GetPosition(), 10);
    EXPECT_EQ(stream.Seek(2, soFromBeginning), 2);
    EXPECT_EQ(stream.Seek(3, soFromCurrent), 5);
    EXPECT_EQ(stream.Seek(-4, soFromEnd), 6);
    char c;
    stream.ReadBuffer(&c, 1);
    EXPECT_EQ(c, '6');

    // A write past the end leaves zeros in the gap.
    stream.Seek(2, soFromEnd);
    WriteText(stream, "X");
    EXPECT_EQ(ReadAll(stream), std::string("0123456789\0\0X", 13));

    stream.SetPosition(12);
    stream.SetSize(4);
    EXPECT_EQ(stream.GetPosition(), 4);
    EXPECT_EQ(ReadAll(stream), "0123");
    EXPECT_EQ(std::string(static_cast<const char*>(stream.Memory()), 4), "0123");

    stream.Clear();
    EXPECT_EQ(stream.GetSize(), 0);
    EXPECT_EQ(stream.GetPosition(), 0);
}

TEST(MemoryStream, ReadingPastTheEndRaisesOnlyForReadBuffer)
{
    TMemoryStream stream;
    WriteText(stream, "abc");
    stream.SetPosition(1);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 2);
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    stream.SetPosition(1);
    EXPECT_EQ(MessageOf<EReadError>([&] { stream.ReadBuffer(buffer, 3); }), "Stream read error");
    stream.Seek(-1, soFromBeginning);
    EXPECT_EQ(stream.Read(buffer, 1), 0);
}

TEST(StreamCopy, CountZeroTakesTheWholeSourceFromItsStart)
{
    TMemoryStream source, dest;
    WriteText(source, "whole source");
    source.SetPosition(6);
    EXPECT_EQ(dest.CopyFrom(source, 0), 12);
    EXPECT_EQ(ReadAll(dest), "whole source");

    TMemoryStream part;
    source.SetPosition(6);
    EXPECT_EQ(part.CopyFrom(source, 3), 3);
    EXPECT_EQ(ReadAll(part), "sou");
    EXPECT_THROW(part.CopyFrom(source, 10), EReadError);  // only 3 bytes left
}

TEST(StreamCopy, CopiesMoreThanOneBufferFull)
{
    TMemoryStream source, dest;
    std::string data(61440 * 5 / 2, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    WriteText(source, data);
    EXPECT_EQ(dest.CopyFrom(source, 0), static_cast<int64_t>(data.size()));
    EXPECT_EQ(ReadAll(dest), data);
}

TEST(FileStream, RoundTripThroughAFile)
{
    tvmtest::ScratchDir scratch;
    std::string name = scratch.Path() + "data.bin";
    {
        TFileStream file(name, fmCreate);
        WriteText(file, "first line\r\nsecond");
        EXPECT_EQ(file.FileName(), name);
    }
    {
        TFileStream file(name, fmOpenRead | fmShareDenyWrite);
        EXPECT_EQ(file.GetSize(), 18);
        EXPECT_EQ(ReadAll(file), "first line\r\nsecond");
        char c;
        EXPECT_EQ(file.Read(&c, 1), 0);
        EXPECT_THROW(file.ReadBuffer(&c, 1), EReadError);
        EXPECT_THROW(WriteText(file, "x"), EWriteError);  // opened for reading only
    }
    {
        TFileStream file(name, fmOpenReadWrite);
        file.SetSize(5);
        file.Seek(0, soFromEnd);
        WriteText(file, "!");
    }
    TMemoryStream memory;
    memory.LoadFromFile(name);
    EXPECT_EQ(ReadAll(memory), "first!");
    memory.SetPosition(3);
    memory.SaveToFile(scratch.Path() + "copy.bin");  // the whole data, whatever the position
    TFileStream copy(scratch.Path() + "copy.bin", fmOpenRead);
    EXPECT_EQ(ReadAll(copy), "first!");
}

TEST(FileStream, FailuresNameTheFileAndTheSystemReason)
{
    tvmtest::ScratchDir scratch;
    std::string missing = scratch.Path() + "missing.bin";
    std::string opened = MessageOf<EFOpenError>([&] { TFileStream(missing, fmOpenRead); });
    std::string prefix = "Cannot open file \"" + missing + "\". ";
    EXPECT_EQ(opened.substr(0, prefix.size()), prefix);
    EXPECT_GT(opened.size(), prefix.size());

    std::string nowhere = scratch.Path() + "no\\such\\folder\\x.bin";
    std::string created = MessageOf<EFCreateError>([&] { TFileStream(nowhere, fmCreate); });
    prefix = "Cannot create file \"" + nowhere + "\". ";
    EXPECT_EQ(created.substr(0, prefix.size()), prefix);
    EXPECT_GT(created.size(), prefix.size());
}

TEST(FileStream, ShareModesDecideWhoElseMayOpen)
{
    tvmtest::ScratchDir scratch;
    std::string name = scratch.Path() + "shared.bin";
    TFileStream(name, fmCreate);
    {
        TFileStream reader(name, fmOpenRead | fmShareDenyWrite);
        EXPECT_NO_THROW(TFileStream(name, fmOpenRead | fmShareDenyWrite));
        EXPECT_THROW(TFileStream(name, fmOpenWrite | fmShareDenyNone), EFOpenError);
    }
    {
        TFileStream exclusive(name, fmOpenRead);
        EXPECT_THROW(TFileStream(name, fmOpenRead | fmShareDenyNone), EFOpenError);
    }
    TFileStream open(name, fmOpenReadWrite | fmShareDenyNone);
    EXPECT_NO_THROW(TFileStream(name, fmOpenRead | fmShareDenyNone));
}

TEST(ResourceStream, ReadsAResourceOfTheModule)
{
    TResourceStream stream(GetModuleHandleA(nullptr), "GREETING", "TVMTEST");
    EXPECT_EQ(ReadAll(stream), "hello");
    EXPECT_EQ(MessageOf<EStreamError>([&] { WriteText(stream, "x"); }),
              "Can't write to a read-only resource stream");
    EXPECT_EQ(MessageOf<EResNotFound>([] { TResourceStream(GetModuleHandleA(nullptr), "ABSENT", "TVMTEST"); }),
              "Resource ABSENT not found");
}

}
