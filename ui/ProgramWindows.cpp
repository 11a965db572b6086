#include "ProgramWindows.h"

#include "Forms.h"
#include "PlayerLoader.h"
#include "sadd.h"
#include "sconvert.h"
#include "scrop.h"
#include "smain.h"
#include "spreset.h"
#include "spresetedit.h"
#include "sselect.h"
#include "ssettings.h"

void CreateProgramWindows()
{
    Application->CreateForm(frmMain);
    Application->CreateForm(frmSettings);
    Application->CreateForm(frmConvert);
    Application->CreateForm(frmSelect);
    Application->CreateForm(frmAdd);
    Application->CreateForm(frmCrop);
    Application->CreateForm(frmPreset);
    Application->CreateForm(frmPresetEdit);
}

void DestroyProgramWindows()
{
    Application->DestroyComponents();
    ReleasePlayerCode();
}
