// Array's constructor and methods.
#include <algorithm>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionMachine.h"

namespace tvmplayer {
namespace {

enum SortOption { CaseInsensitive = 1, Descending = 2, Unique = 4, ReturnIndexed = 8, Numeric = 16 };

std::vector<Value>* Elements(NativeCall& call)
{
    return call.This && call.This->Kind == ObjectKind::Array ? &call.This->Elements : nullptr;
}

// Elements print "undefined" in a join whatever the movie's version.
std::string Join(ActionMachine& machine, const std::vector<Value>& elements, const std::string& separator)
{
    std::string text;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (i)
            text += separator;
        text += elements[i].IsUndefined() ? "undefined" : machine.ToString(elements[i]);
        CheckTextLength(text.size());
    }
    machine.Allocate(text.size());
    return text;
}

size_t Position(NativeCall& call, size_t index, double absent, size_t size)
{
    double at = index < call.Count() && !call.Argument(index).IsUndefined()
                    ? ToInteger(call.Machine.ToNumber(call.Argument(index)))
                    : absent;
    if (at < 0)
        at = std::max(0.0, static_cast<double>(size) + at);
    return static_cast<size_t>(std::min(at, static_cast<double>(size)));
}

// A merge sort: it stays within its bounds whatever a script's comparison
// answers, which std::sort does not promise.
template <class Less>
void MergeSort(std::vector<size_t>& order, Less less)
{
    std::vector<size_t> buffer(order.size());
    for (size_t width = 1; width < order.size(); width *= 2) {
        for (size_t left = 0; left < order.size(); left += 2 * width) {
            size_t middle = std::min(left + width, order.size()), right = std::min(left + 2 * width, order.size());
            size_t a = left, b = middle, out = left;
            while (a < middle && b < right) buffer[out++] = less(order[b], order[a]) ? order[b++] : order[a++];
            while (a < middle) buffer[out++] = order[a++];
            while (b < right) buffer[out++] = order[b++];
        }
        order.swap(buffer);
    }
}

Value Sort(NativeCall& call)
{
    std::vector<Value>* elements = Elements(call);
    if (!elements)
        return {};
    ActionMachine& machine = call.Machine;
    Value compare;
    int options = 0;
    if (call.Argument(0).IsObject() && call.Argument(0).Object->IsFunction()) {
        compare = call.Argument(0);
        options = ToInt32(machine.ToNumber(call.Argument(1)));
    } else if (call.Count()) {
        options = ToInt32(machine.ToNumber(call.Argument(0)));
    }
    const std::vector<Value> values = *elements;
    machine.Charge(values.size() * 8);
    std::vector<std::string> texts;
    if (compare.IsUndefined() && !(options & Numeric))
        for (const Value& value : values) {
            std::string text = machine.ToString(value);
            if (options & CaseInsensitive)
                for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            texts.push_back(std::move(text));
        }
    auto order = [&](size_t a, size_t b) -> double {
        if (!compare.IsUndefined()) {
            std::vector<Value> pair = {values[a], values[b]};
            return machine.ToNumber(machine.Call(compare, nullptr, pair));
        }
        if (options & Numeric) {
            double x = machine.ToNumber(values[a]), y = machine.ToNumber(values[b]);
            return x < y ? -1 : x > y ? 1 : 0;
        }
        return texts[a] < texts[b] ? -1 : texts[a] > texts[b] ? 1 : 0;
    };
    std::vector<size_t> indices(values.size());
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = i;
    bool descending = options & Descending;
    MergeSort(indices, [&](size_t a, size_t b) { return descending ? order(a, b) > 0 : order(a, b) < 0; });
    if (options & Unique)
        for (size_t i = 1; i < indices.size(); ++i)
            if (order(indices[i - 1], indices[i]) == 0)
                return Value::FromNumber(0);
    if (options & ReturnIndexed) {
        std::vector<Value> positions;
        for (size_t index : indices) positions.push_back(Value::FromNumber(static_cast<double>(index)));
        return Value::FromObject(machine.NewArray(std::move(positions)));
    }
    for (size_t i = 0; i < indices.size(); ++i) (*elements)[i] = values[indices[i]];
    return Value::FromObject(call.This);
}

}

void InstallArrayMethods(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* prototype = machine.Protos.Array;
    ScriptObject* constructor = machine.NewFunction(
        [](NativeCall& call) {
            std::vector<Value> elements(call.Arguments.begin(), call.Arguments.end());
            if (call.Count() == 1 && call.Argument(0).IsNumber()) {
                elements.assign(ArrayLength(ToInteger(call.Argument(0).Number)), Value());
            }
            return Value::FromObject(call.Machine.NewArray(std::move(elements)));
        },
        prototype);
    global->Put("Array", Value::FromObject(constructor), DontEnum);
    const std::pair<const char*, int> options[] = {{"CASEINSENSITIVE", CaseInsensitive}, {"DESCENDING", Descending},
                                                   {"UNIQUESORT", Unique}, {"RETURNINDEXEDARRAY", ReturnIndexed},
                                                   {"NUMERIC", Numeric}};
    for (const auto& [name, value] : options) constructor->Put(name, Value::FromNumber(value), DontEnum | ReadOnly);

    DefineMethod(machine, prototype, "push", [](NativeCall& call) {
        std::vector<Value>* elements = Elements(call);
        if (!elements)
            return Value();
        CheckArrayLength(elements->size() + call.Count());
        elements->insert(elements->end(), call.Arguments.begin(), call.Arguments.end());
        return Value::FromNumber(static_cast<double>(elements->size()));
    });
    DefineMethod(machine, prototype, "pop", [](NativeCall& call) {
        std::vector<Value>* elements = Elements(call);
        if (!elements || elements->empty())
            return Value();
        Value last = elements->back();
        elements->pop_back();
        return last;
    });
    DefineMethod(machine, prototype, "shift", [](NativeCall& call) {
        std::vector<Value>* elements = Elements(call);
        if (!elements || elements->empty())
            return Value();
        call.Machine.Allocate(elements->size() * sizeof(Value));
        Value first = elements->front();
        elements->erase(elements->begin());
        return first;
    });
    DefineMethod(machine, prototype, "unshift", [](NativeCall& call) {
        std::vector<Value>* elements = Elements(call);
        if (!elements)
            return Value();
        CheckArrayLength(elements->size() + call.Count());
        call.Machine.Allocate(elements->size() * sizeof(Value));
        elements->insert(elements->begin(), call.Arguments.begin(), call.Arguments.end());
        return Value::FromNumber(static_cast<double>(elements->size()));
    });
    DefineMethod(machine, prototype, "join", [](NativeCall& call) {
        std::vector<Value>* elements = Elements(call);
        std::string separator = call.Argument(0).IsUndefined() ? "," : call.Machine.ToString(call.Argument(0));
        return elements ? Value::FromString(Join(call.Machine, *elements, separator)) : Value();
    });
    DefineMethod(machine, prototype, "toString", [](NativeCall& call) {
        std::vector<Value>* elements = Elements(call);
        return elements ? Value::FromString(Join(call.Machine, *elements, ",")) : Value();
    });
    DefineMethod(machine, prototype, "reverse", [](NativeCall& call) {
        if (std::vector<Value>* elements = Elements(call))
            std::reverse(elements->begin(), elements->end());
        return Value::FromObject(call.This);
    });
    DefineMethod(machine, prototype, "concat", [](NativeCall& call) {
        std::vector<Value>* elements = Elements(call);
        std::vector<Value> joined = elements ? *elements : std::vector<Value>();
        for (const Value& argument : call.Arguments) {
            if (argument.IsObject() && argument.Object->Kind == ObjectKind::Array)
                joined.insert(joined.end(), argument.Object->Elements.begin(), argument.Object->Elements.end());
            else
                joined.push_back(argument);
            CheckArrayLength(joined.size());
        }
        call.Machine.Allocate(joined.size() * sizeof(Value));
        return Value::FromObject(call.Machine.NewArray(std::move(joined)));
    });
    DefineMethod(machine, prototype, "slice", [](NativeCall& call) {
        std::vector<Value>* elements = Elements(call);
        if (!elements)
            return Value();
        size_t from = Position(call, 0, 0, elements->size());
        size_t to = Position(call, 1, static_cast<double>(elements->size()), elements->size());
        std::vector<Value> part;
        if (from < to)
            part.assign(elements->begin() + static_cast<std::ptrdiff_t>(from),
                        elements->begin() + static_cast<std::ptrdiff_t>(to));
        return Value::FromObject(call.Machine.NewArray(std::move(part)));
    });
    DefineMethod(machine, prototype, "splice", [](NativeCall& call) {
        std::vector<Value>* elements = Elements(call);
        if (!elements)
            return Value();
        size_t from = Position(call, 0, 0, elements->size());
        double wanted = call.Count() > 1 ? ToInteger(call.Machine.ToNumber(call.Argument(1)))
                                         : static_cast<double>(elements->size());
        size_t count = static_cast<size_t>(std::clamp(wanted, 0.0, static_cast<double>(elements->size() - from)));
        auto first = elements->begin() + static_cast<std::ptrdiff_t>(from);
        std::vector<Value> removed(first, first + static_cast<std::ptrdiff_t>(count));
        elements->erase(first, first + static_cast<std::ptrdiff_t>(count));
        if (call.Count() > 2) {
            CheckArrayLength(elements->size() + call.Count());
            elements->insert(elements->begin() + static_cast<std::ptrdiff_t>(from), call.Arguments.begin() + 2,
                             call.Arguments.end());
        }
        call.Machine.Allocate(elements->size() * sizeof(Value));
        return Value::FromObject(call.Machine.NewArray(std::move(removed)));
    });
    DefineMethod(machine, prototype, "sort", Sort);
}

}
