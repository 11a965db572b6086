#pragma once
// The walks over a module image (PE32 or PE32+) that the player loader maps
// by: its headers, sections, base relocations, imports, exports, function
// table and resources, in the file and in the mapped copy. Every read goes
// through checks: whatever the headers claim, no walk leaves the bytes that
// are there. Free of any system header, so that it runs, and is fuzzed,
// anywhere; the loader keeps only the system's part (memory, libraries,
// the entry point).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>

// The machine an image must be built for, and what that decides.
struct TModuleKind {
    uint16_t Machine;
    uint16_t OptionalMagic;
    size_t PointerSize;          // of import thunks and relocated pointers
    unsigned PointerRelocation;  // the base relocation type of a pointer
    size_t NtHeadersSize;        // signature, file header, whole optional header
};
constexpr TModuleKind kModuleX86{0x014C, 0x010B, 4, 3, 248};
constexpr TModuleKind kModuleX64{0x8664, 0x020B, 8, 10, 264};

constexpr unsigned kDirectoryExport = 0;
constexpr unsigned kDirectoryImport = 1;
constexpr unsigned kDirectoryResource = 2;
constexpr unsigned kDirectoryException = 3;
constexpr unsigned kDirectoryBaseReloc = 5;
constexpr size_t kRuntimeFunctionSize = 12;

// Raised by a walk that meets damaged headers or tables.
class EModuleImageDamaged : public std::runtime_error {
public:
    EModuleImageDamaged() : std::runtime_error("The module image is damaged") {}
};

struct TModuleDirectory {
    uint32_t VirtualAddress = 0;
    uint32_t Size = 0;
};

// The header fields the walks need.
struct TModuleHeaders {
    size_t NtOffset = 0;
    uint16_t Machine = 0;
    uint16_t NumberOfSections = 0;
    uint16_t SizeOfOptionalHeader = 0;
    uint16_t Characteristics = 0;
    uint16_t OptionalMagic = 0;
    uint32_t AddressOfEntryPoint = 0;
    uint64_t ImageBase = 0;
    uint32_t SizeOfImage = 0;
    uint32_t SizeOfHeaders = 0;
};

// Bytes of an image, file or mapped, read only through checks.
class TModuleImage {
public:
    TModuleImage(const uint8_t* base, size_t size, const TModuleKind& kind) : base_(base), size_(size), kind_(kind) {}

    const uint8_t* Base() const { return base_; }
    size_t Size() const { return size_; }
    const TModuleKind& Kind() const { return kind_; }

    // Count items of ItemSize at Offset, or nullptr when they do not all lie inside.
    const uint8_t* Get(size_t offset, size_t count, size_t itemSize) const
    {
        if (offset > size_ || count > (size_ - offset) / itemSize) return nullptr;
        return base_ + offset;
    }
    bool Has(size_t offset, size_t bytes) const { return Get(offset, 1, bytes ? bytes : 1) != nullptr; }
    // A little-endian field that lies inside, else EModuleImageDamaged.
    template <class T>
    T Read(size_t offset) const
    {
        if (!Has(offset, sizeof(T))) throw EModuleImageDamaged();
        T value;
        std::memcpy(&value, base_ + offset, sizeof value);
        return value;
    }
    // A text that ends inside the bytes, or nullptr.
    const char* String(size_t offset) const;
    // The headers, when the whole of them lies inside; no field is checked.
    bool Headers(TModuleHeaders& headers) const;
    // A data directory the headers declare with an address and a size.
    // Where it points is not checked: its contents are read through Get.
    bool Directory(unsigned index, TModuleDirectory& directory) const;

private:
    const uint8_t* base_;
    size_t size_;
    TModuleKind kind_;
};

// The headers of an image file that a process of Kind can map, else
// EModuleImageDamaged.
TModuleHeaders ValidModuleHeaders(const TModuleImage& file);

// Fills the mapped image (Image, its SizeOfImage bytes, zeroed) from the
// file: the headers, then each section.
void CopyModuleSections(const TModuleImage& file, const TModuleHeaders& headers, uint8_t* image);

// Applies the base relocations of a mapped image that lands Delta away from
// its preferred base.
void RelocateModule(uint8_t* image, size_t size, const TModuleKind& kind, uint64_t delta);

// For each imported function of a mapped image: Library once per library
// first, then Resolve for its functions, whose answer goes into the
// function's slot. Function is a name, or null with an ordinal.
using TModuleLibraryEvent = std::function<void(const char* library)>;
using TModuleImportResolver = std::function<uint64_t(const char* library, const char* function, uint16_t ordinal)>;
void BindModuleImports(uint8_t* image, size_t size, const TModuleKind& kind, const TModuleLibraryEvent& library,
                       const TModuleImportResolver& resolve);

// The function table of an image (x64 unwinding): offset and count of its
// entries; False when the image has none, EModuleImageDamaged when it lies
// outside.
bool FindModuleFunctionTable(const TModuleImage& image, size_t& offset, size_t& count);

// The image offset of the first export whose name Matches; 0 when there is
// none, it is forwarded or it lies outside.
uint32_t FindModuleExport(const TModuleImage& image, const std::function<bool(const char* name)>& matches);

// A key of the resource directory: a number, or a name that Matches
// compares with an entry's UTF-16 text.
struct TModuleResourceKey {
    bool ByNumber = true;
    uint16_t Number = 0;
    std::function<bool(const char16_t* text, size_t length)> Matches;
};

// The image offset and size of a resource of that type and name in the
// first of Languages that has it.
bool FindModuleResource(const TModuleImage& image, const TModuleResourceKey& type, const TModuleResourceKey& name,
                        const uint16_t* languages, size_t languageCount, size_t& offset, size_t& size);

// The product version in Size bytes of a version resource: major << 24 +
// minor << 16 + build << 8 + revision; 0 when it holds no fixed part.
uint32_t ModuleVersionOfResource(const uint8_t* data, size_t size);
