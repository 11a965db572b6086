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
            // Written back as Ini goes, quietly: the value is known all the
            // same, and a program folder that cannot be written must not
            // stop the start.
            ini.WriteString("FlashPlayer", "Source", FlashPlayerSource);
        }
    }
    if (FlashPlayerSource == "internal") LoadPlayerCodeFromResource(resources);
}
