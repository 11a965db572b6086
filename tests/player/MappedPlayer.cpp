#include "MappedPlayer.h"

#include <gtest/gtest.h>

#include "PlayerLoader.h"
#include "TestSupport.h"

namespace tvmtest {
namespace {

const IID ShockwaveFlashIid = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

}

void MapPlayerFromProgram()
{
    static bool mapped = false;
    if (mapped)
        return;
    std::string program = BinDir() + "tvmpro.exe";
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr) << program;
    LoadPlayerCodeFromResource(image);
    FreeLibrary(image);
    mapped = true;
}

IOleObject* NewPlayerControl()
{
    MapPlayerFromProgram();
    void* control = nullptr;
    EXPECT_EQ(PlayerCodeProvider().CreateInstance(IID_IOleObject, &control), S_OK);
    return static_cast<IOleObject*>(control);
}

RawFlash::RawFlash(IUnknown* control)
{
    EXPECT_EQ(control->QueryInterface(ShockwaveFlashIid, &flash_), S_OK);
}

RawFlash::~RawFlash()
{
    if (flash_)
        static_cast<IUnknown*>(flash_)->Release();
}

long RawFlash::GetLong(int position)
{
    long value = -12345;
    EXPECT_EQ(Call(position, &value), S_OK) << "slot " << position;
    return value;
}

std::wstring RawFlash::GetString(int position)
{
    BSTR value = nullptr;
    EXPECT_EQ(Call(position, &value), S_OK) << "slot " << position;
    std::wstring text = value ? std::wstring(value, SysStringLen(value)) : L"<null>";
    SysFreeString(value);
    return text;
}

HRESULT RawFlash::PutString(int position, const std::wstring& value)
{
    BSTR text = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    HRESULT result = Call(position, text);
    SysFreeString(text);
    return result;
}

}

namespace tvmtest {

std::vector<uint8_t> ProgramResource(const char* type, const char* name)
{
    std::string program = BinDir() + "tvmpro.exe";
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(image, nullptr) << program;
    std::vector<uint8_t> bytes;
    if (HRSRC resource = image ? FindResourceA(image, name, type) : nullptr) {
        auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(image, resource)));
        bytes.assign(data, data + SizeofResource(image, resource));
    }
    if (image)
        FreeLibrary(image);
    return bytes;
}

}
