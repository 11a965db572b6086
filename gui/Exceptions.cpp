#include "Exceptions.h"

void ListIndexError(int index)
{
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

std::string SysErrorMessage(DWORD errorCode)
{
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, errorCode, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message(text ? text : "", n);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

HRESULT OleCheck(HRESULT result)
{
    if (FAILED(result)) {
        std::string message = SysErrorMessage(static_cast<DWORD>(result));
        if (message.empty()) {
            char text[64];
            wsprintfA(text, "OLE error %.8X", static_cast<unsigned>(result));
            message = text;
        }
        throw EOleSysError(message, result);
    }
    return result;
}
