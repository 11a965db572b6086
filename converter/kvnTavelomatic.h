#pragma once
// The converter: a control the conversion window places on itself and calls
// once per task. Convert checks the task, chooses a back end by target
// format and codecs and runs the whole conversion on the calling thread;
// the window keeps working because the capture loop pumps messages, and its
// commands (Stop, Pause, Resume, PauseSaving, ResumeSaving) only set the
// flags the loop reads before every step.
#include <functional>
#include <memory>
#include <string>

#include "ExtCtrls.h"
#include "WinControls.h"
#include "kvnConverterFlags.h"
#include "kvnMclUserData.h"
#include "kvnTavelomaticTask.h"

class TkvnTavelomatic;

using TCustomConvertingBeginEvent =
    std::function<void(TObject* sender, TkvnTavelomaticTaskItem* aTaskItem, PMclUserData aPointer, int state)>;
using TCustomConvertingEndEvent = TCustomConvertingBeginEvent;
using TCustomConvertingProgressEvent = TCustomConvertingBeginEvent;

class TkvnTavelomatic : public TCustomControl {
public:
    explicit TkvnTavelomatic(TComponent* owner);
    ~TkvnTavelomatic() override;
    std::string ClassName() const override { return "TkvnTavelomatic"; }

    const std::string& WindowsFolder() const { return windowsFolder_; }
    const std::string& SystemFolder() const { return systemFolder_; }
    const std::string& TempFolder() const { return tempFolder_; }
    // With its trailing "\".
    const std::string& ProgramFolder() const { return programFolder_; }

    bool IsPreview() const { return isPreview_; }
    void SetIsPreview(bool value);
    const std::string& LogoFile() const { return logoFile_; }
    void SetLogoFile(const std::string& fileName);
    TImage* LogoImage() const { return logoImage_; }
    // Parent of the visible capture control during a conversion.
    TCustomControl* InnerPanel() const { return innerPanel_; }

    // Taken from the task at the start of each conversion.
    bool IsMuteWhileConverting = false;
    // The context of the conversion in progress, null between conversions.
    PMclUserData CurrentContext = nullptr;
    // The task the window runs; every event passes it.
    TkvnTavelomaticTaskItem& TaskItem() { return *taskItem_; }
    // The reason of the last failure the back end could tell, or empty.
    std::string LastErrorText;

    TCustomConvertingBeginEvent OnConvertingBegin;
    TCustomConvertingEndEvent OnConvertingEnd;
    TCustomConvertingProgressEvent OnConvertingProgress;

    // 1 converted, 0 not; the detail stays in the last state code. The
    // caller's record is not changed.
    int Convert(const TkvnTavelomaticSettings& settings);

    static void Stop() { ConverterFlags().Running = false; }
    static void Pause() { ConverterFlags().Paused = true; }
    static void Resume() { ConverterFlags().Paused = false; }
    static void PauseSaving() { ConverterFlags().SavingPaused = true; }
    static void ResumeSaving() { ConverterFlags().SavingPaused = false; }

    void ConvertingBegin(int state);
    void ConvertingProgress(int state);
    void ConvertingEnd(int state);

protected:
    // In preview the inner panel covers the control and OnResize fires;
    // otherwise the control shows only its logo and the panel lies outside.
    void Resize() override;

private:
    void ApplyLayout();
    int RunBackEnd(TkvnTavelomaticSettings& settings);
    bool laying_ = false;

    std::string windowsFolder_, systemFolder_, tempFolder_, programFolder_;
    bool isPreview_ = true;
    std::string logoFile_;
    TImage* logoImage_ = nullptr;
    TCustomControl* innerPanel_ = nullptr;
    std::unique_ptr<TkvnTavelomaticTaskItem> taskItem_;
};
