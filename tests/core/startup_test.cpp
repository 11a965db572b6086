// The program's start-up: the command line as a table, the maintenance run
// over a project file, and the compatibility value in the registry.
#include <gtest/gtest.h>

#include "FastIni.h"
#include "Registry.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "tvmpro.h"

namespace {

const std::string kExeFolder = "C:\\Prog\\";

}

TEST(StartUp, CommandLine)
{
    const struct {
        std::vector<std::string> params;
        const char* action;
        const char* project;
    } cases[] = {
        {{}, "0", "start.prj"},
        {{"-A", "5"}, "5", "C:\\Prog\\tasks.prj"},
        {{"-pf", "C:\\Proj\\My.PRJ"}, "0", "c:\\proj\\my.prj"},
        {{"-pf", "x.prj", "-a", "1"}, "1", "C:\\Prog\\tasks.prj"},
        {{"-a", "1", "-pf", "x.prj"}, "1", "x.prj"},
        {{"-a", "-pf", "y.prj"}, "-pf", "y.prj"},
        {{"-a", "0"}, "0", "C:\\Prog\\tasks.prj"},
        {{"/Action", "Mixed"}, "Mixed", "C:\\Prog\\tasks.prj"},
        {{"/PROJECTFILE"}, "0", ""},
        {{"-a"}, "", "C:\\Prog\\tasks.prj"},
        {{"other", "-x"}, "0", "start.prj"},
    };
    for (const auto& c : cases) {
        TStartUpOptions options = ReadCommandLine(c.params, kExeFolder, "start.prj");
        std::string line;
        for (const auto& p : c.params) line += p + " ";
        EXPECT_EQ(options.RunAction, c.action) << line;
        EXPECT_EQ(options.ProjectFilePath, c.project) << line;
    }
}

TEST(StartUp, MaintenanceRepointsEveryTask)
{
    const std::string folder = tvmtest::OutputDir() + "maintenance\\";
    ForceDirectories(folder);
    const std::string project = folder + "two.prj";
    const std::string text =
        "[Identifier]\r\nProjectFileID=anything\r\nTasksCount=2\r\n\r\n"
        "[Task0_Source_FileInfo]\r\nFileName=D:\\movies\\intro.swf\r\nFPS=24\r\n\r\n"
        "[Task0_Target_GeneralSettings]\r\nTargetFilePath=D:\\out\\\r\nTargetFileName=intro.avi\r\n\r\n"
        "[Task1_Source_FileInfo]\r\nFPS=12\r\n\r\n";
    tvmtest::WriteFile(project, tvmtest::Bytes(text.begin(), text.end()));

    RunMaintenance(project, kExeFolder);
    TFastIniFile ini(project);
    EXPECT_EQ(ini.ReadString("Task0_Source_FileInfo", "FileName", ""), "C:\\Prog\\flash\\intro.swf");
    EXPECT_EQ(ini.ReadString("Task0_Target_GeneralSettings", "TargetFilePath", ""), "C:\\Prog\\flash\\");
    EXPECT_EQ(ini.ReadString("Task0_Target_GeneralSettings", "TargetFileName", ""), "intro.avi");
    EXPECT_EQ(ini.ReadString("Task1_Source_FileInfo", "FileName", ""), "C:\\Prog\\flash\\");
    EXPECT_EQ(ini.ReadString("Task1_Target_GeneralSettings", "TargetFilePath", ""), "C:\\Prog\\flash\\");
    EXPECT_EQ(ini.ReadString("Task1_Source_FileInfo", "FPS", ""), "12");

    RunMaintenance(folder + "missing.prj", kExeFolder);
    EXPECT_FALSE(FileExists(folder + "missing.prj"));
}

TEST(StartUp, CompatibilityValueIsWrittenOnce)
{
    const std::string key = "\\Software\\TavelomaticStartUpTests\\Layers";
    const std::string exe = "C:\\Prog\\tvmpro.exe";
    TRegistry cleanup;
    cleanup.DeleteKey(key);

    EXPECT_TRUE(ApplyCompatibilityLayer(exe, key));   // key created, value written
    EXPECT_FALSE(ApplyCompatibilityLayer(exe, key));  // already in place
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(key, false));
    registry.WriteString(exe, "winxpsp3");
    registry.CloseKey();
    EXPECT_FALSE(ApplyCompatibilityLayer(exe, key));  // compared upper-cased
    ASSERT_TRUE(registry.OpenKey(key, false));
    registry.WriteString(exe, "WIN7RTM");
    registry.CloseKey();
    EXPECT_TRUE(ApplyCompatibilityLayer(exe, key));
    ASSERT_TRUE(registry.OpenKey(key, false));
    EXPECT_EQ(registry.ReadString(exe), "WINXPSP3");
    registry.CloseKey();
    cleanup.DeleteKey("\\Software\\TavelomaticStartUpTests");
}
