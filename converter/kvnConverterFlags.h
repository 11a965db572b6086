#pragma once
// The converter's process-wide state: one conversion runs at a time, on the
// window's thread. The window's commands only write these flags; the capture
// loop reads them before every step.
#include "Threads.h"

struct TkvnConverterFlags {
    bool Running = false;
    bool Paused = false;
    // Lets the movie play and its sound clock run while nothing is kept.
    bool SavingPaused = false;
    // The outcome detail of the last conversion (see the converter's codes).
    int LastStateCode = 0;
};

TkvnConverterFlags& ConverterFlags();
// Held while the side audio file is written and while the media library's
// sound callback reads the PCM queue.
TCriticalSection& ConverterLock();

// Last state codes of a refused task.
constexpr int kStateAccepted = 0;
constexpr int kStateSourceMissing = 2;
constexpr int kStateTargetNotDeletable = 3;
constexpr int kStateFolderNotCreatable = 7;
constexpr int kStateAlreadyRunning = 8;
