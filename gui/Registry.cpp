#include "Registry.h"

#include "Exceptions.h"

#include <vector>

namespace {

bool IsAbsolute(const std::string& key)
{
    return !key.empty() && key[0] == '\\';
}

[[noreturn]] void RegistryError(const char* what, const std::string& name)
{
    throw ERegistryException(std::string(what) + " '" + name + "'");
}

}

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY rootKey)
{
    if (rootKey == rootKey_) return;
    CloseKey();
    rootKey_ = rootKey;
}

HKEY TRegistry::BaseOf(const std::string& key) const
{
    return IsAbsolute(key) || !currentKey_ ? rootKey_ : currentKey_;
}

std::string TRegistry::SubPathOf(const std::string& key)
{
    return IsAbsolute(key) ? key.substr(1) : key;
}

std::string TRegistry::PathAfterOpening(const std::string& key) const
{
    std::string sub = SubPathOf(key);
    if (IsAbsolute(key) || !currentKey_ || currentPath_.empty()) return sub;
    return sub.empty() ? currentPath_ : currentPath_ + "\\" + sub;
}

bool TRegistry::Open(const std::string& key, bool canCreate, REGSAM access)
{
    HKEY opened = nullptr;
    std::string sub = SubPathOf(key);
    LONG result = canCreate ? RegCreateKeyExA(BaseOf(key), sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                              nullptr, &opened, nullptr)
                            : RegOpenKeyExA(BaseOf(key), sub.c_str(), 0, access, &opened);
    if (result != ERROR_SUCCESS) return false;
    std::string path = PathAfterOpening(key);
    CloseKey();
    currentKey_ = opened;
    currentPath_ = path;
    return true;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    return Open(key, canCreate, Access);
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    return Open(key, false, KEY_READ);
}

void TRegistry::CloseKey()
{
    if (currentKey_) RegCloseKey(currentKey_);
    currentKey_ = nullptr;
    currentPath_.clear();
}

bool TRegistry::KeyExists(const std::string& key) const
{
    HKEY opened;
    if (RegOpenKeyExA(BaseOf(key), SubPathOf(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

bool TRegistry::DeleteKey(const std::string& key)
{
    return RegDeleteTreeA(BaseOf(key), SubPathOf(key).c_str()) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& name) const
{
    DWORD type, size = 0;
    return QueryValue(name, type, nullptr, size);
}

bool TRegistry::DeleteValue(const std::string& name)
{
    return RegDeleteValueA(currentKey_, name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::QueryValue(const std::string& name, DWORD& type, void* data, DWORD& size) const
{
    return RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, static_cast<BYTE*>(data), &size) ==
           ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) const
{
    DWORD type = 0, size = 0;
    if (!QueryValue(name, type, nullptr, size)) return std::string();
    if (type != REG_SZ && type != REG_EXPAND_SZ) RegistryError("Invalid data type for", name);
    std::vector<char> data(size + 1, '\0');
    if (!QueryValue(name, type, data.data(), size)) RegistryError("Failed to get data for", name);
    return std::string(data.data());
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    if (RegSetValueExA(currentKey_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        RegistryError("Failed to set data for", name);
}

int TRegistry::ReadInteger(const std::string& name) const
{
    DWORD type = 0, size = 0;
    if (!QueryValue(name, type, nullptr, size)) RegistryError("Failed to get data for", name);
    if (type != REG_DWORD) RegistryError("Invalid data type for", name);
    DWORD value = 0;
    size = sizeof value;
    if (!QueryValue(name, type, &value, size)) RegistryError("Failed to get data for", name);
    return static_cast<int>(value);
}

void TRegistry::WriteInteger(const std::string& name, int value)
{
    DWORD data = static_cast<DWORD>(value);
    if (RegSetValueExA(currentKey_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) !=
        ERROR_SUCCESS)
        RegistryError("Failed to set data for", name);
}
