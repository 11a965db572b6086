// The player module as a COM server: class factory, control object, reference
// counting, version resource, the shape of its image, and its place in the
// program's resources.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "PlayerVersion.h"
#include "TestSupport.h"

namespace {

const CLSID PlayerClsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// An interface nothing in the module knows.
const IID UnknownIid = {0x3B1E6A52, 0x0C4D, 0x4E7A, {0x9F, 0x21, 0x5D, 0x8C, 0x77, 0x10, 0xA4, 0xE3}};

std::string ModulePath()
{
    return tvmtest::TestsDir() + PLAYER_MODULE_FILE;
}

std::vector<char> FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A client site that only counts its references.
class CountingSite : public IOleClientSite {
public:
    LONG Refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IOleClientSite)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++Refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --Refs; }
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }
};

// Every test loads the module afresh and frees it at the end, so the module
// is attached and detached many times in this process.
class PlayerModule : public testing::Test {
protected:
    using GetClassObjectProc = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using CanUnloadNowProc = HRESULT(WINAPI*)();

    void SetUp() override
    {
        module_ = LoadLibraryA(ModulePath().c_str());
        ASSERT_NE(module_, nullptr) << ModulePath();
        getClassObject_ = tvmtest::Entry<GetClassObjectProc>(module_, "DllGetClassObject");
        canUnloadNow_ = tvmtest::Entry<CanUnloadNowProc>(module_, "DllCanUnloadNow");
        ASSERT_NE(getClassObject_, nullptr);
        ASSERT_NE(canUnloadNow_, nullptr);
    }

    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
    }

    IClassFactory* Factory()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject_(PlayerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        return factory;
    }

    IOleObject* NewControl()
    {
        IClassFactory* factory = Factory();
        IOleObject* control = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&control)), S_OK);
        factory->Release();
        return control;
    }

    HMODULE module_ = nullptr;
    GetClassObjectProc getClassObject_ = nullptr;
    CanUnloadNowProc canUnloadNow_ = nullptr;
};

TEST_F(PlayerModule, ClassObjectIsOnlyThePlayersFactory)
{
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    factory->Release();

    void* object = this;
    EXPECT_EQ(getClassObject_(GUID_NULL, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    object = this;
    EXPECT_EQ(getClassObject_(PlayerClsid, UnknownIid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST_F(PlayerModule, FactoryCreatesControlsWithoutAggregation)
{
    IClassFactory* factory = Factory();
    IOleObject* control = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&control)), S_OK);
    ASSERT_NE(control, nullptr);
    control->Release();

    CountingSite outer;
    void* object = this;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    object = this;
    EXPECT_EQ(factory->CreateInstance(nullptr, UnknownIid, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    factory->Release();
    EXPECT_EQ(outer.Refs, 1);
}

TEST_F(PlayerModule, InterfacesShareOneIdentityAndOneCount)
{
    IOleObject* control = NewControl();
    IUnknown* identity = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    IOleObject* again = nullptr;
    ASSERT_EQ(identity->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again, control);
    IUnknown* identityAgain = nullptr;
    ASSERT_EQ(again->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identityAgain)), S_OK);
    EXPECT_EQ(identityAgain, identity);

    // Four references are out; the count is shared by every interface.
    EXPECT_EQ(control->AddRef(), 5u);
    EXPECT_EQ(identity->Release(), 4u);
    identityAgain->Release();
    again->Release();
    identity->Release();
    EXPECT_EQ(control->Release(), 0u);
}

TEST_F(PlayerModule, ObjectsAndLocksKeepTheModuleUntilReleased)
{
    EXPECT_EQ(canUnloadNow_(), S_OK);
    IClassFactory* factory = Factory();
    IOleObject* control = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&control)), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    control->Release();
    EXPECT_EQ(canUnloadNow_(), S_OK);

    factory = Factory();
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    factory = Factory();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(PlayerModule, ExtentIsASensibleHimetricSizeAndCanBeSet)
{
    IOleObject* control = NewControl();
    SIZEL extent = {};
    ASSERT_EQ(control->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    // Between 1 cm and 1 m on each side.
    EXPECT_GE(extent.cx, 1000);
    EXPECT_LE(extent.cx, 100000);
    EXPECT_GE(extent.cy, 1000);
    EXPECT_LE(extent.cy, 100000);

    SIZEL wanted = {16933, 12700};
    EXPECT_EQ(control->SetExtent(DVASPECT_CONTENT, &wanted), S_OK);
    ASSERT_EQ(control->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(extent.cx, wanted.cx);
    EXPECT_EQ(extent.cy, wanted.cy);

    EXPECT_NE(control->GetExtent(DVASPECT_ICON, &extent), S_OK);
    control->Release();
}

TEST_F(PlayerModule, ClientSiteIsHeldWithAReference)
{
    CountingSite first;
    CountingSite second;
    IOleObject* control = NewControl();

    IOleClientSite* site = &first;
    EXPECT_EQ(control->GetClientSite(&site), S_OK);
    EXPECT_EQ(site, nullptr);

    ASSERT_EQ(control->SetClientSite(&first), S_OK);
    EXPECT_EQ(first.Refs, 2);
    ASSERT_EQ(control->GetClientSite(&site), S_OK);
    EXPECT_EQ(site, &first);
    EXPECT_EQ(first.Refs, 3);
    site->Release();

    ASSERT_EQ(control->SetClientSite(&second), S_OK);
    EXPECT_EQ(first.Refs, 1);
    EXPECT_EQ(second.Refs, 2);
    ASSERT_EQ(control->SetClientSite(nullptr), S_OK);
    EXPECT_EQ(second.Refs, 1);

    // A control freed while it holds a site lets go of it.
    ASSERT_EQ(control->SetClientSite(&first), S_OK);
    control->Release();
    EXPECT_EQ(first.Refs, 1);
}

TEST_F(PlayerModule, VersionResourceGivesTheReportedVersion)
{
    EXPECT_NE(FindResourceExA(module_, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
              nullptr);

    std::string path = ModulePath();
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    ASSERT_GE(fixedSize, sizeof(VS_FIXEDFILEINFO));

    EXPECT_EQ(HIWORD(fixed->dwProductVersionMS), 11);
    EXPECT_EQ(fixed->dwProductVersionMS, DWORD(MAKELONG(PLAYER_VERSION_MINOR, PLAYER_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwProductVersionLS, DWORD(MAKELONG(PLAYER_VERSION_REVISION, PLAYER_VERSION_BUILD)));
    EXPECT_EQ((PlayerFlashVersion() >> 16) & 0xFF, 11);
}

struct Import {
    std::string Library;
    std::string Function;  // empty when imported by ordinal
};

std::vector<Import> Imports(HMODULE module)
{
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<Import> found;
    if (imports.Size == 0)
        return found;
    for (auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        std::string library = reinterpret_cast<const char*>(base + descriptor->Name);
        EXPECT_NE(descriptor->OriginalFirstThunk, 0u) << library;
        if (descriptor->OriginalFirstThunk == 0)
            continue;
        for (auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
             thunk->u1.AddressOfData != 0; ++thunk) {
            bool byOrdinal = IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal);
            found.push_back({library, byOrdinal ? std::string() : std::string(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(
                                                                      base + thunk->u1.AddressOfData)->Name)});
        }
    }
    return found;
}

// The program maps the image itself: it relocates it, binds imports by name
// from libraries it loads by name, and knows nothing of delayed imports.
TEST_F(PlayerModule, ImageSuitsAPrivateLoader)
{
    auto* base = reinterpret_cast<const BYTE*>(module_);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY* directories = nt->OptionalHeader.DataDirectory;
    EXPECT_GT(directories[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size, 0u);
    EXPECT_EQ(directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].Size, 0u);

    char systemDir[MAX_PATH];
    GetSystemDirectoryA(systemDir, MAX_PATH);
    std::vector<Import> imports = Imports(module_);
    EXPECT_FALSE(imports.empty());
    for (const Import& import : imports) {
        EXPECT_NE(GetFileAttributesA((std::string(systemDir) + "\\" + import.Library).c_str()), INVALID_FILE_ATTRIBUTES)
            << import.Library << " is not a system library";
        EXPECT_FALSE(import.Function.empty()) << import.Library << " imported by ordinal";
    }
}

// The program intercepts only the imports it binds, by name: a sibling of a
// bound function would reach the system behind the program's back.
TEST_F(PlayerModule, ImportsNoSiblingOfABoundFunction)
{
    const std::set<std::string> siblings = {
        "RegisterClassExW", "RegisterClassA", "RegisterClassW", "CreateWindowExW", "LoadCursorW",
        "LoadCursorFromFileA", "LoadCursorFromFileW", "LoadMenuW", "LoadMenuIndirectA", "LoadMenuIndirectW",
        "CreateFileW", "CreateFile2", "OpenFile", "CreateURLMonikerEx", "CreateURLMonikerEx2",
        "QueryPerformanceCounter", "timeGetSystemTime"};
    for (const Import& import : Imports(module_))
        EXPECT_EQ(siblings.count(import.Function), 0u) << import.Library << "!" << import.Function;
}

TEST(PlayerInProgram, ProgramCarriesTheModuleInItsResources)
{
    std::string program = tvmtest::BinDir() + "tvmpro.exe";
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr) << program;
    HRSRC resource = FindResourceA(image, "FlashOCXCode", "BIN");
    ASSERT_NE(resource, nullptr);
    auto* data = static_cast<const char*>(LockResource(LoadResource(image, resource)));
    std::vector<char> stored(data, data + SizeofResource(image, resource));
    FreeLibrary(image);

    std::vector<char> built = FileBytes(ModulePath());
    ASSERT_FALSE(built.empty());
    EXPECT_TRUE(stored == built) << "stored " << stored.size() << " bytes, built " << built.size();
}

}
