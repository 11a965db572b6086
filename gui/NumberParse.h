#pragma once
// The grammars by which text becomes numbers in StrToInt and StrToFloat,
// free of any system call: readers of outside text (INI and project files)
// share them on every platform.
#include <cstdint>
#include <string>
#include <string_view>

// Text without the blanks and control characters at either end.
std::string TrimSpaceAndControls(std::string_view text);
// 0-15, or -1 for no hexadecimal digit.
int HexDigitValue(char c);
// An optional sign, then decimal digits, or hexadecimal after "$" or "0x",
// into a value of Bits width (32 or 64). Hexadecimal may use the whole
// unsigned range ($FFFFFFFF is -1 in 32 bits). Blanks around are allowed.
bool ParseIntegerText(std::string_view text, int bits, int64_t& value);
// Digits with Separator as the decimal separator and an optional exponent;
// False for any other text and for a value beyond the finite range.
bool ParseFloatText(const std::string& text, char separator, double& value);
