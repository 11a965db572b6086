#pragma once
// Numbers as text in the locale's separators, shared by the formatting
// routines of SysUtils.
#include <string>

namespace sysutils_detail {

// The C runtime's "." becomes the decimal separator, "inf" and "nan" "INF" and "NAN".
std::string LocalizeNumber(std::string text);
std::string FormatFixed(double value, int decimals);
// Up to Digits significant digits, exponent form ("1E20", "1E-5") when the
// C runtime's %g chooses it.
std::string FormatGeneral(double value, int digits);
std::string InsertThousandSeparators(const std::string& fixed);

}
