#pragma once
// The values that scripts work with and their conversions between one
// another. Movies of version 4 convert text to numbers more leniently and
// print undefined differently from later ones, so conversions take the
// movie's version.
#include <cstdint>
#include <memory>
#include <string>

namespace tvmplayer {

class ScriptObject;

enum class ValueType : uint8_t { Undefined, Null, Boolean, Number, String, Object };

struct Value {
    ValueType Type = ValueType::Undefined;
    bool Flag = false;
    double Number = 0;
    // Shared: values are copied freely, and a long text is kept only once.
    std::shared_ptr<const std::string> Shared;
    ScriptObject* Object = nullptr;

    const std::string& Text() const;

    Value() = default;
    static Value Null();
    static Value Boolean(bool flag);
    static Value FromNumber(double number);
    static Value FromString(std::string text);
    static Value FromObject(ScriptObject* object);

    bool IsUndefined() const { return Type == ValueType::Undefined; }
    bool IsNull() const { return Type == ValueType::Null; }
    bool IsNumber() const { return Type == ValueType::Number; }
    bool IsString() const { return Type == ValueType::String; }
    bool IsObject() const { return Type == ValueType::Object && Object; }
};

// Numbers print with up to 15 significant digits, whole numbers without a
// point, exponents without leading zeros ("1e+21", "1.5e-7").
std::string NumberToString(double number);
// Text as a number: optional blanks and sign, decimal or "0x" hexadecimal.
// What is not a number is NaN, or 0 in version 4.
double StringToNumber(const std::string& text, int version);

// The conversions of values that are not objects (objects answer through
// the machine, which may call their own valueOf and toString).
double PrimitiveToNumber(const Value& value, int version);
std::string PrimitiveToString(const Value& value, int version);
bool ToBoolean(const Value& value, int version);

// The 32-bit integer that bit operations work on, wrapping as they do.
int32_t ToInt32(double number);
// The integer part, 0 for NaN.
double ToInteger(double number);
// The integer part held at the nearest end of the 32-bit range, 0 for NaN:
// for indexes and ids, which no number out of range may alias.
int32_t ToSaturatedInt32(double number);

}
