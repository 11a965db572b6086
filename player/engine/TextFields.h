#pragma once
// What a text field shows: its text (the variable it is bound to, or its
// initial text), styled from its definition and its HTML, ready to lay out.
#include <optional>
#include <string>
#include <vector>

#include "Dictionary.h"
#include "TextLayout.h"

namespace tvmplayer {

class DisplayList;

// The path to a field's variable from the clip at target: "" for the root,
// else "_root.a.b". A variable that names its own clip keeps its path.
std::string FieldVariablePath(const std::string& target, const std::string& variable);

// The field's text in spans: text (the value of the variable it shows), or
// without one its own; frame decides which font its id stands for.
std::vector<TextSpan> FieldSpans(const EditText& field, const std::string* text, const Dictionary& characters,
                                 size_t frame);

// Reads and writes the variables of the movie's scripts.
class VariableAccess {
public:
    virtual ~VariableAccess() = default;
    virtual std::optional<std::string> Read(const std::string& path) = 0;
    virtual void Write(const std::string& path, const std::string& value) = 0;
};

// A field on the root timeline whose variable is not yet set sets it to
// its initial text, so that the scripts read what the field shows.
void BindTextFields(const DisplayList& root, const Dictionary& characters, size_t frame, VariableAccess& variables);

}
