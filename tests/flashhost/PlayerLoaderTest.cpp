// The module loader: mapping, relocation, imports, exports and resources of
// small modules built for the purpose, damaged images, and the providers of
// player controls over the real player module.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "PlayerLoader.h"
#include "PlayerVersion.h"
#include "Streams.h"
#include "TestSupport.h"

namespace {

const char PlayerRegistryKey[] = "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}\\InprocServer32";

std::vector<char> FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A module file in memory, with its headers at hand for editing.
struct ModuleFile {
    explicit ModuleFile(const std::string& name) : Bytes(FileBytes(tvmtest::TestsDir() + name)) {}

    IMAGE_NT_HEADERS& Nt()
    {
        return *reinterpret_cast<IMAGE_NT_HEADERS*>(Bytes.data() +
                                                      reinterpret_cast<IMAGE_DOS_HEADER*>(Bytes.data())->e_lfanew);
    }

    IMAGE_SECTION_HEADER& Section(const char* name)
    {
        IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(&Nt());
        for (int i = 0; i < Nt().FileHeader.NumberOfSections; ++i, ++section) {
            if (std::strncmp(reinterpret_cast<char*>(section->Name), name, IMAGE_SIZEOF_SHORT_NAME) == 0)
                return *section;
        }
        throw std::runtime_error(std::string("no section ") + name);
    }

    IMAGE_DATA_DIRECTORY& Directory(int index) { return Nt().OptionalHeader.DataDirectory[index]; }

    // The file bytes at an address of the mapped image.
    template <class T>
    T& At(DWORD rva)
    {
        IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(&Nt());
        for (int i = 0; i < Nt().FileHeader.NumberOfSections; ++i, ++section) {
            if (rva >= section->VirtualAddress && rva - section->VirtualAddress < section->SizeOfRawData)
                return *reinterpret_cast<T*>(Bytes.data() + section->PointerToRawData + rva - section->VirtualAddress);
        }
        throw std::runtime_error("address outside the file");
    }

    std::vector<char> Bytes;
};

struct MemoryImage : TMemoryStream {
    explicit MemoryImage(const std::vector<char>& bytes) { WriteBuffer(bytes.data(), int32_t(bytes.size())); }
};

using AnswerAddressProc = int* (*)();
using TwiceProc = int (*)(int);
using AttachesProc = int (*)();

template <class Proc>
Proc Export(const TDLLLoader& loader, const char* name)
{
    return reinterpret_cast<Proc>(loader.FindExport(name));
}

bool InsideImage(const TDLLLoader& loader, const void* address)
{
    auto* base = loader.ImageBase();
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* at = static_cast<const BYTE*>(address);
    return at >= base && at < base + nt->OptionalHeader.SizeOfImage;
}

// A loader that records what it is asked, and binds the module's
// SetEnvironmentVariableA to a recorder.
class RecordingLoader : public TDLLLoader {
public:
    struct Request {
        std::string Library;
        std::string Name;
        WORD Ordinal;
    };

    explicit RecordingLoader(TStream& stream) { Map(stream); }

    static BOOL WINAPI RecordVariable(LPCSTR name, LPCSTR)
    {
        Variables.push_back(name);
        return TRUE;
    }

    std::vector<Request> Requests;
    static inline std::vector<std::string> Variables;

protected:
    void* ResolveImport(const char* library, const char* function) override
    {
        if (IS_INTRESOURCE(function)) {
            Requests.push_back({library, "", LOWORD(reinterpret_cast<uintptr_t>(function))});
            return nullptr;
        }
        Requests.push_back({library, function, 0});
        return std::strcmp(function, "SetEnvironmentVariableA") == 0 ? reinterpret_cast<void*>(RecordVariable)
                                                                      : nullptr;
    }
};

TEST(DLLLoader, MapsAwayFromThePreferredBaseAndRelocates)
{
    ModuleFile file("loadertestmodule.dll");
    // Hold the preferred base, so the image cannot land there by chance.
    void* preferred = VirtualAlloc(reinterpret_cast<void*>(uintptr_t(file.Nt().OptionalHeader.ImageBase)),
                                   file.Nt().OptionalHeader.SizeOfImage, MEM_RESERVE, PAGE_NOACCESS);
    MemoryImage stream(file.Bytes);
    TDLLLoader loader(stream);
    EXPECT_NE(uintptr_t(loader.ImageBase()), uintptr_t(file.Nt().OptionalHeader.ImageBase));

    auto answerAddress = Export<AnswerAddressProc>(loader, "AnswerAddress");
    ASSERT_NE(answerAddress, nullptr);
    int* answer = answerAddress();
    EXPECT_TRUE(InsideImage(loader, answer));
    EXPECT_EQ(*answer, 42);
    EXPECT_EQ(Export<AttachesProc>(loader, "Attaches")(), 1);
    if (preferred)
        VirtualFree(preferred, 0, MEM_RELEASE);
}

TEST(DLLLoader, AsksTheResolverFirstAndBindsOrdinalsThroughTheLibrary)
{
    ModuleFile file("loadertestmodule.dll");
    MemoryImage stream(file.Bytes);
    RecordingLoader::Variables.clear();
    {
        RecordingLoader loader(stream);
        bool askedOrdinal = false;
        for (const RecordingLoader::Request& request : loader.Requests)
            askedOrdinal |= request.Ordinal == 7 && request.Library == "loaderordinals.dll";
        EXPECT_TRUE(askedOrdinal);
        EXPECT_EQ(Export<TwiceProc>(loader, "TwiceByOrdinal")(21), 42);
        EXPECT_TRUE(RecordingLoader::Variables.empty());
    }
    // The detach ran through the resolver's binding.
    ASSERT_EQ(RecordingLoader::Variables.size(), 1u);
    EXPECT_EQ(RecordingLoader::Variables[0], "TESTMODULE_DETACHED");
}

TEST(DLLLoader, DetachesWhenDestroyed)
{
    ModuleFile file("loadertestmodule.dll");
    MemoryImage stream(file.Bytes);
    SetEnvironmentVariableA("TESTMODULE_DETACHED", nullptr);
    auto loader = std::make_unique<TDLLLoader>(stream);
    EXPECT_EQ(GetEnvironmentVariableA("TESTMODULE_DETACHED", nullptr, 0), 0u);
    loader.reset();
    EXPECT_GT(GetEnvironmentVariableA("TESTMODULE_DETACHED", nullptr, 0), 0u);
}

TEST(DLLLoader, AModuleThatRefusesToAttachIsDetachedAndNotLoaded)
{
    ModuleFile file("loadertestmodule.dll");
    MemoryImage stream(file.Bytes);
    SetEnvironmentVariableA("TESTMODULE_DETACHED", nullptr);
    SetEnvironmentVariableA("TESTMODULE_REFUSE_ATTACH", "1");
    EXPECT_THROW(TDLLLoader loader(stream), EDLLLoadError);
    SetEnvironmentVariableA("TESTMODULE_REFUSE_ATTACH", nullptr);
    EXPECT_GT(GetEnvironmentVariableA("TESTMODULE_DETACHED", nullptr, 0), 0u);
}

TEST(DLLLoader, WalksKeepTheImageSizeOfMapTime)
{
    ModuleFile file("loadertestmodule.dll");
    MemoryImage stream(file.Bytes);
    TDLLLoader loader(stream);
    uint32_t version = GetImageVersion(loader.ImageBase());
    // The mapped headers are the module's to write; what it writes there
    // must not move the bounds of any later walk.
    BYTE* base = loader.ImageBase();
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    nt->OptionalHeader.SizeOfImage = 0;
    EXPECT_NE(loader.FindExport("Attaches"), nullptr);
    EXPECT_EQ(GetImageVersion(base), version);
}

TEST(DLLLoader, FindsExportsByExactName)
{
    ModuleFile file("loadertestmodule.dll");
    MemoryImage stream(file.Bytes);
    TDLLLoader loader(stream);
    EXPECT_NE(loader.FindExport("Attaches"), nullptr);
    EXPECT_EQ(loader.FindExport("attaches"), nullptr);
    EXPECT_EQ(loader.FindExport("Missing"), nullptr);
}

TEST(DLLLoader, SkipsAnEmptyRelocationBlock)
{
    ModuleFile file("loadertestmodule.dll");
    IMAGE_DATA_DIRECTORY& relocations = file.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC);
    IMAGE_SECTION_HEADER& section = file.Section(".reloc");
    ASSERT_EQ(relocations.VirtualAddress, section.VirtualAddress);
    ASSERT_LE(relocations.Size + 8, section.SizeOfRawData);
    // Shift the blocks and put a block without entries in front of them.
    char* blocks = file.Bytes.data() + section.PointerToRawData;
    std::memmove(blocks + 8, blocks, relocations.Size);
    IMAGE_BASE_RELOCATION empty = {0x1000, 8};
    std::memcpy(blocks, &empty, sizeof(empty));
    relocations.Size += 8;
    section.Misc.VirtualSize += 8;

    MemoryImage stream(file.Bytes);
    TDLLLoader loader(stream);
    int* answer = Export<AnswerAddressProc>(loader, "AnswerAddress")();
    EXPECT_TRUE(InsideImage(loader, answer));
    EXPECT_EQ(*answer, 42);
}

TEST(DLLLoader, CopiesASectionOnlyAsFarAsBothItsSizesReach)
{
    // .text is smaller than its raw data; the file goes on with other sections after it.
    ModuleFile file("loadertestmodule.dll");
    IMAGE_SECTION_HEADER& text = file.Section(".text");
    ASSERT_LT(text.Misc.VirtualSize, text.SizeOfRawData);
    DWORD virtualSize = text.Misc.VirtualSize;
    DWORD rawSize = text.SizeOfRawData;
    char* raw = file.Bytes.data() + text.PointerToRawData;
    std::memset(raw + virtualSize, 0xCC, rawSize - virtualSize);

    auto zeroFrom = [](const BYTE* bytes, DWORD from, DWORD to) {
        for (DWORD at = from; at < to; ++at) {
            if (bytes[at] != 0)
                return false;
        }
        return true;
    };
    {
        MemoryImage stream(file.Bytes);
        TDLLLoader loader(stream);
        EXPECT_TRUE(zeroFrom(loader.ImageBase() + text.VirtualAddress, virtualSize, rawSize)) << "raw data beyond the virtual size was copied";
    }
    // Grown to its whole page, it must not take the bytes of the file that follow its raw data.
    DWORD page = file.Nt().OptionalHeader.SectionAlignment;
    text.Misc.VirtualSize = page;
    bool followedByData = false;
    for (DWORD at = rawSize; at < file.Bytes.size() - text.PointerToRawData && at < page; ++at)
        followedByData |= raw[at] != 0;
    ASSERT_TRUE(followedByData);
    MemoryImage stream(file.Bytes);
    TDLLLoader loader(stream);
    EXPECT_TRUE(zeroFrom(loader.ImageBase() + text.VirtualAddress, rawSize, page)) << "bytes past the raw data were copied";
    EXPECT_EQ(*Export<AnswerAddressProc>(loader, "AnswerAddress")(), 42);
}

#ifdef _WIN64
constexpr WORD OtherMachine = IMAGE_FILE_MACHINE_I386;
constexpr WORD OtherOptionalHeaderMagic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
#else
constexpr WORD OtherMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr WORD OtherOptionalHeaderMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
#endif

struct Damage {
    const char* What;
    std::function<void(ModuleFile&)> Apply;
};

class DamagedImage : public testing::TestWithParam<Damage> {};

TEST_P(DamagedImage, FailsToLoadAndLeavesAProviderWithoutImage)
{
    ModuleFile file("loadertestmodule.dll");
    GetParam().Apply(file);
    MemoryImage stream(file.Bytes);
    EXPECT_THROW(TDLLLoader loader(stream), Exception);

    TPlayerCodeProviderBasedOnStream provider(&stream);
    void* object = this;
    EXPECT_EQ(provider.CreateInstance(IID_IUnknown, &object), E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(provider.GetVersion(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Loader, DamagedImage,
    testing::Values(
        Damage{"not an image", [](ModuleFile& f) { f.Bytes.assign(300, 'x'); }},
        Damage{"built for the other machine", [](ModuleFile& f) { f.Nt().FileHeader.Machine = OtherMachine; }},
        Damage{"optional header of the other width",
               [](ModuleFile& f) { f.Nt().OptionalHeader.Magic = OtherOptionalHeaderMagic; }},
        Damage{"cut inside the headers", [](ModuleFile& f) { f.Bytes.resize(100); }},
        Damage{"cut inside the sections", [](ModuleFile& f) { f.Bytes.resize(f.Section(".data").PointerToRawData); }},
        Damage{"headers offset past the end",
               [](ModuleFile& f) { reinterpret_cast<IMAGE_DOS_HEADER*>(f.Bytes.data())->e_lfanew = 0x7FFFFFF0; }},
        Damage{"section outside the image",
               [](ModuleFile& f) { f.Section(".data").VirtualAddress = f.Nt().OptionalHeader.SizeOfImage; }},
        Damage{"section over the headers", [](ModuleFile& f) { f.Section(".data").VirtualAddress = 0; }},
        Damage{"relocation block of size 0",
               [](ModuleFile& f) {
                   f.At<IMAGE_BASE_RELOCATION>(f.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).VirtualAddress).SizeOfBlock = 0;
               }},
        Damage{"relocation block longer than its directory",
               [](ModuleFile& f) {
                   f.At<IMAGE_BASE_RELOCATION>(f.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).VirtualAddress).SizeOfBlock =
                       0xFFF0;
               }},
        Damage{"relocation of a page outside the image",
               [](ModuleFile& f) {
                   f.At<IMAGE_BASE_RELOCATION>(f.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).VirtualAddress).VirtualAddress =
                       0x7FFF0000;
               }},
        Damage{"relocation table outside the image",
               [](ModuleFile& f) { f.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).VirtualAddress = 0x7FFFFFF0; }},
        Damage{"import table outside the image",
               [](ModuleFile& f) { f.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress = 0x7FFFFFF0; }},
        Damage{"import table cut by the end of the image",
               [](ModuleFile& f) {
                   f.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress = f.Nt().OptionalHeader.SizeOfImage - 4;
               }},
        Damage{"library name outside the image",
               [](ModuleFile& f) {
                   f.At<IMAGE_IMPORT_DESCRIPTOR>(f.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress).Name =
                       0x7FFFFFF0;
               }},
        Damage{"import names outside the image",
               [](ModuleFile& f) {
                   auto& descriptor = f.At<IMAGE_IMPORT_DESCRIPTOR>(f.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);
                   descriptor.OriginalFirstThunk = 0x7FFFFFF0;
               }},
        Damage{"entry point outside the image",
               [](ModuleFile& f) { f.Nt().OptionalHeader.AddressOfEntryPoint = f.Nt().OptionalHeader.SizeOfImage; }}),
    [](const testing::TestParamInfo<Damage>& info) {
        std::string name;
        for (const char* c = info.param.What; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(ImageResources, GiveTheProductVersionWithTheRevisionCarried)
{
    ModuleFile file("loadertestmodule.dll");
    MemoryImage stream(file.Bytes);
    TDLLLoader loader(stream);
    // 1.2.3.300: the revision carries 1 into the build byte.
    EXPECT_EQ(GetImageVersion(loader.ImageBase()), (1u << 24) + (2u << 16) + (4u << 8) + 44u);

    ModuleFile ordinals("loaderordinals.dll");
    MemoryImage withoutVersion(ordinals.Bytes);
    TDLLLoader other(withoutVersion);
    EXPECT_EQ(GetImageVersion(other.ImageBase()), 0u);
    EXPECT_EQ(GetImageVersion(nullptr), 0u);
}

TEST(ImageResources, AreLookedUpByThreadLanguageThenTheDefaultsThenNeutralThen1033)
{
    ASSERT_NE(PRIMARYLANGID(LANGIDFROMLCID(GetSystemDefaultLCID())), LANG_FRENCH);
    ASSERT_NE(PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID())), LANG_FRENCH);
    ModuleFile file("loadertestmodule.dll");
    MemoryImage stream(file.Bytes);
    TDLLLoader loader(stream);
    LCID threadLocale = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT)));

    struct Case {
        const char* Type;
        const char* Name;
        const char* Found;  // nullptr: not found
    };
    for (const Case& c : {Case{"TESTDATA", "GERMANONLY", "1031"}, Case{"TESTDATA", "BOTH", "1031"},
                          Case{"TESTDATA", "NEUTRALONLY", "0"}, Case{"TESTDATA", "ENGLISHONLY", "1033"},
                          Case{MAKEINTRESOURCEA(10), MAKEINTRESOURCEA(5), "1033"}, Case{"TESTDATA", "FRENCHONLY", nullptr},
                          Case{"TESTDATA", "englishonly", nullptr}, Case{"OTHER", "ENGLISHONLY", nullptr}}) {
        void* data = nullptr;
        DWORD size = 0;
        bool found = FindImageResource(loader.ImageBase(), c.Type, c.Name, data, size);
        std::string name = IS_INTRESOURCE(c.Name) ? "#5" : c.Name;
        ASSERT_EQ(found, c.Found != nullptr) << name;
        if (found) {
            EXPECT_EQ(std::string(static_cast<const char*>(data)), c.Found) << name;
            EXPECT_EQ(size, std::strlen(c.Found) + 1) << name;
        }
    }
    SetThreadLocale(threadLocale);
}

// ---- Providers ----

TEST(PlayerCodeProvider, WithoutAnyModuleCreatesNothing)
{
    HKEY key = nullptr;
    ASSERT_NE(RegOpenKeyExA(HKEY_CLASSES_ROOT, PlayerRegistryKey, 0, KEY_READ, &key), ERROR_SUCCESS)
        << "a player module is registered in the test prefix";

    TPlayerCodeProviderBasedOnSystemInstalledOCX system;
    TPlayerCodeProviderBasedOnStream none(nullptr);
    TMemoryStream empty;
    LoadPlayerCodeFromStream(empty);
    for (TPlayerCodeProvider* provider : {static_cast<TPlayerCodeProvider*>(&system),
                                          static_cast<TPlayerCodeProvider*>(&none), &PlayerCodeProvider()}) {
        void* object = this;
        EXPECT_EQ(provider->CreateInstance(IID_IOleObject, &object), E_FAIL) << provider->ClassName();
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(provider->GetVersion(), 0u);
    }
}

// A stream that claims a size and fails every read the way a huge file does.
class HugeStream : public TStream {
public:
    explicit HugeStream(int64_t size) : size_(size) {}
    int32_t Read(void*, int32_t) override { throw std::bad_alloc(); }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        position_ = origin == soFromBeginning ? offset : origin == soFromEnd ? size_ + offset : position_ + offset;
        return position_;
    }
    void SetSize(int64_t) override {}

private:
    int64_t size_;
    int64_t position_ = 0;
};

TEST(PlayerCodeProvider, OverAStreamTooLargeOrFailingCreatesNothing)
{
    for (int64_t size : {int64_t(0x100000000) + 1, int64_t(0x10000)}) {
        HugeStream stream(size);
        std::unique_ptr<TPlayerCodeProviderBasedOnStream> provider;
        EXPECT_NO_THROW(provider = std::make_unique<TPlayerCodeProviderBasedOnStream>(&stream)) << size;
        void* object = this;
        EXPECT_EQ(provider->CreateInstance(IID_IUnknown, &object), E_FAIL) << size;
        EXPECT_EQ(object, nullptr);
    }
}

uint32_t PlayerVersion()
{
    return (PLAYER_VERSION_MAJOR << 24) + (PLAYER_VERSION_MINOR << 16) + (PLAYER_VERSION_BUILD << 8) +
           PLAYER_VERSION_REVISION;
}

// A control is created, and a factory's refusal reaches the caller as it was given.
void ExpectPlayerControls(TPlayerCodeProvider& provider)
{
    EXPECT_EQ(provider.GetVersion(), PlayerVersion());
    EXPECT_EQ(provider.GetVersion() >> 24, 11u);
    IOleObject* control = nullptr;
    ASSERT_EQ(provider.CreateInstance(IID_IOleObject, reinterpret_cast<void**>(&control)), S_OK);
    ASSERT_NE(control, nullptr);
    SIZEL extent = {};
    EXPECT_EQ(control->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    control->Release();

    const IID unknownIid = {0x3B1E6A52, 0x0C4D, 0x4E7A, {0x9F, 0x21, 0x5D, 0x8C, 0x77, 0x10, 0xA4, 0xE3}};
    void* object = &extent;
    EXPECT_EQ(provider.CreateInstance(unknownIid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST(PlayerCodeProvider, MapsThePlayerStoredInTheProgram)
{
    std::string program = tvmtest::BinDir() + "tvmpro.exe";
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr) << program;
    LoadPlayerCodeFromResource(image);
    FreeLibrary(image);
    ExpectPlayerControls(PlayerCodeProvider());

    // Replacing the provider unmaps the player; a program without it says so.
    EXPECT_THROW(LoadPlayerCodeFromResource(GetModuleHandleA(nullptr)), EResNotFound);
    TMemoryStream empty;
    LoadPlayerCodeFromStream(empty);
    EXPECT_EQ(PlayerCodeProvider().GetVersion(), 0u);
}

// The player's class registered for the length of a test, with a module file.
class RegisteredPlayer {
public:
    RegisteredPlayer()
    {
        EXPECT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, PlayerRegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    ~RegisteredPlayer()
    {
        RegCloseKey(key_);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, PlayerRegistryKey);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}");
    }
    void SetFile(const std::string& path)
    {
        RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()), DWORD(path.size() + 1));
    }

private:
    HKEY key_ = nullptr;
};

TEST(PlayerCodeProvider, MapsThePlayerRegisteredWithTheSystem)
{
    RegisteredPlayer registered;
    registered.SetFile(tvmtest::TestsDir() + PLAYER_MODULE_FILE);
    {
        TPlayerCodeProviderBasedOnSystemInstalledOCX provider;
        ExpectPlayerControls(provider);
    }
    registered.SetFile(tvmtest::TestsDir() + "missing.dll");
    TPlayerCodeProviderBasedOnSystemInstalledOCX provider;
    EXPECT_EQ(provider.GetVersion(), 0u);
}

}
