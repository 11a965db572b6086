#include "PlayerLoader.h"

#include <iterator>
#include <map>
#include <mutex>
#include <string>

#include "Exceptions.h"
#include "ModuleImage.h"
#include "PlayerBindings.h"

namespace {

const CLSID PlayerClsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const char PlayerRegistryKey[] = "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}\\InprocServer32";

// Only images of the process's own machine can run in it.
#ifdef _WIN64
constexpr TModuleKind OwnKind = kModuleX64;
#else
constexpr TModuleKind OwnKind = kModuleX86;
#endif

// The sizes of the images of every loader alive, taken at map time: their
// headers lie in writable memory that the module's own code can change. Never
// destroyed: a loader held by a global is unmapped during static
// destruction, which may come after this table's own would have.
std::map<const void*, size_t>& MappedImages()
{
    static auto* images = new std::map<const void*, size_t>;
    return *images;
}

std::mutex& MappedImagesLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

void RememberMappedImage(const void* image, size_t size)
{
    std::lock_guard<std::mutex> guard(MappedImagesLock());
    MappedImages()[image] = size;
}

void ForgetMappedImage(const void* image)
{
    std::lock_guard<std::mutex> guard(MappedImagesLock());
    MappedImages().erase(image);
}

// The image as mapped at Image. A module the system loaded keeps its
// headers read-only, so its own size stands.
TModuleImage MappedView(const void* image)
{
    if (!image)
        return {nullptr, 0, OwnKind};
    auto* base = static_cast<const BYTE*>(image);
    {
        std::lock_guard<std::mutex> guard(MappedImagesLock());
        auto found = MappedImages().find(image);
        if (found != MappedImages().end())
            return {base, found->second, OwnKind};
    }
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return {base, nt->OptionalHeader.SizeOfImage, OwnKind};
}

// The walks of the portable unit raise their own error; the loader's callers
// hear of a damaged image as a failure to load.
template <class Walk>
auto Walking(Walk walk)
{
    try {
        return walk();
    } catch (const EModuleImageDamaged& damaged) {
        throw EDLLLoadError(damaged.what());
    }
}

}

// ---- TDLLLoader ----

TDLLLoader::TDLLLoader(TStream& stream)
{
    Map(stream);
}

TDLLLoader::~TDLLLoader()
{
    if (!image_)
        return;
    if (entry_)
        entry_(HINSTANCE(image_), DLL_PROCESS_DETACH, nullptr);
    Unmap();
}

void TDLLLoader::Map(TStream& stream)
{
    // Every offset of an image file is 32 bits wide: a longer stream holds none.
    if (stream.GetSize() > int64_t(UINT32_MAX))
        throw EDLLLoadError(EModuleImageDamaged().what());
    TMemoryStream fileImage;
    fileImage.LoadFromStream(stream);
    TModuleImage file(static_cast<const BYTE*>(fileImage.Memory()), size_t(fileImage.GetSize()), OwnKind);
    const TModuleHeaders headers = Walking([&] { return ValidModuleHeaders(file); });
    DWORD imageSize = headers.SizeOfImage;

    image_ = static_cast<BYTE*>(VirtualAlloc(nullptr, imageSize, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    if (!image_)
        throw EOutOfMemory("Out of memory");
    RememberMappedImage(image_, imageSize);
    try {
        const TModuleHeaders mapped = Walking([&] {
            CopyModuleSections(file, headers, image_);
            TModuleHeaders read;
            if (!TModuleImage(image_, imageSize, OwnKind).Headers(read))
                throw EModuleImageDamaged();
            RelocateModule(image_, imageSize, OwnKind, uintptr_t(image_) - uintptr_t(read.ImageBase));
            return read;
        });
        BindImports();
        RegisterUnwindTable();
        if (mapped.AddressOfEntryPoint) {
            if (mapped.AddressOfEntryPoint >= imageSize)
                throw EDLLLoadError(EModuleImageDamaged().what());
            auto* entryPoint = reinterpret_cast<TEntryPoint>(image_ + mapped.AddressOfEntryPoint);
            // As the system does: a module that refuses to attach is detached
            // again at once and not loaded.
            if (!entryPoint(HINSTANCE(image_), DLL_PROCESS_ATTACH, nullptr)) {
                entryPoint(HINSTANCE(image_), DLL_PROCESS_DETACH, nullptr);
                throw EDLLLoadError("The module refused to attach");
            }
            entry_ = entryPoint;
        }
    } catch (...) {
        Unmap();
        throw;
    }
}

void TDLLLoader::BindImports()
{
    TModuleImage image = MappedView(image_);
    HMODULE handle = nullptr;
    Walking([&] {
        BindModuleImports(
            image_, image.Size(), OwnKind,
            [&](const char* library) {
                handle = LoadLibraryA(library);
                if (handle)
                    libraries_.push_back(handle);
            },
            [&](const char* library, const char* function, uint16_t ordinal) {
                if (!function)
                    function = MAKEINTRESOURCEA(ordinal);
                void* address = ResolveImport(library, function);
                if (!address && handle)
                    address = reinterpret_cast<void*>(GetProcAddress(handle, function));
                return uint64_t(reinterpret_cast<uintptr_t>(address));
            });
    });
}

void TDLLLoader::RegisterUnwindTable()
{
#ifdef _WIN64
    // x64 code unwinds (C++ exceptions, SEH) through the image's function
    // table, which the system knows only of the modules it loaded itself.
    size_t offset = 0;
    size_t count = 0;
    if (!Walking([&] { return FindModuleFunctionTable(MappedView(image_), offset, count); }))
        return;
    auto* table = reinterpret_cast<RUNTIME_FUNCTION*>(image_ + offset);
    if (!RtlAddFunctionTable(table, DWORD(count), reinterpret_cast<DWORD64>(image_)))
        throw EDLLLoadError(EModuleImageDamaged().what());
    unwindTable_ = table;
#endif
}

void TDLLLoader::Unmap()
{
#ifdef _WIN64
    if (unwindTable_)
        RtlDeleteFunctionTable(static_cast<RUNTIME_FUNCTION*>(unwindTable_));
    unwindTable_ = nullptr;
#endif
    for (HMODULE library : libraries_)
        FreeLibrary(library);
    libraries_.clear();
    ForgetMappedImage(image_);
    VirtualFree(image_, 0, MEM_RELEASE);
    image_ = nullptr;
    entry_ = nullptr;
}

void* TDLLLoader::ResolveImport(const char*, const char*)
{
    return nullptr;
}

void* TDLLLoader::FindExport(const char* name) const
{
    try {
        const uint32_t rva = FindModuleExport(MappedView(image_),
                                              [&](const char* exported) { return lstrcmpA(exported, name) == 0; });
        return rva ? image_ + rva : nullptr;
    } catch (const EModuleImageDamaged&) {
        return nullptr;
    }
}

// ---- TPlayerModuleLoader ----

TPlayerModuleLoader::TPlayerModuleLoader(TStream& stream)
{
    Map(stream);
}

void* TPlayerModuleLoader::ResolveImport(const char*, const char* function)
{
    return PlayerImportBinding(function);
}

// ---- Providers ----

TPlayerCodeProviderBasedOnStream::TPlayerCodeProviderBasedOnStream(TStream* stream)
{
    if (stream)
        LoadFrom(*stream);
}

void TPlayerCodeProviderBasedOnStream::LoadFrom(TStream& stream)
{
    // A module that cannot be mapped leaves a provider that creates nothing;
    // the control that asks for an instance reports the failure.
    // std::exception too: a huge module file ends in std::bad_alloc.
    try {
        loader_ = std::make_unique<TPlayerModuleLoader>(stream);
    } catch (const std::exception&) {
        return;
    }
    getClassObject_ = reinterpret_cast<TGetClassObject>(loader_->FindExport("DllGetClassObject"));
    version_ = GetImageVersion(loader_->ImageBase());
}

HRESULT TPlayerCodeProviderBasedOnStream::CreateInstance(REFIID riid, void** obj)
{
    if (!obj)
        return E_POINTER;
    *obj = nullptr;
    if (!getClassObject_)
        return E_FAIL;
    IClassFactory* factory = nullptr;
    if (getClassObject_(PlayerClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK || !factory)
        return E_FAIL;
    HRESULT result = factory->CreateInstance(nullptr, riid, obj);
    factory->Release();
    if (FAILED(result))
        *obj = nullptr;
    return result;
}

TPlayerCodeProviderBasedOnSystemInstalledOCX::TPlayerCodeProviderBasedOnSystemInstalledOCX()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, PlayerRegistryKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char path[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    DWORD type = 0;
    LONG read = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    THandleStream stream(file);
    LoadFrom(stream);
    CloseHandle(file);
}

// ---- The process's provider ----

namespace {

std::unique_ptr<TPlayerCodeProvider>& GlobalProvider()
{
    static std::unique_ptr<TPlayerCodeProvider> provider;
    return provider;
}

}

TPlayerCodeProvider& PlayerCodeProvider()
{
    std::unique_ptr<TPlayerCodeProvider>& provider = GlobalProvider();
    if (!provider)
        provider = std::make_unique<TPlayerCodeProviderBasedOnSystemInstalledOCX>();
    return *provider;
}

void LoadPlayerCodeFromStream(TStream& stream)
{
    std::unique_ptr<TPlayerCodeProvider>& provider = GlobalProvider();
    // The old module detaches before the new one attaches.
    provider.reset();
    provider = std::make_unique<TPlayerCodeProviderBasedOnStream>(&stream);
}

void LoadPlayerCodeFromResource(HINSTANCE instance)
{
    TResourceStream stream(instance, "FlashOCXCode", "BIN");
    LoadPlayerCodeFromStream(stream);
}

// ---- Resources ----

namespace {

// A resource type or name: a MAKEINTRESOURCE number, or a text that an
// entry's name matches in the system's code page.
TModuleResourceKey ResourceKey(const char* key)
{
    TModuleResourceKey resourceKey;
    resourceKey.ByNumber = IS_INTRESOURCE(key);
    if (resourceKey.ByNumber) {
        resourceKey.Number = LOWORD(reinterpret_cast<uintptr_t>(key));
        return resourceKey;
    }
    resourceKey.Matches = [key](const char16_t* text, size_t length) {
        const auto* wide = reinterpret_cast<const wchar_t*>(text);
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide, int(length), nullptr, 0, nullptr, nullptr);
        std::string name(bytes, '\0');
        WideCharToMultiByte(CP_ACP, 0, wide, int(length), name.data(), bytes, nullptr, nullptr);
        return name == key;
    };
    return resourceKey;
}

}

bool FindImageResource(const void* image, const char* type, const char* name, void*& data, DWORD& size)
{
    TModuleImage view = MappedView(image);
    const uint16_t languages[] = {LOWORD(GetThreadLocale()), LOWORD(GetSystemDefaultLCID()),
                                  LOWORD(GetUserDefaultLCID()), 0, 1033};
    size_t offset = 0;
    size_t found = 0;
    try {
        if (!FindModuleResource(view, ResourceKey(type), ResourceKey(name), languages, std::size(languages), offset, found))
            return false;
    } catch (const EModuleImageDamaged&) {
        return false;
    }
    data = const_cast<BYTE*>(view.Base()) + offset;
    size = DWORD(found);
    return true;
}

uint32_t GetImageVersion(const void* image)
{
    void* data = nullptr;
    DWORD size = 0;
    if (!FindImageResource(image, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), data, size))
        return 0;
    return ModuleVersionOfResource(static_cast<const BYTE*>(data), size);
}

// ---- The end of the process's provider ----

void ReleasePlayerCode()
{
    GlobalProvider().reset();
}
