#include "smain.h"

#include "FastIni.h"
#include "PlayerLoader.h"
#include "svar.h"

TfrmMain* frmMain = nullptr;

TfrmMain::TfrmMain(TComponent* owner) : TForm(owner)
{
    SetCaption("Tavelomatic Studio");
}

void InitializeMainWindowUnit(HINSTANCE resources)
{
    {
        TAppIniFile ini;
        FlashPlayerSource = ini.ReadString("FlashPlayer", "Source", "");
        if (FlashPlayerSource.empty()) {
            FlashPlayerSource = "internal";
            ini.WriteString("FlashPlayer", "Source", FlashPlayerSource);
            ini.UpdateFile();
        }
    }
    if (FlashPlayerSource == "internal") LoadPlayerCodeFromResource(resources);
}
