// The action machine: each row a tiny action sequence and the lines it
// must leave in the debug output.
#include <gtest/gtest.h>

#include "ActionTestSupport.h"

namespace {

using namespace actiontest;

struct Row {
    const char* name;
    uint8_t version;
    Bytes actions;
    const char* expected;
};

void ExpectRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) EXPECT_EQ(RunActions(row.version, row.actions), row.expected) << row.name;
}

// Pushes a and b, applies op, traces the result.
Bytes Binary(SwfValue a, SwfValue b, uint8_t op)
{
    return SwfActions().Push({a, b}).Op(op).Op(Trace).Take();
}

TEST(Actions, PushEveryTypeAndTheConstantPool)
{
    ExpectRows({
        {"types", 6,
         SwfActions()
             .Push({"text"}).Op(Trace).Push({1.5}).Op(Trace).Push({7}).Op(Trace).Push({true}).Op(Trace)
             .Push({Null()}).Op(Trace).Push({Undefined()}).Op(Trace).Push({Float(0.25)}).Op(Trace)
             .Take(),
         "text|1.5|7|true|null|undefined|0.25"},
        {"pool", 6, SwfActions().Constants({"hello", "world"}).Push({Constant(1), Constant(0)}).Op(Trace).Op(Trace).Take(),
         "hello|world"},
        {"pool entry past the end", 6, SwfActions().Constants({"a"}).Push({Constant(9)}).Op(Trace).Take(), "undefined"},
        {"register", 6, SwfActions().Push({"kept"}).StoreRegister(2).Op(Pop).Push({Register(2)}).Op(Trace).Take(),
         "kept"},
    });
}

TEST(Actions, Version4ConvertsWhereLaterVersionsCompareTypes)
{
    ExpectRows({
        {"add of texts, v4", 4, Binary("1", "2", Add), "3"},
        {"typed add of texts", 6, Binary("1", "2", Add2), "12"},
        {"typed add of a number and text", 6, Binary(1, "2", Add2), "12"},
        {"equals of words, v4", 4, Binary("abc", "xyz", Equals), "1"},
        {"typed equals of words", 6, Binary("abc", "xyz", Equals2), "false"},
        {"typed equals of number and text", 6, Binary("1", 1, Equals2), "true"},
        {"strict equals of number and text", 6, Binary("1", 1, StrictEquals), "false"},
        {"less as numbers", 6, Binary("10", "9", Less), "false"},
        {"typed less of texts", 6, Binary("10", "9", Less2), "true"},
        {"typed less with NaN", 6, Binary("a", 1, Less2), "undefined"},
        {"division by zero, v4", 4, Binary(1, 0, Divide), "#ERROR#"},
        {"division by zero", 6, Binary(1, 0, Divide), "Infinity"},
        {"not, v4", 4, SwfActions().Push({0}).Op(Not).Op(Trace).Take(), "1"},
        {"undefined joins as nothing before v7", 6, Binary("a", Undefined(), Add2), "a"},
        {"undefined joins by name from v7", 7, Binary("a", Undefined(), Add2), "aundefined"},
        {"undefined counts as 0 before v7", 6, SwfActions().Push({Undefined()}).Op(Increment).Op(Trace).Take(), "1"},
        {"undefined is NaN from v7", 7, SwfActions().Push({Undefined()}).Op(Increment).Op(Trace).Take(), "NaN"},
        {"hexadecimal text", 6, SwfActions().Push({"0x1F"}).Op(ToNumber).Op(Trace).Take(), "31"},
        {"unsigned shift", 6, Binary(-1, 28, BitURShift), "15"},
        {"modulo", 6, Binary(-7, 3, Modulo), "-1"},
    });
}

TEST(Actions, NumbersPrintAsThePlayerPrintsThem)
{
    ExpectRows({
        {"sum", 6, Binary(0.1, 0.2, Add2), "0.3"},
        {"third", 6, Binary(1, 3, Divide), "0.333333333333333"},
        {"large whole", 6, Binary(123456789012.0, 0, Add2), "123456789012"},
        {"exponent", 6, Binary(1e15, 0, Add2), "1e+15"},
        {"small", 6, Binary(1.5e-7, 0, Add2), "1.5e-7"},
        {"negative zero", 6, Binary(-0.0, 0, Multiply), "0"},
    });
}

TEST(Actions, StringOperationsCountCharacters)
{
    ExpectRows({
        {"length", 6, SwfActions().Push({"hello"}).Op(StringLength).Op(Trace).Take(), "5"},
        {"extract from 1", 6, SwfActions().Push({"hello", 2, 3}).Op(StringExtract).Op(Trace).Take(), "ell"},
        {"extract past the end", 6, SwfActions().Push({"hello", 4, 99}).Op(StringExtract).Op(Trace).Take(), "lo"},
        {"bytes and characters", 6,
         SwfActions().Push({"h\xC3\xA9llo"}).Op(StringLength).Op(Trace).Push({"h\xC3\xA9llo"}).Op(MbStringLength)
             .Op(Trace).Take(),
         "6|5"},
        {"character code", 6, SwfActions().Push({"\xC3\xA9"}).Op(MbCharToAscii).Op(Trace).Take(), "233"},
        {"string equals", 6, Binary("a", "a", StringEquals), "true"},
        {"string add", 6, Binary("con", "cat", StringAdd), "concat"},
    });
}

// sum = 0; i = 10; while (i) { sum += i; i-- } trace(sum)
Bytes SumLoop()
{
    Bytes body = SwfActions()
                     .Push({"sum", "sum"}).Op(GetVariable).Push({"i"}).Op(GetVariable).Op(Add2).Op(SetVariable)
                     .Push({"i", "i"}).Op(GetVariable).Push({1}).Op(Subtract).Op(SetVariable)
                     .Take();
    SwfActions test;
    test.Push({"i"}).Op(GetVariable).Op(Not);
    int16_t exit = static_cast<int16_t>(body.size() + 5);
    int16_t back = static_cast<int16_t>(-(static_cast<int>(body.size()) + 5 + static_cast<int>(test.Size()) + 5));
    return SwfActions()
        .Push({"sum", 0}).Op(SetVariable).Push({"i", 10}).Op(SetVariable)
        .Append(test.Take()).If(exit).Append(body).Jump(back)
        .Push({"sum"}).Op(GetVariable).Op(Trace)
        .Take();
}

TEST(Actions, VariablesJumpsAndPaths)
{
    ExpectRows({
        {"loop", 6, SumLoop(), "55"},
        {"paths to the root", 6,
         SwfActions()
             .Push({"/:a", "one"}).Op(SetVariable)
             .Push({"_root.a"}).Op(GetVariable).Op(Trace).Push({"_level0:a"}).Op(GetVariable).Op(Trace)
             .Push({"A"}).Op(GetVariable).Op(Trace)
             .Take(),
         "one|one|one"},
        {"names keep their case from v7", 7,
         SwfActions().Push({"a", 1}).Op(SetVariable).Push({"A"}).Op(GetVariable).Op(Trace).Take(), "undefined"},
        {"paths into a clip", 6,
         SwfActions()
             .Push({1, "c", 2, "_root"}).Op(GetVariable).Push({"createEmptyMovieClip"}).Op(CallMethod).Op(Pop)
             .Push({"/c:v", "deep"}).Op(SetVariable)
             .Push({"_root.c.v"}).Op(GetVariable).Op(Trace)
             .Push({"c", 11}).Op(GetProperty).Op(Trace)
             .Push({"_root.c"}).Op(GetVariable).Op(Trace)
             .Take(),
         "deep|/c|_level0.c"},
        {"clip properties", 6,
         SwfActions()
             .Push({"", 0, 12.5}).Op(SetProperty).Push({"", 0}).Op(GetProperty).Op(Trace)
             .Push({"", 10, 270}).Op(SetProperty).Push({"_root"}).Op(GetVariable).Push({"_rotation"}).Op(GetMember).Op(Trace)
             .Push({"_root"}).Op(GetVariable).Push({"_totalframes"}).Op(GetMember).Op(Trace)
             .Take(),
         "12.5|-90|1"},
        {"a property number outside the integers names none", 6,
         SwfActions()
             .Push({"", 0, 12.5}).Op(SetProperty)
             .Push({"", 4294967296.0, 99}).Op(SetProperty).Push({"", 0}).Op(GetProperty).Op(Trace)
             .Push({"", -1e300}).Op(GetProperty).Op(Trace)
             .Take(),
         "12.5|undefined"},
    });
}

// Arguments go last first, then their count.
SwfActions& Arguments(SwfActions& actions, std::initializer_list<SwfValue> arguments)
{
    for (auto argument = std::rbegin(arguments); argument != std::rend(arguments); ++argument)
        actions.Push({*argument});
    return actions.Push({static_cast<int>(arguments.size())});
}

// trace(name(arguments...))
Bytes CallAndTrace(const char* name, std::initializer_list<SwfValue> arguments)
{
    SwfActions call;
    Arguments(call, arguments).Push({name}).Op(CallFunction).Op(Trace);
    return call.Take();
}

TEST(Actions, FunctionsWithLocalsRegistersAndRecursion)
{
    Bytes difference = SwfActions()
                           .DefineFunction("diff", {"a", "b"},
                                           SwfActions().Push({"a"}).Op(GetVariable).Push({"b"}).Op(GetVariable)
                                               .Op(Subtract).Op(Return).Take())
                           .Append(CallAndTrace("diff", {10, 3}))
                           .Take();
    // function square(n) with n in register 1: n * n
    Bytes square = SwfActions()
                       .DefineFunction2("square", 2, 0, {{1, "n"}},
                                        SwfActions().Push({Register(1), Register(1)}).Op(Multiply).Op(Return).Take())
                       .Append(CallAndTrace("square", {7}))
                       .Push({"n"}).Op(GetVariable).Op(Trace)
                       .Take();
    // function fact(n) { if (n < 2) return 1; return n * fact(n - 1) }
    Bytes one = SwfActions().Push({1}).Op(Return).Take();
    Bytes factBody = SwfActions()
                         .Push({Register(1), 2}).Op(Less2).Op(Not).If(static_cast<int16_t>(one.size())).Append(one)
                         .Push({Register(1), Register(1), 1}).Op(Subtract).Push({1, "fact"}).Op(CallFunction)
                         .Op(Multiply).Op(Return)
                         .Take();
    Bytes factorial = SwfActions().DefineFunction2("fact", 2, 0, {{1, "n"}}, factBody).Append(CallAndTrace("fact", {10})).Take();
    // A local stays inside: function f() { var x = "in" } f(); trace(x)
    Bytes local = SwfActions()
                      .DefineFunction("f", {}, SwfActions().Push({"x", "in"}).Op(DefineLocal).Take())
                      .Push({0, "f"}).Op(CallFunction).Op(Pop).Push({"x"}).Op(GetVariable).Op(Trace)
                      .Take();
    ExpectRows({
        {"locals", 6, difference, "7"},
        {"registers", 7, square, "49|undefined"},
        {"recursion", 7, factorial, "3628800"},
        {"local variable", 6, local, "undefined"},
    });
}

TEST(Actions, ObjectsArraysAndBuiltIns)
{
    auto method = [](SwfActions& a, const char* object, const char* name,
                     std::initializer_list<SwfValue> arguments) -> SwfActions& {
        return Arguments(a, arguments).Push({object}).Op(GetVariable).Push({name}).Op(CallMethod);
    };
    Bytes objects = SwfActions()
                        .Push({"o", "x", 1, "y", "two", 2}).Op(InitObject).Op(SetVariable)
                        .Push({"o"}).Op(GetVariable).Push({"y"}).Op(GetMember).Op(Trace)
                        .Push({"o"}).Op(GetVariable).Push({"z", 5}).Op(SetMember)
                        .Push({"o"}).Op(GetVariable).Push({"z"}).Op(GetMember).Op(Trace)
                        .Take();
    SwfActions list;
    list.Push({"a", 3, 10, 2, 3}).Op(InitArray).Op(SetVariable);
    method(list, "a", "push", {1}).Op(Pop);
    list.Push({"a"}).Op(GetVariable).Push({"length"}).Op(GetMember).Op(Trace);
    method(list, "a", "sort", {16}).Op(Pop);
    method(list, "a", "join", {"-"}).Op(Trace);
    SwfActions text;
    text.Push({"s", "Hello, World"}).Op(SetVariable);
    method(text, "s", "toUpperCase", {}).Op(Trace);
    method(text, "s", "substr", {-5, 3}).Op(Trace);
    method(text, "s", "split", {", "}).Push({"length"}).Op(GetMember).Op(Trace);
    method(text, "s", "indexOf", {"o", 5}).Op(Trace);
    SwfActions math;
    method(math, "Math", "max", {3, 9}).Op(Trace);
    method(math, "Math", "floor", {-2.5}).Op(Trace);
    method(math, "Math", "round", {-2.5}).Op(Trace);
    Bytes types = SwfActions()
                      .Push({1}).Op(TypeOf).Op(Trace).Push({"1"}).Op(TypeOf).Op(Trace).Push({Null()}).Op(TypeOf)
                      .Op(Trace).Push({"_root"}).Op(GetVariable).Op(TypeOf).Op(Trace)
                      .Push({"Math"}).Op(GetVariable).Push({"max"}).Op(GetMember).Op(TypeOf).Op(Trace)
                      .Push({0, "Array"}).Op(NewObject).Push({"Array"}).Op(GetVariable).Op(InstanceOf).Op(Trace)
                      .Take();
    Bytes numbers = SwfActions()
                        .Push({16, 1}).Push({255, 1, "Number"}).Op(NewObject).Push({"toString"}).Op(CallMethod)
                        .Op(Trace)
                        .Push({"7", 1, "Number"}).Op(CallFunction).Op(Trace)
                        .Push({0, 1, "Boolean"}).Op(CallFunction).Op(Trace)
                        .Push({0}).Push({5000, 1, "Date"}).Op(NewObject).Push({"getSeconds"}).Op(CallMethod).Op(Trace)
                        .Take();
    ExpectRows({
        {"objects", 6, objects, "two|5"},
        {"arrays", 6, list.Take(), "4|1-2-3-10"},
        {"strings", 6, text.Take(), "HELLO, WORLD|Wor|2|8"},
        {"math", 6, math.Take(), "9|-3|-2"},
        {"types", 6, types, "number|string|null|movieclip|function|true"},
    });
    EXPECT_EQ(RunActions(6, numbers), "ff|7|false|5");
}

// Built-in methods are made on an object's first use: whatever a script
// does first to one must find it there, and whatever it changes stays with
// its own movie.
TEST(Actions, BuiltInsAreReadyAtFirstUseAndEachMoviesOwn)
{
    auto member = [](SwfActions& a, const char* object, const char* name) -> SwfActions& {
        return a.Push({object}).Op(GetVariable).Push({name});
    };
    SwfActions replaced;
    member(replaced, "Math", "max").Push({5}).Op(SetMember);
    member(replaced, "Math", "max").Op(GetMember).Op(Trace);
    SwfActions deleted;
    member(deleted, "Math", "floor").Op(Delete).Op(Trace);
    member(deleted, "Math", "floor").Op(GetMember).Op(TypeOf).Op(Trace);
    SwfActions own;
    Arguments(own, {"abs"}).Push({"Math"}).Op(GetVariable).Push({"hasOwnProperty"}).Op(CallMethod).Op(Trace);
    SwfActions changed;
    member(changed, "String", "prototype").Op(GetMember).Push({"toUpperCase", 1}).Op(SetMember);
    changed.Push({"s", "ab"}).Op(SetVariable);
    member(changed, "s", "toUpperCase").Op(GetMember).Op(TypeOf).Op(Trace);
    SwfActions next;
    next.Push({"s", "ab"}).Op(SetVariable);
    Arguments(next, {}).Push({"s"}).Op(GetVariable).Push({"toUpperCase"}).Op(CallMethod).Op(Trace);
    ExpectRows({
        {"replaced before its first use", 6, replaced.Take(), "5"},
        {"deleted before its first use", 6, deleted.Take(), "true|undefined"},
        {"own property before its first use", 6, own.Take(), "true"},
        {"a prototype changed by one movie", 6, changed.Take(), "number"},
        {"is the next movie's as made", 6, next.Take(), "AB"},
    });
}

TEST(Actions, TryWithAndEnumerate)
{
    Bytes caught = SwfActions()
                       .Try("e", SwfActions().Push({"boom"}).Op(Throw).Push({"not here"}).Op(Trace).Take(),
                            SwfActions().Push({"e"}).Op(GetVariable).Op(Trace).Take(),
                            SwfActions().Push({"finally"}).Op(Trace).Take())
                       .Push({"after"}).Op(Trace)
                       .Take();
    Bytes uncaught = SwfActions().Push({"up"}).Op(Throw).Push({"never"}).Op(Trace).Take();
    Bytes with = SwfActions()
                     .Push({"o", "x", "inside", 1}).Op(InitObject).Op(SetVariable)
                     .Push({"o"}).Op(GetVariable)
                     .With(SwfActions().Push({"x"}).Op(GetVariable).Op(Trace).Take())
                     .Push({"x"}).Op(GetVariable).Op(Trace)
                     .Take();
    // Counts what enumeration pushes before its null.
    Bytes count = SwfActions().Op(Pop).Push({"n", "n"}).Op(GetVariable).Op(Increment).Op(SetVariable).Take();
    Bytes test = SwfActions().Op(PushDuplicate).Push({Null()}).Op(StrictEquals).Take();
    Bytes enumerate = SwfActions()
                          .Push({"n", 0}).Op(SetVariable)
                          .Push({"a", 1, "b", 2, 2}).Op(InitObject).Op(Enumerate2)
                          .Append(test).If(static_cast<int16_t>(count.size() + 5)).Append(count)
                          .Jump(static_cast<int16_t>(-static_cast<int>(count.size() + 10 + test.size())))
                          .Push({"n"}).Op(GetVariable).Op(Trace)
                          .Take();
    ExpectRows({
        {"try", 7, caught, "boom|finally|after"},
        {"uncaught throw ends its block", 7, uncaught, ""},
        {"with", 6, with, "inside|undefined"},
        {"enumerate", 6, enumerate, "2"},
    });
}

TEST(Actions, CommandsToTheHost)
{
    ExpectRows({
        {"getURL", 5, SwfActions().GetUrl("FSCommand:quit", "now").Take(), "fs:quit(now)"},
        {"fscommand()", 6,
         SwfActions().Push({"FSCommand:kvn_cmd_capture_start", "1"}).Op(GetUrl2, Bytes{0}).Take(),
         "fs:kvn_cmd_capture_start(1)"},
        {"other addresses are not commands", 6, SwfActions().GetUrl("http://example.invalid/", "_blank").Take(), ""},
        {"ExternalInterface.call", 8,
         SwfActions()
             .Push({2, "a<b", 2, "flash"}).Op(GetVariable).Push({"external"}).Op(GetMember)
             .Push({"ExternalInterface"}).Op(GetMember).Push({"call"}).Op(CallMethod).Op(Pop)
             .Take(),
         "call:<invoke name=\"a&lt;b\" returntype=\"xml\"><arguments><number>2</number></arguments></invoke>"},
    });
}

}
