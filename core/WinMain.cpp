// The program block: read the command line, then either the maintenance run
// (no window) or the normal run with the application's windows.
#include <windows.h>

#include "Direct3D9Switch.h"
#include "Exceptions.h"
#include "Forms.h"
#include "GifCodec.h"
#include "ProgramWindows.h"
#include "SysUtils.h"
#include "UxStartUp.h"
#include "smain.h"
#include "svar.h"
#include "tvmpro.h"

namespace {

int RunProgram()
{
    InitializeMainWindowUnit(GetModuleHandleA(nullptr));
    Application->Initialize();
    const std::string exePath = Application->ExeName();
    const std::string exeFolder = ExtractFilePath(exePath);
    std::vector<std::string> params;
    for (int i = 1; i <= ParamCount(); ++i) params.push_back(ParamStr(i));
    const TStartUpOptions options = ReadCommandLine(params, exeFolder, ProjectFilePath);
    RunAction = options.RunAction;
    ProjectFilePath = options.ProjectFilePath;
    const bool hasCompatibilityLayers = Win32MajorVersion() >= 6;

    if (RunAction != "0") {
        if (hasCompatibilityLayers) ApplyCompatibilityLayer(exePath);
        RunMaintenance(ProjectFilePath, exeFolder);
        Application->Terminate();
        return 0;
    }

    NeedsRestart = hasCompatibilityLayers && ApplyCompatibilityLayer(exePath);
    if (NeedsRestart) {
        // The successor gets the same command line, so a named project
        // file is not lost on the one start that writes the layer.
        Application->Terminate();
        StartProcess(exePath, GetCommandLineA());
        return 0;
    }

    const std::string companion = exeFolder + "tvmsrvc.exe";
    StartProcess(companion, "\"" + companion + "\"");
    DisableDirect3D9();
    if (!FileExists(ProjectFilePath)) ProjectFilePath = exeFolder + "tasks.prj";
    Application->SetTitle("Tavelomatic Studio");
    CreateProgramWindows();
    frmMain->Show();
    frmMain->Update();
    Application->Run();
    DestroyProgramWindows();
    return 0;
}

}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    StartUpUtilityUnits();
    StartUpGifCodec();
    int exitCode = 1;
    try {
        exitCode = RunProgram();
    } catch (...) {
        Application->HandleException(nullptr);
    }
    ShutDownUtilityUnits();
    return exitCode;
}
