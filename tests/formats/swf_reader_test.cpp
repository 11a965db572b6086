// Movie facts from plain, zlib- and LZMA-compressed movies and projectors,
// all written by the tests themselves.
#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include "SwfFixtures.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "kvnSWFStreamReader.h"

using tvmtest::Bytes;
using tvmtest::SwfMovie;

namespace {

std::string Fixture(const std::string& name, const Bytes& bytes)
{
    std::string path = tvmtest::OutputDir() + name;
    tvmtest::WriteFile(path, bytes);
    return path;
}

// The most address space the process has held at once.
SIZE_T PeakVirtualSize()
{
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = tvmtest::Entry<Query>(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    VM_COUNTERS counters{};
    EXPECT_TRUE(query && query(GetCurrentProcess(), ProcessVmCounters, &counters, sizeof counters, nullptr) == 0);
    return counters.PeakVirtualSize;
}

TkvnFlashFileInfo Read(const std::string& reference, bool expectValid = true)
{
    TkvnSWFStreamReader reader(reference);
    EXPECT_EQ(reader.IsValid(), expectValid) << reference;
    TkvnFlashFileInfo info;
    reader.GetFileInfo(info);
    return info;
}

}

TEST(SwfReader, EveryKindReportsTheStage)
{
    const struct {
        const char* signature;
        bool projector;
        uint8_t format;
    } kinds[] = {{"FWS", false, fmtFWS}, {"CWS", false, fmtCWS}, {"ZWS", false, fmtZWS},
                 {"FWS", true, fmtEXEFWS}, {"CWS", true, fmtEXECWS}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(std::string(kind.signature) + (kind.projector ? " projector" : ""));
        Bytes movie = tvmtest::MakeSwf(SwfMovie{}, kind.signature);
        Bytes file = kind.projector ? tvmtest::MakeProjector(movie) : movie;
        std::string path = Fixture(std::string("stage_") + kind.signature + (kind.projector ? ".exe" : ".swf"), file);

        TkvnFlashFileInfo info = Read(path);
        EXPECT_EQ(info.FileName, path);
        EXPECT_EQ(info.FileFormat, kind.format);
        EXPECT_EQ(info.FileSize, static_cast<int32_t>(file.size()));
        EXPECT_EQ(info.Version, 10);
        EXPECT_EQ(info.Width, 550);
        EXPECT_EQ(info.Height, 400);
        EXPECT_FLOAT_EQ(info.FPS, 24.0f);
        EXPECT_EQ(info.FrameCount, 120);
        EXPECT_DOUBLE_EQ(info.Duration, 5.0);
        // The projector itself is never taken for the temporary movie.
        EXPECT_TRUE(FileExists(path));
    }
}

TEST(SwfReader, RatesAndFlashVars)
{
    SwfMovie movie;
    movie.rateFraction = 0x80;
    movie.rateInteger = 0x1D;
    std::string path = Fixture("rate.swf", tvmtest::MakeSwf(movie, "CWS"));
    TkvnFlashFileInfo info = Read(path + "?a=1&b=2");
    EXPECT_FLOAT_EQ(info.FPS, 29.5f);
    EXPECT_EQ(info.FileName, path);
    EXPECT_EQ(info.FileVars, "?a=1&b=2");

    movie.rateFraction = movie.rateInteger = 0;
    info = Read(Fixture("rate0.swf", tvmtest::MakeSwf(movie)));
    EXPECT_EQ(info.FPS, 0.0f);
    EXPECT_EQ(info.Duration, 0.0);
}

TEST(SwfReader, DamagedAndForeignFilesAreNotValid)
{
    Bytes good = tvmtest::MakeSwf(SwfMovie{}, "CWS");
    Bytes zws = tvmtest::MakeSwf(SwfMovie{}, "ZWS");
    Bytes fws = tvmtest::MakeSwf(SwfMovie{});
    Bytes garbage(good.begin(), good.begin() + 8);
    garbage.insert(garbage.end(), 40, 0x55);
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"three.swf", Bytes{'F', 'W', 'S'}},
        {"five.swf", Bytes{'F', 'W', 'S', 10, 0}},
        {"lower.swf", Bytes{'f', 'w', 's', 10, 0, 0, 0, 0}},
        {"cws_truncated.swf", Bytes(good.begin(), good.begin() + 10)},
        {"cws_garbage.swf", garbage},
        {"zws_truncated.swf", Bytes(zws.begin(), zws.begin() + 18)},
        {"fws_truncated.swf", Bytes(fws.begin(), fws.begin() + 12)},
        {"zws_projector.exe", tvmtest::MakeProjector(zws)},
        {"plain.exe", Bytes(5000, 0x90)},
    };
    for (const auto& c : cases) {
        TkvnFlashFileInfo info = Read(Fixture(c.name, c.bytes), false);
        EXPECT_EQ(info.FileFormat, fmtInvalid) << c.name;
    }
    // A missing file fills nothing.
    TkvnFlashFileInfo missing = Read(tvmtest::OutputDir() + "missing.swf", false);
    EXPECT_TRUE(missing.FileName.empty());
}

TEST(SwfReader, HugeDeclaredLengthIsNotTrusted)
{
    Bytes swf = tvmtest::MakeSwf(SwfMovie{}, "CWS");
    swf[4] = swf[5] = swf[6] = swf[7] = 0xFF;
    TkvnFlashFileInfo info = Read(Fixture("huge_length.swf", swf));
    EXPECT_EQ(info.Width, 550);
}

TEST(SwfReader, LzmaDictionaryOfTheHeaderIsNotTrusted)
{
    Bytes zws = tvmtest::MakeSwf(SwfMovie{}, "ZWS");
    // Bytes 13-16 hold the dictionary size of the LZMA properties: 4 GiB.
    std::fill(zws.begin() + 13, zws.begin() + 17, 0xFF);
    const std::string path = Fixture("huge_dictionary.swf", zws);

    const SIZE_T peakBefore = PeakVirtualSize();
    TkvnFlashFileInfo info = Read(path);
    const SIZE_T peakAfter = PeakVirtualSize();
    // Reading 28 bytes never needs more than a few kilobytes of dictionary.
    EXPECT_LT(peakAfter - peakBefore, SIZE_T{1} << 30);
    EXPECT_EQ(info.Width, 550);
    EXPECT_EQ(info.FrameCount, 120);
}
