#include "ModuleImage.h"

#include <algorithm>

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr size_t kDosHeaderSize = 64;
constexpr size_t kLfanewOffset = 0x3C;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kOptionalOffset = 4 + kFileHeaderSize;
constexpr unsigned kDirectoryCount = 16;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kRelocationBlockSize = 8;
constexpr uint16_t kRelocsStripped = 0x0001;
constexpr unsigned kRelocationAbsolute = 0;
constexpr size_t kImportDescriptorSize = 20;
constexpr size_t kExportDirectorySize = 40;
constexpr size_t kResourceDirectorySize = 16;
constexpr size_t kResourceEntrySize = 8;
constexpr size_t kResourceDataEntrySize = 8;
constexpr uint32_t kHighBit = 0x80000000;
constexpr size_t kFixedFileInfoSize = 52;
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
// The version resource's head: three words and "VS_VERSION_INFO" in UTF-16.
constexpr size_t kVersionHeadSize = 38;

bool Is64(const TModuleKind& kind)
{
    return kind.PointerSize == 8;
}

template <class T>
T Require(T pointer)
{
    if (!pointer) throw EModuleImageDamaged();
    return pointer;
}

uint64_t ReadPointer(const TModuleImage& image, size_t offset)
{
    return Is64(image.Kind()) ? image.Read<uint64_t>(offset) : image.Read<uint32_t>(offset);
}

// A pointer-sized slot of a mapped image, else EModuleImageDamaged.
void WritePointer(uint8_t* image, const TModuleImage& view, size_t offset, uint64_t value)
{
    const size_t bytes = view.Kind().PointerSize;
    Require(view.Get(offset, 1, bytes));
    if (bytes == 8) {
        std::memcpy(image + offset, &value, 8);
    } else {
        const auto narrow = static_cast<uint32_t>(value);
        std::memcpy(image + offset, &narrow, 4);
    }
}

// The data field of the entry of a resource directory that stands for Key:
// a number matches an id entry, a name a named entry it matches.
bool FindResourceEntry(const TModuleImage& resources, size_t directoryOffset, const TModuleResourceKey& key,
                       uint32_t& entryData)
{
    if (!resources.Get(directoryOffset, 1, kResourceDirectorySize)) return false;
    const size_t count = size_t(resources.Read<uint16_t>(directoryOffset + 12)) +
                         resources.Read<uint16_t>(directoryOffset + 14);
    const size_t first = directoryOffset + kResourceDirectorySize;
    if (!resources.Get(first, count, kResourceEntrySize)) return false;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t name = resources.Read<uint32_t>(first + i * kResourceEntrySize);
        const bool named = name & kHighBit;
        bool found = false;
        if (key.ByNumber) {
            found = !named && uint16_t(name) == key.Number;
        } else if (named) {
            const size_t nameOffset = name & ~kHighBit;
            const uint8_t* length = resources.Get(nameOffset, 1, sizeof(uint16_t));
            const uint16_t characters = length ? resources.Read<uint16_t>(nameOffset) : 0;
            const uint8_t* text = length ? resources.Get(nameOffset + sizeof(uint16_t), characters, sizeof(char16_t)) : nullptr;
            if (text) {
                // The text may lie at any byte: the key compares a copy.
                std::u16string copy(characters, u'\0');
                std::memcpy(copy.data(), text, characters * sizeof(char16_t));
                found = key.Matches(copy.data(), characters);
            }
        }
        if (found) {
            entryData = resources.Read<uint32_t>(first + i * kResourceEntrySize + 4);
            return true;
        }
    }
    return false;
}

// The subdirectory an entry leads to, as an offset in the resource section.
bool Subdirectory(const TModuleImage& resources, size_t directoryOffset, const TModuleResourceKey& key,
                  size_t& offset)
{
    uint32_t data = 0;
    if (!FindResourceEntry(resources, directoryOffset, key, data) || !(data & kHighBit)) return false;
    offset = data & ~kHighBit;
    return true;
}

bool FindResourceInLanguage(const TModuleImage& image, const TModuleImage& resources, const TModuleResourceKey& type,
                            const TModuleResourceKey& name, uint16_t language, size_t& offset, size_t& size)
{
    size_t typeDirectory = 0;
    size_t nameDirectory = 0;
    if (!Subdirectory(resources, 0, type, typeDirectory) || !Subdirectory(resources, typeDirectory, name, nameDirectory))
        return false;
    TModuleResourceKey languageKey;
    languageKey.Number = language;
    uint32_t data = 0;
    if (!FindResourceEntry(resources, nameDirectory, languageKey, data) || (data & kHighBit)) return false;
    if (!resources.Get(data, 1, kResourceDataEntrySize)) return false;
    const uint32_t dataOffset = resources.Read<uint32_t>(data);
    const uint32_t dataSize = resources.Read<uint32_t>(data + 4);
    if (!image.Get(dataOffset, dataSize, 1)) return false;
    offset = dataOffset;
    size = dataSize;
    return true;
}

}

const char* TModuleImage::String(size_t offset) const
{
    if (offset >= size_ || !std::memchr(base_ + offset, 0, size_ - offset)) return nullptr;
    return reinterpret_cast<const char*>(base_ + offset);
}

bool TModuleImage::Headers(TModuleHeaders& headers) const
{
    if (!Has(kLfanewOffset, sizeof(int32_t))) return false;
    const int32_t lfanew = Read<int32_t>(kLfanewOffset);
    if (lfanew < 0 || !Has(size_t(lfanew), kind_.NtHeadersSize)) return false;
    const size_t nt = size_t(lfanew);
    const size_t optional = nt + kOptionalOffset;
    headers.NtOffset = nt;
    headers.Machine = Read<uint16_t>(nt + 4);
    headers.NumberOfSections = Read<uint16_t>(nt + 6);
    headers.SizeOfOptionalHeader = Read<uint16_t>(nt + 20);
    headers.Characteristics = Read<uint16_t>(nt + 22);
    headers.OptionalMagic = Read<uint16_t>(optional);
    headers.AddressOfEntryPoint = Read<uint32_t>(optional + 16);
    headers.ImageBase = Is64(kind_) ? Read<uint64_t>(optional + 24) : Read<uint32_t>(optional + 28);
    headers.SizeOfImage = Read<uint32_t>(optional + 56);
    headers.SizeOfHeaders = Read<uint32_t>(optional + 60);
    return true;
}

bool TModuleImage::Directory(unsigned index, TModuleDirectory& directory) const
{
    TModuleHeaders headers;
    if (!Headers(headers)) return false;
    const size_t optional = headers.NtOffset + kOptionalOffset;
    const uint32_t declared = Read<uint32_t>(optional + (Is64(kind_) ? 108 : 92));
    if (index >= declared || index >= kDirectoryCount) return false;
    const size_t at = optional + (Is64(kind_) ? 112 : 96) + index * 8;
    directory.VirtualAddress = Read<uint32_t>(at);
    directory.Size = Read<uint32_t>(at + 4);
    return directory.VirtualAddress != 0 && directory.Size != 0;
}

TModuleHeaders ValidModuleHeaders(const TModuleImage& file)
{
    Require(file.Get(0, 1, kDosHeaderSize));
    TModuleHeaders headers;
    if (!file.Headers(headers)) throw EModuleImageDamaged();
    const TModuleKind& kind = file.Kind();
    if (file.Read<uint16_t>(0) != kDosSignature || file.Read<uint32_t>(headers.NtOffset) != kNtSignature ||
        headers.Machine != kind.Machine || headers.OptionalMagic != kind.OptionalMagic || headers.SizeOfImage == 0 ||
        headers.NtOffset + kind.NtHeadersSize > headers.SizeOfHeaders || headers.SizeOfHeaders > headers.SizeOfImage ||
        headers.SizeOfHeaders > file.Size())
        throw EModuleImageDamaged();
    return headers;
}

void CopyModuleSections(const TModuleImage& file, const TModuleHeaders& headers, uint8_t* image)
{
    const TModuleImage mapped(image, headers.SizeOfImage, file.Kind());
    std::memcpy(image, file.Base(), headers.SizeOfHeaders);
    const size_t first = headers.NtOffset + kOptionalOffset + headers.SizeOfOptionalHeader;
    Require(file.Get(first, headers.NumberOfSections, kSectionHeaderSize));
    for (size_t i = 0; i < headers.NumberOfSections; ++i) {
        const size_t at = first + i * kSectionHeaderSize;
        const uint32_t virtualSize = file.Read<uint32_t>(at + 8);
        const uint32_t virtualAddress = file.Read<uint32_t>(at + 12);
        const uint32_t rawSize = file.Read<uint32_t>(at + 16);
        const uint32_t rawOffset = file.Read<uint32_t>(at + 20);
        // The mapped headers must stay as they are: the image is read through them.
        if (virtualSize && virtualAddress < headers.SizeOfHeaders) throw EModuleImageDamaged();
        Require(mapped.Get(virtualAddress, virtualSize, 1));
        std::memset(image + virtualAddress, 0, virtualSize);
        const uint32_t copied = std::min(virtualSize, rawSize);
        if (copied) std::memcpy(image + virtualAddress, Require(file.Get(rawOffset, copied, 1)), copied);
    }
}

void RelocateModule(uint8_t* image, size_t size, const TModuleKind& kind, uint64_t delta)
{
    const TModuleImage view(image, size, kind);
    TModuleHeaders headers;
    if (!view.Headers(headers)) throw EModuleImageDamaged();
    TModuleDirectory directory;
    if (!view.Directory(kDirectoryBaseReloc, directory)) {
        if (delta != 0 && (headers.Characteristics & kRelocsStripped)) throw EModuleImageDamaged();
        return;
    }
    for (uint32_t done = 0; done < directory.Size;) {
        const uint32_t blockAt = directory.VirtualAddress + done;
        Require(view.Get(blockAt, 1, kRelocationBlockSize));
        const uint32_t blockAddress = view.Read<uint32_t>(blockAt);
        const uint32_t blockSize = view.Read<uint32_t>(blockAt + 4);
        if (blockSize < kRelocationBlockSize || blockSize > directory.Size - done) throw EModuleImageDamaged();
        const size_t count = (blockSize - kRelocationBlockSize) / sizeof(uint16_t);
        const size_t entries = size_t(blockAt) + kRelocationBlockSize;
        Require(view.Get(entries, count, sizeof(uint16_t)));
        for (size_t i = 0; i < count; ++i) {
            const uint16_t entry = view.Read<uint16_t>(entries + i * sizeof(uint16_t));
            const unsigned type = entry >> 12;
            if (type == kind.PointerRelocation) {
                const size_t slot = size_t(blockAddress) + (entry & 0xFFF);
                WritePointer(image, view, slot, ReadPointer(view, slot) + delta);
            } else if (type != kRelocationAbsolute) {
                throw EModuleImageDamaged();  // nothing a module of this machine needs: the image is not what it claims
            }
        }
        done += blockSize;
    }
}

void BindModuleImports(uint8_t* image, size_t size, const TModuleKind& kind, const TModuleLibraryEvent& library,
                       const TModuleImportResolver& resolve)
{
    const TModuleImage view(image, size, kind);
    TModuleDirectory directory;
    if (!view.Directory(kDirectoryImport, directory)) return;
    const uint64_t byOrdinal = uint64_t{1} << (kind.PointerSize * 8 - 1);
    for (size_t at = directory.VirtualAddress;; at += kImportDescriptorSize) {
        Require(view.Get(at, 1, kImportDescriptorSize));
        const uint32_t originalFirstThunk = view.Read<uint32_t>(at);
        const uint32_t name = view.Read<uint32_t>(at + 12);
        const uint32_t firstThunk = view.Read<uint32_t>(at + 16);
        if (name == 0) break;
        const char* libraryName = Require(view.String(name));
        library(libraryName);
        const uint32_t lookup = originalFirstThunk ? originalFirstThunk : firstThunk;
        for (size_t index = 0;; ++index) {
            // Thunks are pointer-sized: 32 bits in a PE32 image, 64 in a PE32+ one.
            const uint64_t entry = ReadPointer(view, lookup + index * kind.PointerSize);
            const size_t slot = firstThunk + index * kind.PointerSize;
            Require(view.Get(slot, 1, kind.PointerSize));
            if (entry == 0) break;
            const uint64_t address = entry & byOrdinal
                                         ? resolve(libraryName, nullptr, uint16_t(entry))
                                         : resolve(libraryName, Require(view.String(size_t(uint32_t(entry)) + sizeof(uint16_t))), 0);
            WritePointer(image, view, slot, address);
        }
    }
}

bool FindModuleFunctionTable(const TModuleImage& image, size_t& offset, size_t& count)
{
    TModuleDirectory directory;
    if (!image.Directory(kDirectoryException, directory)) return false;
    count = directory.Size / kRuntimeFunctionSize;
    Require(image.Get(directory.VirtualAddress, count, kRuntimeFunctionSize));
    offset = directory.VirtualAddress;
    return true;
}

uint32_t FindModuleExport(const TModuleImage& image, const std::function<bool(const char* name)>& matches)
{
    TModuleDirectory directory;
    if (!image.Directory(kDirectoryExport, directory) || !image.Get(directory.VirtualAddress, 1, kExportDirectorySize))
        return 0;
    const size_t at = directory.VirtualAddress;
    const uint32_t functionCount = image.Read<uint32_t>(at + 20);
    const uint32_t nameCount = image.Read<uint32_t>(at + 24);
    const uint32_t functions = image.Read<uint32_t>(at + 28);
    const uint32_t names = image.Read<uint32_t>(at + 32);
    const uint32_t ordinals = image.Read<uint32_t>(at + 36);
    if (!image.Get(names, nameCount, sizeof(uint32_t)) || !image.Get(ordinals, nameCount, sizeof(uint16_t)) ||
        !image.Get(functions, functionCount, sizeof(uint32_t)))
        return 0;
    for (uint32_t index = 0; index < nameCount; ++index) {
        const char* exported = image.String(image.Read<uint32_t>(names + size_t(index) * sizeof(uint32_t)));
        if (!exported || !matches(exported)) continue;
        const uint16_t ordinal = image.Read<uint16_t>(ordinals + size_t(index) * sizeof(uint16_t));
        if (ordinal >= functionCount) return 0;
        const uint32_t rva = image.Read<uint32_t>(functions + size_t(ordinal) * sizeof(uint32_t));
        const bool forwarded = rva >= directory.VirtualAddress && rva - directory.VirtualAddress < directory.Size;
        return forwarded || !image.Get(rva, 1, 1) ? 0 : rva;
    }
    return 0;
}

bool FindModuleResource(const TModuleImage& image, const TModuleResourceKey& type, const TModuleResourceKey& name,
                        const uint16_t* languages, size_t languageCount, size_t& offset, size_t& size)
{
    TModuleDirectory directory;
    if (!image.Directory(kDirectoryResource, directory)) return false;
    const uint8_t* section = image.Get(directory.VirtualAddress, directory.Size, 1);
    if (!section) return false;
    const TModuleImage resources(section, directory.Size, image.Kind());
    for (size_t i = 0; i < languageCount; ++i)
        if (FindResourceInLanguage(image, resources, type, name, languages[i], offset, size)) return true;
    return false;
}

uint32_t ModuleVersionOfResource(const uint8_t* data, size_t size)
{
    const TModuleImage version(data, size, kModuleX86);
    // The fixed part follows the head and the zero words that align it.
    size_t at = kVersionHeadSize;
    while (version.Has(at, sizeof(uint16_t)) && version.Read<uint16_t>(at) == 0) at += sizeof(uint16_t);
    if (!version.Has(at, kFixedFileInfoSize) || version.Read<uint32_t>(at) != kFixedFileInfoSignature) return 0;
    const uint32_t high = version.Read<uint32_t>(at + 16);
    const uint32_t low = version.Read<uint32_t>(at + 20);
    return ((high >> 16) << 24) + ((high & 0xFFFF) << 16) + ((low >> 16) << 8) + (low & 0xFFFF);
}
