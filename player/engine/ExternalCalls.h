#pragma once
// ExternalInterface: calls between a movie and its host, written as the
// player's invoke XML ("<invoke name="f" returntype="xml"><arguments>
// <string>a</string></arguments></invoke>").
#include <optional>
#include <string>
#include <vector>

#include "ActionValue.h"

namespace tvmplayer {

class ActionMachine;

std::string ValueToXml(ActionMachine& machine, const Value& value);
// Answers undefined for what it cannot read.
Value XmlToValue(ActionMachine& machine, const std::string& xml);
std::string InvokeXml(ActionMachine& machine, const std::string& name, const std::vector<Value>& arguments);
// The host's call of a function the movie offered with addCallback: the
// result as XML, nothing when no such function was offered.
std::optional<std::string> AnswerHostCall(ActionMachine& machine, const std::string& request);

}
