// The instructions of the action machine, one case each.
#include <algorithm>
#include <cmath>

#include "ActionClips.h"
#include "ActionMachine.h"
#include "ActionText.h"
#include "Movie.h"
#include "SwfReader.h"

namespace tvmplayer {
namespace {

enum Action : uint8_t {
    DoEnd = 0x00,
    DoNextFrame = 0x04,
    DoPreviousFrame = 0x05,
    DoPlay = 0x06,
    DoStop = 0x07,
    DoToggleQuality = 0x08,
    DoStopSounds = 0x09,
    DoAdd = 0x0A,
    DoSubtract = 0x0B,
    DoMultiply = 0x0C,
    DoDivide = 0x0D,
    DoEquals = 0x0E,
    DoLess = 0x0F,
    DoAnd = 0x10,
    DoOr = 0x11,
    DoNot = 0x12,
    DoStringEquals = 0x13,
    DoStringLength = 0x14,
    DoStringExtract = 0x15,
    DoPopValue = 0x17,
    DoToIntegerAction = 0x18,
    DoGetVariable = 0x1C,
    DoSetVariable = 0x1D,
    DoSetTarget2 = 0x20,
    DoStringAdd = 0x21,
    DoGetProperty = 0x22,
    DoSetProperty = 0x23,
    DoCloneSprite = 0x24,
    DoRemoveSprite = 0x25,
    DoTraceAction = 0x26,
    DoStartDrag = 0x27,
    DoEndDrag = 0x28,
    DoStringLess = 0x29,
    DoThrow = 0x2A,
    DoCastOp = 0x2B,
    DoImplementsOp = 0x2C,
    DoRandomNumber = 0x30,
    DoMbStringLength = 0x31,
    DoCharToAscii = 0x32,
    DoAsciiToChar = 0x33,
    DoGetTime = 0x34,
    DoMbStringExtract = 0x35,
    DoMbCharToAscii = 0x36,
    DoMbAsciiToChar = 0x37,
    DoDelete = 0x3A,
    DoDelete2 = 0x3B,
    DoDefineLocal = 0x3C,
    DoCallFunction = 0x3D,
    DoReturn = 0x3E,
    DoModulo = 0x3F,
    DoNewObject = 0x40,
    DoDefineLocal2 = 0x41,
    DoInitArray = 0x42,
    DoInitObject = 0x43,
    DoTypeOf = 0x44,
    DoTargetPath = 0x45,
    DoEnumerate = 0x46,
    DoAdd2 = 0x47,
    DoLess2 = 0x48,
    DoEquals2 = 0x49,
    DoToNumberAction = 0x4A,
    DoToStringAction = 0x4B,
    DoPushDuplicate = 0x4C,
    DoStackSwap = 0x4D,
    DoGetMember = 0x4E,
    DoSetMember = 0x4F,
    DoIncrement = 0x50,
    DoDecrement = 0x51,
    DoCallMethod = 0x52,
    DoNewMethod = 0x53,
    DoInstanceOf = 0x54,
    DoEnumerate2 = 0x55,
    DoBitAnd = 0x60,
    DoBitOr = 0x61,
    DoBitXor = 0x62,
    DoBitLShift = 0x63,
    DoBitRShift = 0x64,
    DoBitURShift = 0x65,
    DoStrictEquals = 0x66,
    DoGreater = 0x67,
    DoStringGreater = 0x68,
    DoExtends = 0x69,
    DoGotoFrame = 0x81,
    DoGetUrl = 0x83,
    DoStoreRegister = 0x87,
    DoConstantPool = 0x88,
    DoWaitForFrame = 0x8A,
    DoSetTarget = 0x8B,
    DoGotoLabel = 0x8C,
    DoWaitForFrame2 = 0x8D,
    DoDefineFunction2 = 0x8E,
    DoTry = 0x8F,
    DoWith = 0x94,
    DoPush = 0x96,
    DoJump = 0x99,
    DoGetUrl2 = 0x9A,
    DoDefineFunction = 0x9B,
    DoIf = 0x9D,
    DoCall = 0x9E,
    DoGotoFrame2 = 0x9F,
};

// The offset of a jump, to the end of the block when it leads outside.
size_t JumpTarget(size_t next, int16_t offset, size_t size)
{
    int64_t target = static_cast<int64_t>(next) + offset;
    return target < 0 || target > static_cast<int64_t>(size) ? size : static_cast<size_t>(target);
}

int16_t Signed16(std::span<const uint8_t> body)
{
    return body.size() < 2 ? 0 : static_cast<int16_t>(body[0] | body[1] << 8);
}

// Skips count whole action records from pc; answers where it ends.
size_t SkipActions(std::span<const uint8_t> code, size_t pc, size_t count)
{
    for (size_t i = 0; i < count && pc < code.size(); ++i) {
        if (code[pc] < 0x80)
            pc += 1;
        else if (pc + 3 > code.size())
            return code.size();
        else
            pc += 3 + (code[pc + 1] | code[pc + 2] << 8);
    }
    return std::min(pc, code.size());
}

}

double ActionMachine::Random()
{
    // xorshift: the same movie gives the same pictures every time it is converted.
    random_ ^= random_ << 13;
    random_ ^= random_ >> 17;
    random_ ^= random_ << 5;
    return random_ / 4294967296.0;
}

std::vector<Value> ActionMachine::PopArguments(Context& context)
{
    double count = ToInteger(ToNumber(Pop(context)));
    size_t available = stack_.size() - std::min(stack_.size(), context.StackBase);
    size_t taken = count <= 0 ? 0 : std::min(static_cast<size_t>(std::min(count, 1e9)), available);
    std::vector<Value> arguments;
    arguments.reserve(taken);
    for (size_t i = 0; i < taken; ++i) arguments.push_back(Pop(context));
    return arguments;
}

Value ActionMachine::Construct(const Value& constructor, std::vector<Value> arguments)
{
    if (!constructor.IsObject() || !constructor.Object->IsFunction())
        return {};
    Value prototype = GetMember(constructor, "prototype");
    ScriptObject* made = NewObject(prototype.IsObject() ? prototype.Object : nullptr);
    made->Put("__constructor__", constructor, DontEnum);
    Value result = Invoke(constructor.Object, made, arguments, true);
    // Built-in constructors answer the object they made themselves.
    return result.IsObject() ? result : Value::FromObject(made);
}

bool ActionMachine::Step(Context& context, uint8_t code, std::span<const uint8_t> body, size_t next)
{
    auto pop = [&] { return Pop(context); };
    auto number = [&] { return ToNumber(Pop(context)); };
    auto text = [&] { return ToString(Pop(context)); };
    auto binary = [&](auto operation) {
        double b = number(), a = number();
        Push(Value::FromNumber(operation(a, b)));
    };
    auto bits = [&](auto operation) {
        int32_t b = ToInt32(number()), a = ToInt32(number());
        Push(Value::FromNumber(operation(a, b)));
    };
    auto timeline = [&]() -> Timeline* {
        ScriptObject* clip = context.Target;
        return clip && clip->Clip ? clip->Clip->Frames() : nullptr;
    };
    SwfReader reader(body);

    switch (code) {
    case DoNextFrame:
        if (Timeline* frames = timeline())
            frames->NextFrame();
        break;
    case DoPreviousFrame:
        if (Timeline* frames = timeline())
            frames->PreviousFrame();
        break;
    case DoPlay:
        if (Timeline* frames = timeline())
            frames->Play();
        break;
    case DoStop:
        if (Timeline* frames = timeline())
            frames->Stop();
        break;
    case DoToggleQuality:
        events_.ToggleQuality();
        break;
    case DoStopSounds:
        events_.StopSounds();
        break;
    case DoGotoFrame:
        GotoFrame(context.Target, reader.U16(), false);
        break;
    case DoGotoLabel:
        GotoLabel(context.Target, reader.String(), false);
        break;
    case DoGetUrl: {
        std::string url = reader.String();
        GetUrl(url, reader.String());
        break;
    }
    case DoWaitForFrame: {
        uint16_t frame = reader.U16();
        uint8_t skip = reader.U8();
        // Movies are read whole before they play: a frame that exists is loaded.
        Timeline* frames = timeline();
        if (!frames || frame >= frames->FrameCount())
            context.Pc = SkipActions(context.Code, next, skip);
        break;
    }
    case DoWaitForFrame2: {
        uint8_t skip = reader.U8();
        Value frame = pop();
        Timeline* frames = timeline();
        double index = ToNumber(frame) - 1;
        if (!frames || !(index < static_cast<double>(frames->FrameCount())))
            context.Pc = SkipActions(context.Code, next, skip);
        break;
    }
    case DoSetTarget: {
        std::string name = reader.String();
        context.Target = name.empty() ? context.Original : FindClipFrom(context, name);
        break;
    }
    case DoSetTarget2: {
        Value target = pop();
        bool blank = target.IsString() && target.Text().empty();
        context.Target = blank ? context.Original : ClipFromValue(context, target);
        break;
    }
    case DoPush:
        PushAll(context, body);
        break;
    case DoPopValue:
        pop();
        break;
    case DoAdd:
        binary([](double a, double b) { return a + b; });
        break;
    case DoSubtract:
        binary([](double a, double b) { return a - b; });
        break;
    case DoMultiply:
        binary([](double a, double b) { return a * b; });
        break;
    case DoDivide: {
        double b = number(), a = number();
        // Version 4 players printed a division by zero as an error.
        if (b == 0 && version_ < 5)
            Push(Value::FromString("#ERROR#"));
        else
            Push(Value::FromNumber(a / b));
        break;
    }
    case DoModulo:
        binary([](double a, double b) { return std::fmod(a, b); });
        break;
    case DoEquals: {
        double b = number(), a = number();
        Push(Result(a == b));
        break;
    }
    case DoLess: {
        double b = number(), a = number();
        Push(Result(a < b));
        break;
    }
    case DoAnd: {
        bool b = ToBoolean(pop(), version_), a = ToBoolean(pop(), version_);
        Push(Result(a && b));
        break;
    }
    case DoOr: {
        bool b = ToBoolean(pop(), version_), a = ToBoolean(pop(), version_);
        Push(Result(a || b));
        break;
    }
    case DoNot:
        Push(Result(!ToBoolean(pop(), version_)));
        break;
    case DoStringEquals: {
        std::string b = text(), a = text();
        Push(Result(a == b));
        break;
    }
    case DoStringLess: {
        std::string b = text(), a = text();
        Push(Result(a < b));
        break;
    }
    case DoStringGreater: {
        std::string b = text(), a = text();
        Push(Result(a > b));
        break;
    }
    case DoStringLength:
        Push(Value::FromNumber(static_cast<double>(text().size())));
        break;
    case DoMbStringLength:
        Push(Value::FromNumber(static_cast<double>(Utf8Length(text()))));
        break;
    case DoStringAdd: {
        std::string b = text(), a = text();
        CheckTextLength(a.size() + b.size());
        Allocate(a.size() + b.size());
        Push(Value::FromString(a + b));
        break;
    }
    case DoStringExtract:
    case DoMbStringExtract: {
        double count = ToInteger(number()), index = ToInteger(number());
        std::string source = text();
        Push(Value::FromString(code == DoStringExtract ? ExtractBytes(source, index - 1, count)
                                                     : Utf8Substring(source, index - 1, count)));
        break;
    }
    case DoCharToAscii: {
        std::string source = text();
        Push(Value::FromNumber(source.empty() ? 0 : static_cast<unsigned char>(source[0])));
        break;
    }
    case DoMbCharToAscii: {
        std::string source = text();
        Push(Value::FromNumber(source.empty() ? 0 : Utf8CodeAt(source, 0)));
        break;
    }
    case DoAsciiToChar:
        Push(Value::FromString(std::string(1, static_cast<char>(ToInt32(number()) & 0xFF))));
        break;
    case DoMbAsciiToChar:
        Push(Value::FromString(Utf8FromCode(static_cast<uint32_t>(ToInt32(number())))));
        break;
    case DoToIntegerAction:
        Push(Value::FromNumber(ToInteger(number())));
        break;
    case DoToNumberAction:
        Push(Value::FromNumber(number()));
        break;
    case DoToStringAction:
        Push(Value::FromString(text()));
        break;
    case DoGetVariable: {
        std::string name = text();
        Push(GetScoped(context, name));
        break;
    }
    case DoSetVariable: {
        Value value = pop();
        SetScoped(context, text(), value);
        break;
    }
    case DoDefineLocal: {
        Value value = pop();
        std::string name = text();
        (context.Locals ? context.Locals : context.Home())->Put(name, value);
        break;
    }
    case DoDefineLocal2: {
        std::string name = text();
        ScriptObject* home = context.Locals ? context.Locals : context.Home();
        if (!home->Find(name))
            home->Put(name, Value());
        break;
    }
    case DoGetProperty: {
        int index = ToSaturatedInt32(number());
        ScriptObject* clip = ClipFromValue(context, pop());
        Value property;
        if (clip)
            GetClipProperty(*this, clip, ClipPropertyName(index), property);
        Push(property);
        break;
    }
    case DoSetProperty: {
        Value value = pop();
        int index = ToSaturatedInt32(number());
        if (ScriptObject* clip = ClipFromValue(context, pop()))
            SetClipProperty(*this, clip, ClipPropertyName(index), value);
        break;
    }
    case DoCloneSprite: {
        double depth = number();
        std::string name = text();
        if (ScriptObject* source = ClipFromValue(context, pop()))
            DuplicateClip(*this, source, name, depth);
        break;
    }
    case DoRemoveSprite:
        if (ScriptObject* clip = ClipFromValue(context, pop()))
            RemoveClip(*this, clip);
        break;
    case DoStartDrag: {
        pop();
        pop();
        if (ToBoolean(pop(), version_))
            for (int i = 0; i < 4; ++i) pop();
        break;
    }
    case DoEndDrag:
        break;
    case DoTraceAction: {
        Value value = pop();
        events_.Trace(value.IsUndefined() ? "undefined" : ToString(value));
        break;
    }
    case DoRandomNumber: {
        double limit = ToInteger(number());
        Push(Value::FromNumber(limit <= 0 ? 0 : std::floor(Random() * limit)));
        break;
    }
    case DoGetTime:
        Push(Value::FromNumber(Elapsed));
        break;
    case DoGetUrl2: {
        uint8_t flags = reader.U8();
        std::string window = text();
        std::string url = text();
        GetUrl(url, window, flags, (flags & LoadTargetFlag) ? FindClipFrom(context, window) : nullptr);
        break;
    }
    case DoGotoFrame2: {
        uint8_t flags = reader.U8();
        double bias = (flags & 2) ? reader.U16() : 0;
        Value frame = pop();
        ScriptObject* clip = context.Target;
        if (frame.IsString()) {
            std::string name = frame.Text();
            size_t colon = name.rfind(':');
            if (colon != std::string::npos) {
                clip = FindClipFrom(context, name.substr(0, colon));
                frame = Value::FromString(name.substr(colon + 1));
            }
        } else if (bias != 0) {
            frame = Value::FromNumber(ToNumber(frame) + bias);
        }
        Goto(clip, frame, flags & 1);
        break;
    }
    case DoCall: {
        Value frame = pop();
        std::string name = ToString(frame);
        ScriptObject* clip = context.Home();
        size_t colon = name.rfind(':');
        if (colon != std::string::npos) {
            clip = FindClipFrom(context, name.substr(0, colon));
            name = name.substr(colon + 1);
        }
        CallFrame(clip, name);
        break;
    }
    case DoJump:
        context.Pc = JumpTarget(next, Signed16(body), context.Code.size());
        break;
    case DoIf:
        if (ToBoolean(pop(), version_))
            context.Pc = JumpTarget(next, Signed16(body), context.Code.size());
        break;
    case DoConstantPool: {
        auto pool = std::make_shared<std::vector<std::string>>();
        uint16_t count = reader.U16();
        for (uint16_t i = 0; i < count; ++i) pool->push_back(reader.String());
        context.Pool = std::move(pool);
        break;
    }
    case DoStoreRegister: {
        uint8_t index = reader.U8();
        if (index < context.Registers.size())
            context.Registers[index] = stack_.size() > context.StackBase ? stack_.back() : Value();
        break;
    }
    case DoPushDuplicate: {
        Value top = pop();
        Push(top);
        Push(top);
        break;
    }
    case DoStackSwap: {
        Value a = pop(), b = pop();
        Push(a);
        Push(b);
        break;
    }
    case DoIncrement:
        Push(Value::FromNumber(number() + 1));
        break;
    case DoDecrement:
        Push(Value::FromNumber(number() - 1));
        break;
    case DoAdd2: {
        Value b = pop(), a = pop();
        Push(this->Add2(a, b));
        break;
    }
    case DoLess2: {
        Value b = pop(), a = pop();
        Push(this->Less2(a, b));
        break;
    }
    case DoGreater: {
        Value b = pop(), a = pop();
        Push(this->Less2(b, a));
        break;
    }
    case DoEquals2: {
        Value b = pop(), a = pop();
        Push(Value::Boolean(this->Equals2(a, b)));
        break;
    }
    case DoStrictEquals: {
        Value b = pop(), a = pop();
        Push(Value::Boolean(a.Type == b.Type && this->Equals2(a, b)));
        break;
    }
    case DoBitAnd:
        bits([](int32_t a, int32_t b) { return static_cast<double>(a & b); });
        break;
    case DoBitOr:
        bits([](int32_t a, int32_t b) { return static_cast<double>(a | b); });
        break;
    case DoBitXor:
        bits([](int32_t a, int32_t b) { return static_cast<double>(a ^ b); });
        break;
    case DoBitLShift:
        bits([](int32_t a, int32_t b) { return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(a) << (b & 31))); });
        break;
    case DoBitRShift:
        bits([](int32_t a, int32_t b) { return static_cast<double>(a >> (b & 31)); });
        break;
    case DoBitURShift:
        bits([](int32_t a, int32_t b) { return static_cast<double>(static_cast<uint32_t>(a) >> (b & 31)); });
        break;
    case DoGetMember: {
        std::string name = text();
        Value object = pop();
        Push(this->GetMember(object, name));
        break;
    }
    case DoSetMember: {
        Value value = pop();
        std::string name = text();
        this->SetMember(pop(), name, value);
        break;
    }
    case DoDelete: {
        std::string name = text();
        Value object = pop();
        Push(Value::Boolean(object.IsObject() && object.Object->Remove(name)));
        break;
    }
    case DoDelete2: {
        std::string name = text();
        bool removed = false;
        for (auto scope = context.Scope.rbegin(); scope != context.Scope.rend() && !removed; ++scope)
            removed = (*scope)->Remove(name);
        if (!removed)
            removed = context.Home()->Remove(name);
        Push(Value::Boolean(removed));
        break;
    }
    case DoInitArray: {
        std::vector<Value> elements = PopArguments(context);
        Push(Value::FromObject(NewArray(std::move(elements))));
        break;
    }
    case DoInitObject: {
        double count = ToInteger(number());
        ScriptObject* object = NewObject();
        for (double i = 0; i < count && stack_.size() > context.StackBase; ++i) {
            Value value = pop();
            object->Put(text(), value);
        }
        Push(Value::FromObject(object));
        break;
    }
    case DoNewObject: {
        std::string name = text();
        std::vector<Value> arguments = PopArguments(context);
        Push(Construct(GetScoped(context, name), std::move(arguments)));
        break;
    }
    case DoNewMethod: {
        Value name = pop();
        Value object = pop();
        std::vector<Value> arguments = PopArguments(context);
        bool none = name.IsUndefined() || (name.IsString() && name.Text().empty());
        Value constructor = none ? object : this->GetMember(object, ToString(name));
        Push(Construct(constructor, std::move(arguments)));
        break;
    }
    case DoCallFunction: {
        std::string name = text();
        std::vector<Value> arguments = PopArguments(context);
        Push(this->Call(GetScoped(context, name), nullptr, arguments));
        break;
    }
    case DoCallMethod: {
        Value name = pop();
        Value object = pop();
        std::vector<Value> arguments = PopArguments(context);
        bool none = name.IsUndefined() || (name.IsString() && name.Text().empty());
        Value function = none ? object : this->GetMember(object, ToString(name));
        ScriptObject* self = none ? nullptr : ToObject(object);
        Push(this->Call(function, self, arguments));
        break;
    }
    case DoReturn:
        context.Result = pop();
        return true;
    case DoThrow:
        throw ScriptThrow{pop()};
    case DoTypeOf:
        Push(Value::FromString(TypeName(pop())));
        break;
    case DoInstanceOf: {
        Value constructor = pop();
        Value object = pop();
        Push(Value::Boolean(IsInstance(object, constructor)));
        break;
    }
    case DoCastOp: {
        Value object = pop();
        Value constructor = pop();
        Push(IsInstance(object, constructor) ? object : Value::Null());
        break;
    }
    case DoImplementsOp: {
        pop();
        PopArguments(context);
        break;
    }
    case DoExtends: {
        Value superclass = pop();
        Value subclass = pop();
        if (subclass.IsObject() && superclass.IsObject()) {
            Value parent = this->GetMember(superclass, "prototype");
            ScriptObject* prototype = NewObject(parent.IsObject() ? parent.Object : nullptr);
            prototype->Put("__constructor__", superclass, DontEnum);
            prototype->Put("constructor", subclass, DontEnum);
            subclass.Object->Put("prototype", Value::FromObject(prototype), DontEnum);
        }
        break;
    }
    case DoTargetPath: {
        Value object = pop();
        Push(object.IsObject() && object.Object->Clip ? Value::FromString(this->TargetPath(object.Object)) : Value());
        break;
    }
    case DoEnumerate:
    case DoEnumerate2: {
        Value object = code == DoEnumerate ? GetScoped(context, text()) : pop();
        Push(Value::Null());
        if (object.IsObject())
            for (int i = 0; object.Object && i < MaxCallDepth; ++i, object.Object = object.Object->Prototype) {
                if (object.Object->Kind == ObjectKind::Array)
                    for (size_t e = object.Object->Elements.size(); e-- > 0;)
                        Push(Value::FromString(std::to_string(e)));
                for (const std::string& name : object.Object->Names()) Push(Value::FromString(name));
            }
        break;
    }
    case DoWith: {
        size_t size = reader.U16();
        Value object = pop();
        size_t end = std::min(context.Code.size(), next + size);
        if (!object.IsObject()) {
            context.Pc = end;
            break;
        }
        context.Scope.push_back(object.Object);
        bool returned = false;
        try {
            returned = Run(context, next, end);
        } catch (...) {
            context.Scope.pop_back();
            throw;
        }
        context.Scope.pop_back();
        return returned;
    }
    case DoTry: {
        bool returned = false;
        this->Try(context, body, next, returned);
        return returned;
    }
    case DoDefineFunction:
    case DoDefineFunction2:
        this->DefineFunction(context, body, code == DoDefineFunction2, next);
        break;
    default:
        // Unknown actions are skipped, as the player does.
        break;
    }
    return false;
}

}
