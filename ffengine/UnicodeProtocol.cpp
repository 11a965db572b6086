#include "UnicodeProtocol.h"

#include "MyUtils.h"
#include "SysUtils.h"

namespace {

constexpr std::wstring_view Prefix = L"unicode:";

}

std::string WideToUTF8Name(const std::wstring& fileName)
{
    std::wstring_view name = fileName;
    if (name.starts_with(Prefix)) name.remove_prefix(Prefix.size());
    return WideToMultiByte(CP_UTF8, name);
}

std::wstring UTF8ToWideName(const std::string& text)
{
    return MultiByteToWide(CP_UTF8, text);
}
