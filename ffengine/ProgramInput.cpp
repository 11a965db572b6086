#include "ProgramInput.h"

#include "FrameInput.h"
#include "SysUtils.h"
#include "WaveInput.h"

#include <cerrno>
#include <cstdlib>

std::vector<std::pair<std::string, std::string>> SplitInputOptions(const std::string& optionString)
{
    std::vector<std::pair<std::string, std::string>> items;
    size_t start = 0;
    while (start <= optionString.size()) {
        size_t end = optionString.find(';', start);
        if (end == std::string::npos) end = optionString.size();
        std::string item = optionString.substr(start, end - start);
        if (!item.empty()) {
            size_t equals = item.find('=');
            std::string key = LowerCase(Trim(item.substr(0, equals)));
            std::string value = equals == std::string::npos ? "" : Trim(item.substr(equals + 1));
            items.emplace_back(key, value);
        }
        start = end + 1;
    }
    return items;
}

bool ParseDecimal(const std::string& text, int64_t& value)
{
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno || *end || end == text.c_str()) return false;
    value = parsed;
    return true;
}

bool IsProgramFedFormat(const std::string& name)
{
    return name == "frameinput" || name == "waveinput";
}

TProgramInput* NewProgramInput(const std::string& name)
{
    if (name == "frameinput") return new TFrameInputReader();
    if (name == "waveinput") return new TWaveInputReader();
    return nullptr;
}

void InputLog(int level, const std::string& message)
{
    ff::av_log(nullptr, level, "%s", message.c_str());
}

int InputError(int code, const std::string& message)
{
    InputLog(AV_LOG_ERROR, message);
    return code;
}
