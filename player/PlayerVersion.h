#pragma once
// The player's version, in one place for the version resource and the code.
#define PLAYER_VERSION_MAJOR 11
#define PLAYER_VERSION_MINOR 1
#define PLAYER_VERSION_BUILD 102
#define PLAYER_VERSION_REVISION 55

#ifndef RC_INVOKED
// What the control reports as its version: the major in bits 16-23 and the
// minor in the low word.
constexpr long PlayerFlashVersion()
{
    return (PLAYER_VERSION_MAJOR << 16) | PLAYER_VERSION_MINOR;
}
#endif
