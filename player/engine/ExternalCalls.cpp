#include "ExternalCalls.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionMachine.h"

namespace tvmplayer {
namespace {

// Nesting deeper than this is not read, nor written.
constexpr int MaxDepth = 64;
const char CallbacksName[] = "__callbacks";

std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& text)
{
    static const std::pair<const char*, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        bool replaced = false;
        if (text[i] == '&')
            for (const auto& [entity, c] : entities)
                if (text.compare(i, std::char_traits<char>::length(entity), entity) == 0) {
                    out += c;
                    i += std::char_traits<char>::length(entity) - 1;
                    replaced = true;
                    break;
                }
        if (!replaced)
            out += text[i];
    }
    return out;
}

std::string Write(ActionMachine& machine, const Value& value, int depth)
{
    switch (value.Type) {
    case ValueType::Undefined: return "<undefined/>";
    case ValueType::Null: return "<null/>";
    case ValueType::Boolean: return value.Flag ? "<true/>" : "<false/>";
    case ValueType::Number: return "<number>" + NumberToString(value.Number) + "</number>";
    case ValueType::String: return "<string>" + Escape(value.Text()) + "</string>";
    case ValueType::Object: break;
    }
    if (depth >= MaxDepth || value.Object->IsFunction())
        return "<null/>";
    std::string out;
    if (value.Object->Kind == ObjectKind::Array) {
        out = "<array>";
        for (size_t i = 0; i < value.Object->Elements.size(); ++i)
            out += "<property id=\"" + std::to_string(i) + "\">" + Write(machine, value.Object->Elements[i], depth + 1)
                   + "</property>";
        return out + "</array>";
    }
    out = "<object>";
    for (const std::string& name : value.Object->Names())
        out += "<property id=\"" + Escape(name) + "\">" + Write(machine, machine.GetMember(value, name), depth + 1)
               + "</property>";
    return out + "</object>";
}

// A reader of the few elements the format has.
class XmlReader {
public:
    XmlReader(ActionMachine& machine, const std::string& text) : machine_(machine), text_(text) {}

    // The next element's name and attributes; at_ then stands after its
    // start tag. Answers false at the end or at a closing tag.
    bool Open(std::string& name, std::string& attributes, bool& empty)
    {
        SkipBlanks();
        if (at_ >= text_.size() || text_[at_] != '<' || text_.compare(at_, 2, "</") == 0)
            return false;
        size_t close = text_.find('>', at_);
        if (close == std::string::npos)
            return false;
        std::string tag = text_.substr(at_ + 1, close - at_ - 1);
        at_ = close + 1;
        empty = !tag.empty() && tag.back() == '/';
        if (empty)
            tag.pop_back();
        size_t space = tag.find(' ');
        name = tag.substr(0, space);
        attributes = space == std::string::npos ? "" : tag.substr(space + 1);
        return true;
    }

    // Steps over "</name>".
    void Close()
    {
        size_t close = text_.find('>', at_);
        at_ = close == std::string::npos ? text_.size() : close + 1;
    }

    std::string Text()
    {
        size_t end = text_.find('<', at_);
        if (end == std::string::npos)
            end = text_.size();
        std::string content = Unescape(text_.substr(at_, end - at_));
        at_ = end;
        return content;
    }

    Value ReadValue(int depth)
    {
        std::string name, attributes;
        bool empty = false;
        if (depth > MaxDepth || !Open(name, attributes, empty))
            return {};
        Value value;
        if (name == "true" || name == "false") {
            value = Value::Boolean(name == "true");
        } else if (name == "null") {
            value = Value::Null();
        } else if (name == "string") {
            value = Value::FromString(empty ? "" : Text());
        } else if (name == "number") {
            value = Value::FromNumber(empty ? 0 : StringToNumber(Text(), 5));
        } else if (name == "array" || name == "object") {
            ScriptObject* made = name == "array" ? machine_.NewArray() : machine_.NewObject();
            value = Value::FromObject(made);
            std::string property, propertyAttributes;
            bool propertyEmpty = false;
            while (!empty && Open(property, propertyAttributes, propertyEmpty)) {
                std::string id = Attribute(propertyAttributes, "id");
                Value element = propertyEmpty ? Value() : ReadValue(depth + 1);
                machine_.SetMember(value, id, element);
                if (!propertyEmpty)
                    Close();
            }
        }
        if (!empty)
            Close();
        return value;
    }

    static std::string Attribute(const std::string& attributes, const std::string& key)
    {
        size_t at = attributes.find(key + "=\"");
        if (at == std::string::npos)
            return {};
        at += key.size() + 2;
        size_t end = attributes.find('"', at);
        return Unescape(attributes.substr(at, end == std::string::npos ? std::string::npos : end - at));
    }

private:
    void SkipBlanks()
    {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }

    ActionMachine& machine_;
    const std::string& text_;
    size_t at_ = 0;
};

ScriptObject* Callbacks(ActionMachine& machine)
{
    Value held = machine.GetMember(Value::FromObject(machine.Global()), CallbacksName);
    return held.IsObject() ? held.Object : nullptr;
}

}

std::string ValueToXml(ActionMachine& machine, const Value& value)
{
    return Write(machine, value, 0);
}

Value XmlToValue(ActionMachine& machine, const std::string& xml)
{
    XmlReader reader(machine, xml);
    return reader.ReadValue(0);
}

std::string InvokeXml(ActionMachine& machine, const std::string& name, const std::vector<Value>& arguments)
{
    std::string xml = "<invoke name=\"" + Escape(name) + "\" returntype=\"xml\"><arguments>";
    for (const Value& argument : arguments) xml += ValueToXml(machine, argument);
    return xml + "</arguments></invoke>";
}

std::optional<std::string> AnswerHostCall(ActionMachine& machine, const std::string& request)
{
    XmlReader reader(machine, request);
    std::string element, attributes;
    bool empty = false;
    if (!reader.Open(element, attributes, empty) || element != "invoke")
        return std::nullopt;
    std::string name = XmlReader::Attribute(attributes, "name");
    ScriptObject* callbacks = Callbacks(machine);
    Property* entry = callbacks ? callbacks->Find(name) : nullptr;
    if (!entry || !entry->Content.IsObject() || entry->Content.Object->Elements.size() < 2)
        return std::nullopt;
    std::vector<Value> arguments;
    std::string list, listAttributes;
    bool listEmpty = false;
    if (!empty && reader.Open(list, listAttributes, listEmpty) && list == "arguments" && !listEmpty) {
        for (int i = 0; i < 256; ++i) {
            Value argument = reader.ReadValue(1);
            if (argument.IsUndefined())
                break;
            arguments.push_back(argument);
        }
    }
    const std::vector<Value>& pair = entry->Content.Object->Elements;
    ScriptObject* instance = pair[0].IsObject() ? pair[0].Object : nullptr;
    Value result = machine.CallFromOutside(pair[1], instance, arguments);
    return ValueToXml(machine, result);
}

void InstallExternalInterface(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* flash = machine.NewObject();
    ScriptObject* external = machine.NewObject();
    ScriptObject* api = machine.NewObject();
    global->Put("flash", Value::FromObject(flash), DontEnum);
    flash->Put("external", Value::FromObject(external));
    external->Put("ExternalInterface", Value::FromObject(api));
    global->Put(CallbacksName, Value::FromObject(machine.NewObject()), DontEnum | DontDelete);
    api->Put("available", Value::Boolean(true), ReadOnly);
    DefineMethod(machine, api, "call", [](NativeCall& call) {
        std::string name = call.Machine.ToString(call.Argument(0));
        std::vector<Value> arguments(call.Arguments.begin() + std::min<size_t>(1, call.Count()), call.Arguments.end());
        std::string answer = call.Machine.Events().ExternalCall(InvokeXml(call.Machine, name, arguments));
        return answer.empty() ? Value::Null() : XmlToValue(call.Machine, answer);
    });
    DefineMethod(machine, api, "addCallback", [](NativeCall& call) {
        ScriptObject* callbacks = Callbacks(call.Machine);
        const Value& function = call.Argument(2);
        if (!callbacks || !function.IsObject() || !function.Object->IsFunction())
            return Value::Boolean(false);
        callbacks->Put(call.Machine.ToString(call.Argument(0)),
                       Value::FromObject(call.Machine.NewArray({call.Argument(1), function})));
        return Value::Boolean(true);
    });
}

}
