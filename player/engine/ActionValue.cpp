#include "ActionValue.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tvmplayer {

Value Value::Null()
{
    Value v;
    v.Type = ValueType::Null;
    return v;
}

Value Value::Boolean(bool flag)
{
    Value v;
    v.Type = ValueType::Boolean;
    v.Flag = flag;
    return v;
}

Value Value::FromNumber(double number)
{
    Value v;
    v.Type = ValueType::Number;
    v.Number = number;
    return v;
}

Value Value::FromString(std::string text)
{
    Value v;
    v.Type = ValueType::String;
    v.Shared = std::make_shared<const std::string>(std::move(text));
    return v;
}

const std::string& Value::Text() const
{
    static const std::string empty;
    return Shared ? *Shared : empty;
}

Value Value::FromObject(ScriptObject* object)
{
    if (!object)
        return Null();
    Value v;
    v.Type = ValueType::Object;
    v.Object = object;
    return v;
}

std::string NumberToString(double number)
{
    if (std::isnan(number))
        return "NaN";
    if (std::isinf(number))
        return number > 0 ? "Infinity" : "-Infinity";
    if (number == 0)
        return "0";
    char buffer[40];
    if (number == std::trunc(number) && std::fabs(number) < 1e15) {
        std::snprintf(buffer, sizeof buffer, "%.0f", number);
        return buffer;
    }
    std::snprintf(buffer, sizeof buffer, "%.15g", number);
    std::string text = buffer;
    size_t e = text.find('e');
    if (e != std::string::npos) {
        // "1e+021" or "1e-07" from the C library: no leading zeros.
        size_t digits = e + 2;
        while (digits + 1 < text.size() && text[digits] == '0')
            text.erase(digits, 1);
    }
    return text;
}

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}

double StringToNumber(const std::string& text, int version)
{
    const double notNumber = version < 5 ? 0.0 : std::nan("");
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    if (begin == end)
        return notNumber;
    std::string body = text.substr(begin, end - begin);
    bool negative = false;
    size_t at = 0;
    if (body[0] == '+' || body[0] == '-') {
        negative = body[0] == '-';
        at = 1;
    }
    if (body.size() > at + 2 && body[at] == '0' && (body[at + 1] == 'x' || body[at + 1] == 'X')) {
        double value = 0;
        for (size_t i = at + 2; i < body.size(); ++i) {
            char c = body[i];
            int digit = c >= '0' && c <= '9' ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0)
                return notNumber;
            value = value * 16 + digit;
        }
        return negative ? -value : value;
    }
    // Only digits, one point and one exponent: no "inf", "nan" or hex floats.
    size_t i = at;
    bool digits = false;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i])))
        ++i, digits = true;
    if (i < body.size() && body[i] == '.')
        for (++i; i < body.size() && std::isdigit(static_cast<unsigned char>(body[i])); ++i)
            digits = true;
    if (!digits)
        return notNumber;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        size_t exponent = i + 1;
        if (exponent < body.size() && (body[exponent] == '+' || body[exponent] == '-'))
            ++exponent;
        size_t start = exponent;
        while (exponent < body.size() && std::isdigit(static_cast<unsigned char>(body[exponent])))
            ++exponent;
        if (exponent > start)
            i = exponent;
    }
    if (i != body.size())
        return notNumber;
    return std::strtod(body.c_str(), nullptr);
}

double PrimitiveToNumber(const Value& value, int version)
{
    switch (value.Type) {
    case ValueType::Undefined:
        return version >= 7 ? std::nan("") : 0.0;
    case ValueType::Null:
        return version >= 7 ? std::nan("") : 0.0;
    case ValueType::Boolean:
        return value.Flag ? 1 : 0;
    case ValueType::Number:
        return value.Number;
    case ValueType::String:
        return StringToNumber(value.Text(), version);
    case ValueType::Object:
        break;
    }
    return std::nan("");
}

std::string PrimitiveToString(const Value& value, int version)
{
    switch (value.Type) {
    case ValueType::Undefined:
        return version >= 7 ? "undefined" : "";
    case ValueType::Null:
        return "null";
    case ValueType::Boolean:
        if (version < 5)
            return value.Flag ? "1" : "0";
        return value.Flag ? "true" : "false";
    case ValueType::Number:
        return NumberToString(value.Number);
    case ValueType::String:
        return value.Text();
    case ValueType::Object:
        break;
    }
    return "[object Object]";
}

bool ToBoolean(const Value& value, int version)
{
    switch (value.Type) {
    case ValueType::Undefined:
    case ValueType::Null:
        return false;
    case ValueType::Boolean:
        return value.Flag;
    case ValueType::Number:
        return !std::isnan(value.Number) && value.Number != 0;
    case ValueType::String:
        // Before version 7 text is true when it reads as a non-zero number.
        if (version >= 7)
            return !value.Text().empty();
        {
            double number = StringToNumber(value.Text(), version);
            return !std::isnan(number) && number != 0;
        }
    case ValueType::Object:
        return value.Object != nullptr;
    }
    return false;
}

int32_t ToInt32(double number)
{
    if (!std::isfinite(number))
        return 0;
    double wrapped = std::fmod(std::trunc(number), 4294967296.0);
    if (wrapped < 0)
        wrapped += 4294967296.0;
    return static_cast<int32_t>(static_cast<uint32_t>(wrapped));
}

double ToInteger(double number)
{
    return std::isnan(number) ? 0 : std::trunc(number);
}

int32_t ToSaturatedInt32(double number)
{
    return static_cast<int32_t>(std::clamp(ToInteger(number), double(INT32_MIN), double(INT32_MAX)));
}

}
