#include "ShortCuts.h"

#include <cctype>
#include <string>

namespace {

struct TNamedKey {
    WORD key;
    const char* name;
};

constexpr TNamedKey NamedKeys[] = {
    {VK_BACK, "BkSp"}, {VK_TAB, "Tab"},   {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},   {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"},      {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},  {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};

struct TModifier {
    TShortCut flag;
    const char* prefix;
};

// In the order the text shows them.
constexpr TModifier Modifiers[] = {{scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}};

std::string KeyName(WORD key)
{
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - VK_F1 + 1);
    for (const TNamedKey& named : NamedKeys)
        if (named.key == key) return named.name;
    return "";
}

bool StartsWithNoCase(const std::string& text, size_t at, const std::string& prefix)
{
    if (text.size() - at < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[at + i])) != std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

}

std::string ShortCutToText(TShortCut shortCut)
{
    std::string name = KeyName(shortCut & 0xFF);
    if (name.empty()) return "";
    std::string text;
    for (const TModifier& modifier : Modifiers)
        if (shortCut & modifier.flag) text += modifier.prefix;
    return text + name;
}

TShortCut TextToShortCut(const std::string& text)
{
    TShortCut flags = 0;
    size_t at = 0;
    for (bool found = true; found;) {
        found = false;
        for (const TModifier& modifier : Modifiers) {
            if (StartsWithNoCase(text, at, modifier.prefix)) {
                flags |= modifier.flag;
                at += std::char_traits<char>::length(modifier.prefix);
                found = true;
            }
        }
    }
    std::string rest = text.substr(at);
    if (rest.empty()) return scNone;
    for (WORD key = 1; key <= 0xFF; ++key) {
        std::string name = KeyName(key);
        if (name.size() == rest.size() && StartsWithNoCase(rest, 0, name)) return static_cast<TShortCut>(flags | key);
    }
    return scNone;
}

TShortCut ShortCutFromKey(WORD key)
{
    TShortCut shortCut = key & 0xFF;
    if (GetKeyState(VK_SHIFT) < 0) shortCut |= scShift;
    if (GetKeyState(VK_CONTROL) < 0) shortCut |= scCtrl;
    if (GetKeyState(VK_MENU) < 0) shortCut |= scAlt;
    return shortCut;
}
