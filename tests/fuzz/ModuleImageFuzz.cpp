// Any bytes as the player's module file, for a process of either machine:
// the loader's walks must map, relocate and bind it, find its function
// table, export and version, or refuse it as damaged, never reading or
// writing outside the file or the mapped image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ModuleImage.h"

namespace {

// Images that claim more are mapped by the system's allocation, which
// answers for itself; the walks meet nothing new in them.
constexpr uint32_t kLargestImage = 1 << 18;

volatile uint64_t sink;

void Map(const uint8_t* data, size_t size, const TModuleKind& kind)
{
    const TModuleImage file(data, size, kind);
    const TModuleHeaders headers = ValidModuleHeaders(file);
    if (headers.SizeOfImage > kLargestImage) return;
    std::vector<uint8_t> bytes(headers.SizeOfImage);
    uint8_t* image = bytes.data();
    CopyModuleSections(file, headers, image);
    const TModuleImage mapped(image, bytes.size(), kind);
    TModuleHeaders read;
    if (!mapped.Headers(read)) throw EModuleImageDamaged();
    RelocateModule(image, bytes.size(), kind, reinterpret_cast<uintptr_t>(image) - read.ImageBase);
    // The system's libraries stand for themselves: each function is bound
    // to an address made from what names it.
    BindModuleImports(
        image, bytes.size(), kind, [](const char* library) { sink = std::strlen(library); },
        [](const char* library, const char* function, uint16_t ordinal) {
            return uint64_t(library[0]) << 32 | (function ? std::strlen(function) : ordinal);
        });
    size_t tableOffset = 0, tableCount = 0;
    if (FindModuleFunctionTable(mapped, tableOffset, tableCount) && !mapped.Get(tableOffset, tableCount, kRuntimeFunctionSize))
        std::abort();
    if (read.AddressOfEntryPoint >= bytes.size()) throw EModuleImageDamaged();

    const uint32_t exported = FindModuleExport(mapped, [](const char* name) { return !std::strcmp(name, "DllGetClassObject"); });
    if (exported >= bytes.size()) std::abort();
    TModuleResourceKey version, first;
    version.Number = 16;
    first.Number = 1;
    const uint16_t languages[] = {1033, 0};
    size_t offset = 0, found = 0;
    if (FindModuleResource(mapped, version, first, languages, 2, offset, found)) {
        if (!mapped.Get(offset, found, 1)) std::abort();
        sink = ModuleVersionOfResource(image + offset, found);
    }
    // Resources are found by name as well, as the player's cursors are.
    TModuleResourceKey named;
    named.ByNumber = false;
    named.Matches = [](const char16_t* text, size_t length) { return length == 4 && text[0] == u'B'; };
    if (FindModuleResource(mapped, named, named, languages, 2, offset, found) && !mapped.Get(offset, found, 1))
        std::abort();
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const TModuleKind& kind : {kModuleX86, kModuleX64}) {
        try {
            Map(data, size, kind);
        } catch (const EModuleImageDamaged&) {
        }
    }
    return 0;
}
