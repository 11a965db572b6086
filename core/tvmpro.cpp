#include "tvmpro.h"

#include <windows.h>

#include "Exceptions.h"
#include "FastIni.h"
#include "Registry.h"
#include "SysUtils.h"

const char* const kCompatibilityLayersKey = "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";
const char* const kCompatibilityLayer = "WINXPSP3";

TStartUpOptions ReadCommandLine(const std::vector<std::string>& params, const std::string& exeFolder,
                                const std::string& projectFilePath)
{
    TStartUpOptions options;
    options.ProjectFilePath = projectFilePath;
    auto next = [&](size_t i) { return i + 1 < params.size() ? params[i + 1] : std::string(); };
    for (size_t i = 0; i < params.size(); ++i) {
        const std::string name = AnsiLowerCase(params[i]);
        if (name == "-action" || name == "-a" || name == "/action" || name == "/a") {
            // Only the switch is consumed: its value is looked at as a switch too.
            options.RunAction = next(i);
            options.ProjectFilePath = exeFolder + "tasks.prj";
        } else if (name == "-projectfile" || name == "-pf" || name == "/projectfile" || name == "/pf") {
            options.ProjectFilePath = AnsiLowerCase(next(i));
            ++i;
        }
    }
    return options;
}

void RunMaintenance(const std::string& projectFilePath, const std::string& exeFolder)
{
    if (!FileExists(projectFilePath)) return;
    const std::string flashFolder = exeFolder + "flash\\";
    TFastIniFile project(projectFilePath);
    const int count = project.ReadInteger("Identifier", "TasksCount", 0);
    for (int k = 0; k < count; ++k) {
        const std::string task = "Task" + IntToStr(k);
        const std::string oldName = project.ReadString(task + "_Source_FileInfo", "FileName", "");
        project.WriteString(task + "_Source_FileInfo", "FileName", flashFolder + ExtractFileName(oldName));
        project.WriteString(task + "_Target_GeneralSettings", "TargetFilePath", flashFolder);
    }
    project.UpdateFile();
}

bool ApplyCompatibilityLayer(const std::string& exePath, const std::string& key)
{
    try {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        if (registry.OpenKey(key, false) && AnsiUpperCase(registry.ReadString(exePath)) == kCompatibilityLayer)
            return false;
        if (!registry.GetCurrentKey() && !registry.OpenKey(key, true)) return false;
        registry.WriteString(exePath, kCompatibilityLayer);
        // Only a value that reads back as written may justify a restart:
        // anything else would restart the program again and again.
        return AnsiUpperCase(registry.ReadString(exePath)) == kCompatibilityLayer;
    } catch (const Exception&) {
        return false;
    }
}

bool StartProcess(const std::string& exePath, const std::string& commandLine)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    std::string line = commandLine;
    if (!CreateProcessA(exePath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        ExtractFilePath(exePath).c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
