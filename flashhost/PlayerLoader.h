#pragma once
// The player control's module, mapped into the program's own memory from a
// stream instead of being loaded by the system, and the providers that hand
// out instances of the control from such an image.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "Persistent.h"
#include "Streams.h"

// A module image of the process's own machine (PE32 in the x86 build, PE32+
// in the x64 one) mapped from a stream: relocated to wherever it lands,
// its imports bound, its entry point attached. A stream that holds no usable
// image (damaged headers or tables, a walk that would leave the image) raises
// EDLLLoadError; nothing of the image stays mapped then.
class TDLLLoader : public TObject {
public:
    // Maps the image with the base resolver, which binds nothing itself.
    explicit TDLLLoader(TStream& stream);
    // Detaches the entry point, frees the imported libraries, releases the image.
    ~TDLLLoader() override;
    TDLLLoader(const TDLLLoader&) = delete;
    TDLLLoader& operator=(const TDLLLoader&) = delete;

    std::string ClassName() const override { return "TDLLLoader"; }

    // The export of that name (case-sensitive), or nullptr.
    void* FindExport(const char* name) const;
    BYTE* ImageBase() const { return image_; }

protected:
    // For descendants with their own resolver: they map in their constructor,
    // once their override is in place.
    TDLLLoader() = default;
    void Map(TStream& stream);

    // Asked for every import before the library's own export is taken.
    // Function is a name, or an ordinal in a pointer whose high word is zero.
    // nullptr lets the library's export stand.
    virtual void* ResolveImport(const char* library, const char* function);

private:
    void BindImports();
    void RegisterUnwindTable();
    void Unmap();

    using TEntryPoint = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

    BYTE* image_ = nullptr;
    TEntryPoint entry_ = nullptr;  // set once the module has attached
    void* unwindTable_ = nullptr;  // x64: the function table registered for the image
    std::vector<HMODULE> libraries_;
};

// The player's module: 21 of its imports go to the program's bindings.
class TPlayerModuleLoader : public TDLLLoader {
public:
    explicit TPlayerModuleLoader(TStream& stream);
    std::string ClassName() const override { return "TPlayerModuleLoader"; }

protected:
    void* ResolveImport(const char* library, const char* function) override;
};

// Where player controls come from: one provider per process.
class TPlayerCodeProvider : public TObject {
public:
    std::string ClassName() const override { return "TPlayerCodeProvider"; }

    // A new control answering riid, or a failure with *obj cleared.
    virtual HRESULT CreateInstance(REFIID riid, void** obj) = 0;
    // The mapped module's product version: major << 24 + minor << 16 +
    // build << 8 + revision; 0 when unknown.
    virtual uint32_t GetVersion() { return 0; }
};

// A provider over a module image read from a stream. A stream without a usable
// image (or no stream at all) gives a provider that creates nothing.
class TPlayerCodeProviderBasedOnStream : public TPlayerCodeProvider {
public:
    // The stream is read during the call; the caller keeps it.
    explicit TPlayerCodeProviderBasedOnStream(TStream* stream);
    std::string ClassName() const override { return "TPlayerCodeProviderBasedOnStream"; }

    // E_FAIL without an image; otherwise what the module's class factory answers.
    HRESULT CreateInstance(REFIID riid, void** obj) override;
    uint32_t GetVersion() override { return version_; }

protected:
    TPlayerCodeProviderBasedOnStream() = default;
    void LoadFrom(TStream& stream);

private:
    using TGetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

    std::unique_ptr<TPlayerModuleLoader> loader_;
    TGetClassObject getClassObject_ = nullptr;
    uint32_t version_ = 0;
};

// A provider over the module file registered with the system for the
// player's class (HKEY_CLASSES_ROOT), or without image when none is.
class TPlayerCodeProviderBasedOnSystemInstalledOCX : public TPlayerCodeProviderBasedOnStream {
public:
    TPlayerCodeProviderBasedOnSystemInstalledOCX();
    std::string ClassName() const override { return "TPlayerCodeProviderBasedOnSystemInstalledOCX"; }
};

// The process's provider: the system's registered player module until
// LoadPlayerCodeFromStream replaces it.
TPlayerCodeProvider& PlayerCodeProvider();
// Unmaps the current provider's module and makes one over Stream the process's
// provider. The stream is read during the call; the caller keeps it.
void LoadPlayerCodeFromStream(TStream& stream);
// The same for the module stored in Instance's resources as "BIN"/"FlashOCXCode";
// raises EResNotFound when it is not there.
void LoadPlayerCodeFromResource(HINSTANCE instance);

// A resource of a mapped image, in the first of these languages that has it:
// the thread's, the system's default, the user's default, neutral, 1033.
// Type and name are texts (case-sensitive) or MAKEINTRESOURCE numbers.
bool FindImageResource(const void* image, const char* type, const char* name, void*& data, DWORD& size);
// The image's product version as GetVersion answers it; 0 without a version resource.
uint32_t GetImageVersion(const void* image);
