#pragma once
// Keys and values of the system registry, one open key at a time.
#include "Persistent.h"

#include <windows.h>

#include <string>

// Key paths beginning with "\" start at the root key; others start at the
// open key, or at the root key when none is open. Registry errors on values
// raise ERegistryException "Failed to get data for '<name>'", "Failed to set
// data for '<name>'" or "Invalid data type for '<name>'".
class TRegistry : public TObject {
public:
    // Access is the rights that OpenKey asks for.
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : Access(access) {}
    ~TRegistry() override;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    std::string ClassName() const override { return "TRegistry"; }

    // HKEY_CURRENT_USER unless set; setting it closes the open key.
    HKEY GetRootKey() const { return rootKey_; }
    void SetRootKey(HKEY rootKey);
    HKEY GetCurrentKey() const { return currentKey_; }
    // The open key's path below the root key, without a leading "\".
    const std::string& GetCurrentPath() const { return currentPath_; }

    // Opening answers whether the key opened; the key open before stays
    // open on failure.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    bool KeyExists(const std::string& key) const;
    // Deletes the key with everything below it.
    bool DeleteKey(const std::string& key);

    // Values of the open key; the name "" is the key's default value.
    bool ValueExists(const std::string& name) const;
    bool DeleteValue(const std::string& name);
    // A missing value reads as "".
    std::string ReadString(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    int ReadInteger(const std::string& name) const;
    void WriteInteger(const std::string& name, int value);

    REGSAM Access;

private:
    // The key a path starts from, and the path below it.
    HKEY BaseOf(const std::string& key) const;
    static std::string SubPathOf(const std::string& key);
    std::string PathAfterOpening(const std::string& key) const;
    bool Open(const std::string& key, bool canCreate, REGSAM access);
    bool QueryValue(const std::string& name, DWORD& type, void* data, DWORD& size) const;

    HKEY rootKey_ = HKEY_CURRENT_USER;
    HKEY currentKey_ = nullptr;
    std::string currentPath_;
};
