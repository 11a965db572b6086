#pragma once
// The program's windows as a whole: made in their order at the start, and
// freed at the end while everything they may call into is still there.

// Creates the windows through the application, in this order: main (which
// becomes the main form), settings, conversion progress, select, add, crop,
// preset save, preset edit.
void CreateProgramWindows();

// After the message loop: frees every window, then releases the player code
// that their player controls run on.
void DestroyProgramWindows();
