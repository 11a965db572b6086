#include "kvnTavelomatic.h"

#include "SysUtils.h"
#include "kvnTools.h"

TkvnTavelomatic::TkvnTavelomatic(TComponent* owner) : TCustomControl(owner)
{
    windowsFolder_ = GetWindowsFolder();
    systemFolder_ = GetSystemFolder();
    tempFolder_ = GetTempFolder();
    programFolder_ = ExtractFilePath(ParamStr(0));
    taskItem_ = std::make_unique<TkvnTavelomaticTaskItem>();
    logoImage_ = new TImage(this);
    logoImage_->SetParent(this);
    logoImage_->SetTransparent(true);
    logoImage_->SetAutoSize(true);
    logoImage_->SetBounds(0, 0, logoImage_->Width(), logoImage_->Height());
    innerPanel_ = new TCustomControl(this);
    innerPanel_->SetParent(this);
    innerPanel_->SetEnabled(true);
    innerPanel_->SetVisible(true);
    SetBounds(Left(), Top(), 100, 100);
    innerPanel_->SetBounds(0, 0, Width(), Height());
    ConverterFlags().Running = false;
    ConverterFlags().Paused = false;
    ConverterFlags().SavingPaused = false;
}

TkvnTavelomatic::~TkvnTavelomatic()
{
    ConverterFlags().Running = false;
    ConverterFlags().Paused = false;
    ConverterFlags().SavingPaused = false;
    try {
        taskItem_.reset();
    } catch (...) {
    }
}

void TkvnTavelomatic::SetIsPreview(bool value)
{
    isPreview_ = value;
    ApplyLayout();
}

void TkvnTavelomatic::SetLogoFile(const std::string& fileName)
{
    logoFile_ = fileName;
    logoImage_->Picture()->LoadFromFile(fileName);
}

void TkvnTavelomatic::ApplyLayout()
{
    if (laying_) return;
    laying_ = true;
    if (isPreview_) {
        innerPanel_->SetBounds(0, 0, Width(), Height());
    } else {
        SetBounds(Left(), Top(), logoImage_->Width(), logoImage_->Height());
        innerPanel_->SetBounds(Width() + 1, Height() + 1, innerPanel_->Width(), innerPanel_->Height());
    }
    laying_ = false;
}

void TkvnTavelomatic::Resize()
{
    if (laying_ || !innerPanel_) return;
    ApplyLayout();
    if (isPreview_) TCustomControl::Resize();
}

void TkvnTavelomatic::ConvertingBegin(int state)
{
    if (OnConvertingBegin) OnConvertingBegin(this, taskItem_.get(), CurrentContext, state);
}

void TkvnTavelomatic::ConvertingProgress(int state)
{
    if (OnConvertingProgress) OnConvertingProgress(this, taskItem_.get(), CurrentContext, state);
}

void TkvnTavelomatic::ConvertingEnd(int state)
{
    if (OnConvertingEnd) OnConvertingEnd(this, taskItem_.get(), CurrentContext, state);
}
