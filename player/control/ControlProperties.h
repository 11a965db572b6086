#pragma once
// The control's properties that the engine does not keep: each answers
// what was last written to it.
#include <windows.h>
#include <oaidl.h>

#include <string>

struct ControlProperties {
    std::wstring Movie, WMode, SAlign, Base, Scale, BGColor, Quality2, SWRemote, FlashVars, AllowScriptAccess,
        MovieData, ProfileAddress, AllowNetworking, AllowFullScreen, AllowFullScreenInteractive;
    int Quality = 1, ScaleMode = 0, AlignMode = 0;
    long BackgroundColor = -1, ProfilePort = 0;
    VARIANT_BOOL Menu = VARIANT_TRUE, DeviceFont = VARIANT_FALSE, EmbedMovie = VARIANT_FALSE,
                 SeamlessTabbing = VARIANT_TRUE, Profile = VARIANT_FALSE, IsDependent = VARIANT_FALSE;
};
