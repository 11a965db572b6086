#pragma once
// File names as FFmpeg takes them: UTF-8 text, which FFmpeg's own file
// protocol opens with the system's wide-character calls. A name may carry
// the prefix "unicode:", which is dropped.
#include <string>

// The text to hand FFmpeg for a file; it must live until the FFmpeg call
// that takes it has returned.
std::string WideToUTF8Name(const std::wstring& fileName);
std::wstring UTF8ToWideName(const std::string& text);
