#pragma once
// The program's start-up: command line, maintenance run over a project file,
// the compatibility layer, the companion executable and the restart.
#include <string>
#include <vector>

extern const char* const kCompatibilityLayersKey;
extern const char* const kCompatibilityLayer;

struct TStartUpOptions {
    std::string RunAction = "0";
    std::string ProjectFilePath;
};

// Params are the command-line parameters after the program's own name.
// "-action"/"-a" (also with "/") take the next parameter as the action and
// reset the project file to tasks.prj in ExeFolder; "-projectfile"/"-pf"
// take the next parameter, lower-cased, as the project file.
TStartUpOptions ReadCommandLine(const std::vector<std::string>& params, const std::string& exeFolder,
                                const std::string& projectFilePath);

// Points every task of the project file at the "flash\" folder beside the
// executable and writes the file back; a missing file is left alone.
void RunMaintenance(const std::string& projectFilePath, const std::string& exeFolder);

// Makes the value named ExePath under Key (HKEY_CURRENT_USER) read
// "WINXPSP3"; answers True when it had to be written and now reads so.
// Registry failures are not reported.
bool ApplyCompatibilityLayer(const std::string& exePath, const std::string& key = kCompatibilityLayersKey);

// Starts ExePath with CommandLine (as the process received it), shown normally.
bool StartProcess(const std::string& exePath, const std::string& commandLine);
