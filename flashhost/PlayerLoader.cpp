#include "PlayerLoader.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <span>
#include <string>

#include "Exceptions.h"
#include "PlayerBindings.h"

namespace {

const CLSID PlayerClsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const char PlayerRegistryKey[] = "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}\\InprocServer32";

// Only images of the process's own machine can run in it.
using ImageNtHeaders = IMAGE_NT_HEADERS;
#ifdef _WIN64
constexpr WORD OwnMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr unsigned PointerRelocation = IMAGE_REL_BASED_DIR64;
#else
constexpr WORD OwnMachine = IMAGE_FILE_MACHINE_I386;
constexpr unsigned PointerRelocation = IMAGE_REL_BASED_HIGHLOW;
#endif

// Bytes of an image, read only through checks: whatever the headers claim,
// no walk leaves the bytes that are there.
class TImageView {
public:
    TImageView(const BYTE* base, size_t size) : base_(base), size_(size) {}

    // The image as mapped at Image. The size of an image this loader mapped
    // is the one taken at map time: its headers lie in writable memory that
    // the module's own code can change. A module the system loaded keeps its
    // headers read-only, so its own size stands.
    static TImageView Mapped(const void* image)
    {
        if (!image)
            return {nullptr, 0};
        auto* base = static_cast<const BYTE*>(image);
        if (size_t size = MappedImageSize(image))
            return {base, size};
        auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        auto* nt = reinterpret_cast<const ImageNtHeaders*>(base + dos->e_lfanew);
        return {base, nt->OptionalHeader.SizeOfImage};
    }

    static void RememberMappedImage(const void* image, size_t size)
    {
        std::lock_guard<std::mutex> guard(MappedImagesLock());
        MappedImages()[image] = size;
    }

    static void ForgetMappedImage(const void* image)
    {
        std::lock_guard<std::mutex> guard(MappedImagesLock());
        MappedImages().erase(image);
    }

    // Count objects of T at Offset, or nullptr when they do not all lie inside.
    template <class T>
    const T* Get(size_t offset, size_t count = 1) const
    {
        if (offset > size_ || count > (size_ - offset) / sizeof(T))
            return nullptr;
        return reinterpret_cast<const T*>(base_ + offset);
    }

    // A text that ends inside the bytes, or nullptr.
    const char* String(size_t offset) const
    {
        if (offset >= size_ || !std::memchr(base_ + offset, 0, size_ - offset))
            return nullptr;
        return reinterpret_cast<const char*>(base_ + offset);
    }

    const ImageNtHeaders* NtHeaders() const
    {
        const LONG* offset = Get<LONG>(offsetof(IMAGE_DOS_HEADER, e_lfanew));
        return offset && *offset >= 0 ? Get<ImageNtHeaders>(*offset) : nullptr;
    }

    // A data directory the headers declare, or nullptr. Where it points is
    // not checked: its contents are read through Get like everything else.
    const IMAGE_DATA_DIRECTORY* Directory(unsigned index) const
    {
        const ImageNtHeaders* nt = NtHeaders();
        if (!nt || index >= nt->OptionalHeader.NumberOfRvaAndSizes || index >= IMAGE_NUMBEROF_DIRECTORY_ENTRIES)
            return nullptr;
        const IMAGE_DATA_DIRECTORY* directory = &nt->OptionalHeader.DataDirectory[index];
        return directory->VirtualAddress != 0 && directory->Size != 0 ? directory : nullptr;
    }

    const BYTE* Base() const { return base_; }
    size_t Size() const { return size_; }

private:
    static size_t MappedImageSize(const void* image)
    {
        std::lock_guard<std::mutex> guard(MappedImagesLock());
        auto found = MappedImages().find(image);
        return found == MappedImages().end() ? 0 : found->second;
    }

    // The images of every loader alive, with their sizes at map time. Never
    // destroyed: a loader held by a global is unmapped during static
    // destruction, which may come after this table's own would have.
    static std::map<const void*, size_t>& MappedImages()
    {
        static auto* images = new std::map<const void*, size_t>;
        return *images;
    }

    static std::mutex& MappedImagesLock()
    {
        static auto* lock = new std::mutex;
        return *lock;
    }

    const BYTE* base_;
    size_t size_;
};

[[noreturn]] void Damaged()
{
    throw EDLLLoadError("The module image is damaged");
}

template <class T>
T* Require(T* pointer)
{
    if (!pointer)
        Damaged();
    return pointer;
}

template <class T>
T* Writable(const T* pointer)
{
    return const_cast<T*>(Require(pointer));
}

const ImageNtHeaders& ValidHeaders(const TImageView& file)
{
    const auto& dos = *Require(file.Get<IMAGE_DOS_HEADER>(0));
    const auto& nt = *Require(file.NtHeaders());
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.FileHeader.Machine != OwnMachine || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC ||
        nt.OptionalHeader.SizeOfImage == 0 ||
        size_t(dos.e_lfanew) + sizeof(nt) > nt.OptionalHeader.SizeOfHeaders ||
        nt.OptionalHeader.SizeOfHeaders > nt.OptionalHeader.SizeOfImage ||
        nt.OptionalHeader.SizeOfHeaders > file.Size())
        Damaged();
    return nt;
}

void CopySections(const TImageView& file, const ImageNtHeaders& nt, const TImageView& image)
{
    size_t first = reinterpret_cast<const BYTE*>(&nt.OptionalHeader) - file.Base() + nt.FileHeader.SizeOfOptionalHeader;
    const auto* sections = Require(file.Get<IMAGE_SECTION_HEADER>(first, nt.FileHeader.NumberOfSections));
    for (const IMAGE_SECTION_HEADER& section : std::span(sections, nt.FileHeader.NumberOfSections)) {
        // The mapped headers must stay as they are: the image is read through them.
        if (section.Misc.VirtualSize && section.VirtualAddress < nt.OptionalHeader.SizeOfHeaders)
            Damaged();
        BYTE* target = Writable(image.Get<BYTE>(section.VirtualAddress, section.Misc.VirtualSize));
        std::memset(target, 0, section.Misc.VirtualSize);
        DWORD copied = std::min(section.Misc.VirtualSize, section.SizeOfRawData);
        if (copied)
            std::memcpy(target, Require(file.Get<BYTE>(section.PointerToRawData, copied)), copied);
    }
}

void Relocate(const TImageView& image, const ImageNtHeaders& nt)
{
    uintptr_t delta = reinterpret_cast<uintptr_t>(image.Base()) - uintptr_t(nt.OptionalHeader.ImageBase);
    const IMAGE_DATA_DIRECTORY* directory = image.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC);
    if (!directory) {
        if (delta != 0 && (nt.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED))
            Damaged();
        return;
    }
    for (DWORD done = 0; done < directory->Size;) {
        const auto& block = *Require(image.Get<IMAGE_BASE_RELOCATION>(directory->VirtualAddress + done));
        if (block.SizeOfBlock < sizeof(block) || block.SizeOfBlock > directory->Size - done)
            Damaged();
        size_t count = (block.SizeOfBlock - sizeof(block)) / sizeof(WORD);
        const WORD* entries = Require(image.Get<WORD>(directory->VirtualAddress + done + sizeof(block), count));
        for (WORD entry : std::span(entries, count)) {
            unsigned type = entry >> 12;
            if (type == PointerRelocation)
                *Writable(image.Get<uintptr_t>(size_t(block.VirtualAddress) + (entry & 0xFFF))) += delta;
            else if (type != IMAGE_REL_BASED_ABSOLUTE)
                Damaged();  // nothing a module of this machine needs: the image is not what it claims

        }
        done += block.SizeOfBlock;
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
        Damaged();
    TMemoryStream fileImage;
    fileImage.LoadFromStream(stream);
    TImageView file(static_cast<const BYTE*>(fileImage.Memory()), size_t(fileImage.GetSize()));
    const ImageNtHeaders& nt = ValidHeaders(file);
    DWORD imageSize = nt.OptionalHeader.SizeOfImage;

    image_ = static_cast<BYTE*>(VirtualAlloc(nullptr, imageSize, MEM_RESERVE | MEM_COMMIT, PAGE_EXECUTE_READWRITE));
    if (!image_)
        throw EOutOfMemory("Out of memory");
    TImageView::RememberMappedImage(image_, imageSize);
    try {
        TImageView image(image_, imageSize);
        std::memcpy(image_, file.Base(), nt.OptionalHeader.SizeOfHeaders);
        CopySections(file, nt, image);
        const ImageNtHeaders& mapped = *Require(image.NtHeaders());
        Relocate(image, mapped);
        BindImports();
        RegisterUnwindTable();
        if (mapped.OptionalHeader.AddressOfEntryPoint) {
            auto* entry = Require(image.Get<BYTE>(mapped.OptionalHeader.AddressOfEntryPoint));
            auto* entryPoint = reinterpret_cast<TEntryPoint>(const_cast<BYTE*>(entry));
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
    TImageView image = TImageView::Mapped(image_);
    const IMAGE_DATA_DIRECTORY* directory = image.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (!directory)
        return;
    for (size_t at = directory->VirtualAddress;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto& descriptor = *Require(image.Get<IMAGE_IMPORT_DESCRIPTOR>(at));
        if (descriptor.Name == 0)
            break;
        const char* library = Require(image.String(descriptor.Name));
        HMODULE handle = LoadLibraryA(library);
        if (handle)
            libraries_.push_back(handle);
        DWORD lookup = descriptor.OriginalFirstThunk ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
        for (size_t index = 0;; ++index) {
            // Thunks are pointer-sized: 32 bits in a PE32 image, 64 in a PE32+ one.
            ULONG_PTR entry = *Require(image.Get<ULONG_PTR>(lookup + index * sizeof(ULONG_PTR)));
            ULONG_PTR* slot = Writable(image.Get<ULONG_PTR>(descriptor.FirstThunk + index * sizeof(ULONG_PTR)));
            if (entry == 0)
                break;
            const char* function = IMAGE_SNAP_BY_ORDINAL(entry)
                                       ? MAKEINTRESOURCEA(IMAGE_ORDINAL(entry))
                                       : Require(image.String(size_t(DWORD(entry)) + sizeof(WORD)));
            void* address = ResolveImport(library, function);
            if (!address && handle)
                address = reinterpret_cast<void*>(GetProcAddress(handle, function));
            *slot = reinterpret_cast<ULONG_PTR>(address);
        }
    }
}

void TDLLLoader::RegisterUnwindTable()
{
#ifdef _WIN64
    // x64 code unwinds (C++ exceptions, SEH) through the image's function
    // table, which the system knows only of the modules it loaded itself.
    TImageView image = TImageView::Mapped(image_);
    const IMAGE_DATA_DIRECTORY* directory = image.Directory(IMAGE_DIRECTORY_ENTRY_EXCEPTION);
    if (!directory)
        return;
    DWORD count = directory->Size / sizeof(RUNTIME_FUNCTION);
    auto* table = Writable(image.Get<RUNTIME_FUNCTION>(directory->VirtualAddress, count));
    if (!RtlAddFunctionTable(table, count, reinterpret_cast<DWORD64>(image_)))
        Damaged();
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
    TImageView::ForgetMappedImage(image_);
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
    TImageView image = TImageView::Mapped(image_);
    const IMAGE_DATA_DIRECTORY* directory = image.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (!directory)
        return nullptr;
    const auto* exports = image.Get<IMAGE_EXPORT_DIRECTORY>(directory->VirtualAddress);
    if (!exports)
        return nullptr;
    const DWORD* names = image.Get<DWORD>(exports->AddressOfNames, exports->NumberOfNames);
    const WORD* ordinals = image.Get<WORD>(exports->AddressOfNameOrdinals, exports->NumberOfNames);
    const DWORD* functions = image.Get<DWORD>(exports->AddressOfFunctions, exports->NumberOfFunctions);
    if (!names || !ordinals || !functions)
        return nullptr;
    for (DWORD index = 0; index < exports->NumberOfNames; ++index) {
        const char* exported = image.String(names[index]);
        if (!exported || lstrcmpA(exported, name) != 0)
            continue;
        if (ordinals[index] >= exports->NumberOfFunctions)
            return nullptr;
        DWORD rva = functions[ordinals[index]];
        bool forwarded = rva >= directory->VirtualAddress && rva - directory->VirtualAddress < directory->Size;
        return forwarded || !image.Get<BYTE>(rva) ? nullptr : image_ + rva;
    }
    return nullptr;
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

// The entry of a resource directory that stands for Key: a number matches an
// id entry, a text a named entry with the same text.
const IMAGE_RESOURCE_DIRECTORY_ENTRY* FindResourceEntry(const TImageView& resources, size_t directoryOffset,
                                                        const char* key)
{
    const auto* directory = resources.Get<IMAGE_RESOURCE_DIRECTORY>(directoryOffset);
    if (!directory)
        return nullptr;
    size_t count = size_t(directory->NumberOfNamedEntries) + directory->NumberOfIdEntries;
    const auto* entries = resources.Get<IMAGE_RESOURCE_DIRECTORY_ENTRY>(directoryOffset + sizeof(*directory), count);
    if (!entries)
        return nullptr;
    bool byNumber = IS_INTRESOURCE(key);
    for (const IMAGE_RESOURCE_DIRECTORY_ENTRY& entry : std::span(entries, count)) {
        if (byNumber) {
            if (!entry.NameIsString && entry.Id == LOWORD(reinterpret_cast<uintptr_t>(key)))
                return &entry;
            continue;
        }
        if (!entry.NameIsString)
            continue;
        const WORD* length = resources.Get<WORD>(entry.NameOffset);
        const wchar_t* text = length ? resources.Get<wchar_t>(entry.NameOffset + sizeof(WORD), *length) : nullptr;
        if (!text)
            continue;
        int bytes = WideCharToMultiByte(CP_ACP, 0, text, *length, nullptr, 0, nullptr, nullptr);
        std::string name(bytes, '\0');
        WideCharToMultiByte(CP_ACP, 0, text, *length, name.data(), bytes, nullptr, nullptr);
        if (name == key)
            return &entry;
    }
    return nullptr;
}

// The subdirectory an entry leads to, as an offset in the resource section.
bool Subdirectory(const IMAGE_RESOURCE_DIRECTORY_ENTRY* entry, size_t& offset)
{
    if (!entry || !entry->DataIsDirectory)
        return false;
    offset = entry->OffsetToDirectory;
    return true;
}

bool FindResourceInLanguage(const TImageView& image, const TImageView& resources, const char* type, const char* name,
                            LCID language, void*& data, DWORD& size)
{
    size_t typeDirectory = 0;
    size_t nameDirectory = 0;
    if (!Subdirectory(FindResourceEntry(resources, 0, type), typeDirectory) ||
        !Subdirectory(FindResourceEntry(resources, typeDirectory, name), nameDirectory))
        return false;
    const auto* entry = FindResourceEntry(resources, nameDirectory, MAKEINTRESOURCEA(LOWORD(language)));
    if (!entry || entry->DataIsDirectory)
        return false;
    const auto* dataEntry = resources.Get<IMAGE_RESOURCE_DATA_ENTRY>(entry->OffsetToData);
    if (!dataEntry || !image.Get<BYTE>(dataEntry->OffsetToData, dataEntry->Size))
        return false;
    data = const_cast<BYTE*>(image.Base()) + dataEntry->OffsetToData;
    size = dataEntry->Size;
    return true;
}

}

bool FindImageResource(const void* image, const char* type, const char* name, void*& data, DWORD& size)
{
    TImageView view = TImageView::Mapped(image);
    const IMAGE_DATA_DIRECTORY* directory = view.Directory(IMAGE_DIRECTORY_ENTRY_RESOURCE);
    const BYTE* section = directory ? view.Get<BYTE>(directory->VirtualAddress, directory->Size) : nullptr;
    if (!section)
        return false;
    TImageView resources(section, directory->Size);
    for (LCID language : {GetThreadLocale(), GetSystemDefaultLCID(), GetUserDefaultLCID(), LCID(0), LCID(1033)}) {
        if (FindResourceInLanguage(view, resources, type, name, language, data, size))
            return true;
    }
    return false;
}

uint32_t GetImageVersion(const void* image)
{
    void* data = nullptr;
    DWORD size = 0;
    if (!FindImageResource(image, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), data, size))
        return 0;
    // The fixed part follows the head (three words and the key
    // "VS_VERSION_INFO" in UTF-16) and the zero words that align it.
    TImageView version(static_cast<const BYTE*>(data), size);
    size_t at = 38;
    for (const WORD* word; (word = version.Get<WORD>(at)) && *word == 0;)
        at += sizeof(WORD);
    const auto* fixed = version.Get<VS_FIXEDFILEINFO>(at);
    if (!fixed || fixed->dwSignature != 0xFEEF04BD)
        return 0;
    return (uint32_t(HIWORD(fixed->dwProductVersionMS)) << 24) + (uint32_t(LOWORD(fixed->dwProductVersionMS)) << 16) +
           (uint32_t(HIWORD(fixed->dwProductVersionLS)) << 8) + LOWORD(fixed->dwProductVersionLS);
}

// ---- The end of the process's provider ----

void ReleasePlayerCode()
{
    GlobalProvider().reset();
}
