// Any bytes as a project file: each task it names is read into a task's
// record as the program loads it, whatever the sections hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzText.h"
#include "IniText.h"
#include "kvnProjectFile.h"

namespace {

// Later tasks differ only in their section names: the first tells as much.
constexpr int32_t kTasksRead = 1;

volatile int64_t sink;

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const TIniText ini(std::string(reinterpret_cast<const char*>(data), size), AsciiSameText, AsciiTextHash, '.');
    if (!IsProjectFile(ini)) return 0;
    const int32_t count = std::clamp(ini.ReadInteger(kIdentifierSection, kTasksCountKey, 0), 0, kTasksRead);
    for (int32_t index = 0; index < count; ++index) {
        const TTaskSections sections(index);
        TkvnTavelomaticSettings settings;
        ReadProjectFileInfo(ini, sections.FileInfo, settings.FileInfo);
        // Whether the source movie exists is the file system's answer: a
        // name stands for one here.
        if (!ReadProjectSettings(ini, sections.General, sections.Video, sections.Audio, settings,
                                 [](const std::string& name) { return !name.empty(); }))
            continue;
        sink = settings.FileInfo.FileSize + settings.VideoSettings.Width + settings.AudioSettings.SampleRate +
               static_cast<int64_t>(settings.TargetFilePath.size() + settings.TargetFileName.size());
    }
    return 0;
}
