#pragma once
// String routines of the controls' utility units.
#include <string>

// Every occurrence, left to right, without rescanning replaced text. An
// empty Search answers S unchanged.
std::string ReplaceSubstring(const std::string& s, const std::string& search, const std::string& replacement);
std::string RemoveChars(const std::string& s, char ch);
// Only the blank (code 32) counts here, not tabs or line breaks.
std::string TrimLeadingBlanks(const std::string& s);
std::string TrimTrailingBlanks(const std::string& s);
std::string TrimBlanks(const std::string& s);
std::string RepeatChar(char ch, int count);
