#pragma once
// The common exception class and the descendants the program raises and
// catches by kind. Every message is fixed English text.
#include <windows.h>

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}

    const std::string& Message() const { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Declares a descendant that takes its parent's constructor.
#define TVM_DECLARE_EXCEPTION(Name, Parent) \
    class Name : public Parent {            \
    public:                                 \
        using Parent::Parent;               \
    }

TVM_DECLARE_EXCEPTION(EConvertError, Exception);
TVM_DECLARE_EXCEPTION(EOutOfMemory, Exception);
TVM_DECLARE_EXCEPTION(EInvalidOperation, Exception);
TVM_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
TVM_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
TVM_DECLARE_EXCEPTION(EListError, Exception);
TVM_DECLARE_EXCEPTION(EBitsError, Exception);
TVM_DECLARE_EXCEPTION(EStringListError, Exception);
TVM_DECLARE_EXCEPTION(EIntfCastError, Exception);
TVM_DECLARE_EXCEPTION(ERangeError, Exception);
TVM_DECLARE_EXCEPTION(EThread, Exception);
TVM_DECLARE_EXCEPTION(EComponentError, Exception);
TVM_DECLARE_EXCEPTION(ERegistryException, Exception);
TVM_DECLARE_EXCEPTION(EStreamError, Exception);
TVM_DECLARE_EXCEPTION(EReadError, EStreamError);
TVM_DECLARE_EXCEPTION(EWriteError, EStreamError);
TVM_DECLARE_EXCEPTION(EFCreateError, EStreamError);
TVM_DECLARE_EXCEPTION(EFOpenError, EStreamError);
TVM_DECLARE_EXCEPTION(EOleError, Exception);
TVM_DECLARE_EXCEPTION(EResNotFound, Exception);
TVM_DECLARE_EXCEPTION(EDLLLoadError, Exception);
// A call the program's own rules forbid: a fault of the calling code.
TVM_DECLARE_EXCEPTION(EAssertionFailed, Exception);

// Raised to leave an operation silently: the application's top level does not
// show it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

// An I/O failure with the system's error code.
class EInOutError : public Exception {
public:
    EInOutError(std::string message, DWORD errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    DWORD ErrorCode;
};

// A failing HRESULT of a COM call.
class EOleSysError : public EOleError {
public:
    EOleSysError(std::string message, HRESULT errorCode) : EOleError(std::move(message)), ErrorCode(errorCode) {}
    HRESULT ErrorCode;
};

// Raises EListError "List index out of bounds (<index>)".
[[noreturn]] void ListIndexError(int index);

// The system's text for an HRESULT, without the trailing line break.
std::string SysErrorMessage(DWORD errorCode);

// Raises EOleSysError when the result is a failure; answers it otherwise.
HRESULT OleCheck(HRESULT result);
