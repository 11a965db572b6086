#pragma once
// One conversion job (a source movie, the facts read from it and its full
// target settings), its place in the project file, and the ordered list of
// jobs of one batch.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Components.h"
#include "FastIni.h"
#include "kvnProjectFile.h"
#include "kvnTavelomaticType.h"

class TkvnTavelomaticTaskItem;

using TkvnTaskItemEvent = std::function<void(TkvnTavelomaticTaskItem* item)>;

class TkvnTavelomaticTaskItem : public TPersistent {
public:
    TkvnTavelomaticTaskItem() = default;
    TkvnTavelomaticTaskItem(const TkvnTavelomaticTaskItem&) = delete;
    TkvnTavelomaticTaskItem& operator=(const TkvnTavelomaticTaskItem&) = delete;
    std::string ClassName() const override { return "TkvnTavelomaticTaskItem"; }

    bool IsLoaded = false;  // a readable source and complete settings
    bool IsChecked = false;
    int32_t Priority = 0;  // ordering key of the task list
    int32_t Status = 0;    // owned by the windows and the converter; 0 after any load
    std::string SourceFileName;
    std::string SourceFileVars;
    TkvnTaskItemEvent OnStatusChanged;  // fired by the item's owners
    TkvnTaskItemEvent OnSettingsChanged;
    TkvnTaskItemEvent OnPriorityChanged;  // fired by the item's owners
    TkvnTavelomaticSettings Settings;

    // Settings and state of Source; False when a step failed. Fires
    // OnSettingsChanged in every case.
    bool CopyFrom(const TkvnTavelomaticTaskItem& source);
    // SourceFile is a movie reference (may carry "?" and FlashVars); an empty
    // TargetFile takes the source's folder and name. False, without the
    // event, when the source cannot be read; False after the event when no
    // target format could be settled.
    bool LoadSource(const std::string& sourceFile, const std::string& targetFile, TkvnTargetFileFormat formatCode,
                    int videoCodecIndex, int audioCodecIndex, int32_t priority);
    // Every default of a new task for Info, then the target format's; False
    // when the format cannot be settled (code 12 without a known extension).
    bool InitSettings(TkvnFlashFileInfo info, std::string targetFile, TkvnTargetFileFormat formatCode,
                      int videoCodecIndex, int audioCodecIndex, TkvnTavelomaticSettings& settings);
    bool ApplyTargetFormatDefaults(const TkvnFlashFileInfo& info, TkvnTargetFileFormat formatCode,
                                   int videoCodecIndex, int audioCodecIndex, TkvnTavelomaticSettings& settings);

    // 1 loaded, 0 not (missing file, other identifier, missing source movie,
    // unreadable text). A Priority of 0 or more replaces the stored one.
    int LoadFromProjectFile(const std::string& fileName, int32_t priority, int index);
    // 1 written; -1 when DeleteFirst could not delete the old file or the
    // file could not be written. ClearAll drops every section the file held.
    int SaveToProjectFile(const std::string& fileName, int index, bool deleteFirst, bool clearAll);

    bool ReadFileInfoSection(TFastIniFileEx& ini, const std::string& section);
    // The task is complete only when its source movie still exists; the
    // general settings are read either way.
    bool ReadSettingsSections(TFastIniFileEx& ini, const std::string& fileInfoSection,
                              const std::string& generalSection, const std::string& videoSection,
                              const std::string& audioSection);
    void WriteFileInfoSection(TFastIniFileEx& ini, const std::string& section);
    void WriteSettingsSections(TFastIniFileEx& ini, const std::string& generalSection,
                               const std::string& videoSection, const std::string& audioSection);

private:
    void FireSettingsChanged();
    void TakeLoadedState();
};

// Facts of an SWF movie, a projector executable, an FLV or an F4V video.
// False when the file is missing, unreadable or of another kind.
bool ReadSourceFileInfo(const std::string& reference, TkvnFlashFileInfo& info);

// Marks a duration a video does not tell (FFmpeg's mark for a missing time).
constexpr int64_t kUnknownDuration = INT64_MIN;
// Duration, frame rate and frame count of a video from its stream's duration
// (microseconds), else its container's. An unknown or negative duration
// gives 0 seconds; a frame rate with denominator 0 gives rate 0. The frame
// count is the duration times the rate, rounded.
void SetVideoTiming(TkvnFlashFileInfo& info, int64_t streamDurationUs, int64_t containerDurationUs,
                    int32_t frameRateNum, int32_t frameRateDen);

// Codes 0-11 give FileName that format's extension (a name without one is
// left alone). Code 12 picks the format from FileName's extension (".gif"
// and the other picture extensions choose the image sequence; ".img" is not
// among them); an empty name answers 12, an unknown extension clears the
// name and answers 12.
TkvnTargetFileFormat AdjustTargetFileExt(std::string& fileName, TkvnTargetFileFormat formatCode);

// Writes Version into the version byte of a plain FWS, CWS or ZWS movie file;
// True only when the byte was written (never for projectors, videos or a
// movie that has that version already).
bool PatchSWFVersion(const std::string& fileName, uint8_t version);

// Handlers of the list's events; none gets a sender.
using TCustomAddTaskEvent = std::function<void(TkvnTavelomaticTaskItem* addedTaskItem)>;
using TCustomRemoveTaskEvent = std::function<void(TkvnTavelomaticTaskItem* removedTaskItem)>;
using TCustomTaskStatusChangedEvent = std::function<void(TkvnTavelomaticTaskItem* changedTaskItem)>;
using TCustomTaskSettingsChangedEvent = std::function<void(TkvnTavelomaticTaskItem* changedTaskItem)>;
// After: the item that now follows the moved one, null at the end.
using TCustomTaskPositionChangedEvent =
    std::function<void(TkvnTavelomaticTaskItem* changedTaskItem, TkvnTavelomaticTaskItem* afterTheChangedTaskItem)>;

// The tasks of one batch, owned copies kept in ascending Priority; equal
// priorities keep their order of arrival.
class TkvnTavelomaticTaskList : public TComponent {
public:
    explicit TkvnTavelomaticTaskList(TComponent* owner) : TComponent(owner) {}
    // Frees every task, letting the windows repaint between them.
    ~TkvnTavelomaticTaskList() override;
    std::string ClassName() const override { return "TkvnTavelomaticTaskList"; }

    int GetCount() const { return static_cast<int>(items_.size()); }
    // Null outside 0 .. count - 1.
    TkvnTavelomaticTaskItem* GetItem(int index) const;

    // Adds a copy of Item (the caller keeps Item) and answers it, with Code 1;
    // null with Code -1 when the copy failed, 0 on an exception.
    TkvnTavelomaticTaskItem* Add(const TkvnTavelomaticTaskItem& item, int& code);
    // 1, or -1 for an index outside the list (nothing fires then).
    int Delete(int index);
    // 1 when every task is gone, 0 on an exception.
    int Clear();
    int IndexOf(const TkvnTavelomaticTaskItem* item) const;

    void TaskStatusChanged(TkvnTavelomaticTaskItem* item);
    void TaskSettingsChanged(TkvnTavelomaticTaskItem* item);
    // Moves Item behind every task of its priority or lower.
    void Reposition(TkvnTavelomaticTaskItem* item);

    TCustomAddTaskEvent OnAddTask;
    TCustomRemoveTaskEvent OnRemoveTask;
    TCustomTaskStatusChangedEvent OnTaskStatusChanged;
    TCustomTaskSettingsChangedEvent OnTaskSettingsChanged;
    TCustomTaskPositionChangedEvent OnTaskPositionChanged;

private:
    std::vector<std::unique_ptr<TkvnTavelomaticTaskItem>> items_;
};
