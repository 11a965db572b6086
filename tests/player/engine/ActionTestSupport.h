#pragma once
// Movies of a few actions, played by the engine with their messages kept.
#include <string>
#include <vector>

#include "MoviePlayer.h"
#include "SwfFixtures.h"

namespace actiontest {

using tvmtest::Bytes;
using tvmtest::SwfActions;
using tvmtest::SwfValue;

// Action codes by name, for readable tables.
enum Op : uint8_t {
    NextFrame = 0x04, Play = 0x06, Stop = 0x07, Add = 0x0A, Subtract = 0x0B, Multiply = 0x0C, Divide = 0x0D,
    Equals = 0x0E, Less = 0x0F, And = 0x10, Not = 0x12, StringEquals = 0x13, StringLength = 0x14,
    StringExtract = 0x15, Pop = 0x17, GetVariable = 0x1C, SetVariable = 0x1D, StringAdd = 0x21,
    GetProperty = 0x22, SetProperty = 0x23, Trace = 0x26, Throw = 0x2A, MbStringLength = 0x31, MbCharToAscii = 0x36,
    Delete = 0x3A, DefineLocal = 0x3C, CallFunction = 0x3D, Return = 0x3E, Modulo = 0x3F, NewObject = 0x40, InitArray = 0x42,
    InitObject = 0x43, TypeOf = 0x44, Enumerate2 = 0x55, Add2 = 0x47, Less2 = 0x48, Equals2 = 0x49,
    ToNumber = 0x4A, PushDuplicate = 0x4C, GetMember = 0x4E, SetMember = 0x4F, Increment = 0x50,
    CallMethod = 0x52, NewMethod = 0x53, InstanceOf = 0x54, BitURShift = 0x65, StrictEquals = 0x66, GetUrl2 = 0x9A,
    Call = 0x9E, GotoFrame2 = 0x9F,
};

inline SwfValue Null() { return SwfValue::Of(SwfValue::Null); }
inline SwfValue Undefined() { return SwfValue::Of(SwfValue::Undefined); }
inline SwfValue Register(int index) { return SwfValue::Of(SwfValue::Register, index); }
inline SwfValue Constant(int index) { return SwfValue::Of(SwfValue::Constant8, index); }
inline SwfValue Float(double value) { return SwfValue::Of(SwfValue::Float, value); }

// Keeps every message of the scripts as a line: traces as they are,
// "fs:command(args)" and "call:<invoke ...>".
class Recorder : public tvmplayer::ScriptEvents {
public:
    std::vector<std::string> Lines;
    std::string Answer;

    void Trace(const std::string& line) override { Lines.push_back(line); }
    void FsCommand(const std::string& command, const std::string& args) override
    {
        Lines.push_back("fs:" + command + "(" + args + ")");
    }
    std::string ExternalCall(const std::string& request) override
    {
        Lines.push_back("call:" + request);
        return Answer;
    }
    std::string Joined() const
    {
        std::string text;
        for (const std::string& line : Lines) text += (text.empty() ? "" : "|") + line;
        return text;
    }
};

// Time stands still until a test moves it.
class TestClock : public tvmplayer::Clock {
public:
    uint32_t Now = 0;
    uint32_t Milliseconds() override { return Now; }
};

// A movie of the given version whose frames carry the given action blocks.
Bytes MovieOf(uint8_t version, const std::vector<Bytes>& frames, const std::vector<std::string>& labels = {});

// Plays the first frame of a movie with these actions; answers its lines.
std::string RunActions(uint8_t version, const Bytes& actions);

}
