#pragma once
// The FFmpeg libraries the player decodes sound and video with, loaded at
// run time from the program's "libav\" folder by full path and bound by name
// through the same entry-point tables as the program's FFmpeg engine (the
// ff:: variables).
//
// The module is mapped privately and has no file name of its own: the
// program's folder is that of the process's executable. Loading happens on
// first use, never in the module's attach, where the system's loader may
// hold its lock; the libraries go with the module's detach.

// Loads and binds avutil, swresample, avcodec, avformat and swscale unless they
// already are. Answers whether all are bound; a failure is not retried.
// Safe from any thread.
bool LoadFFmpegLibraries();
// From the module's detach: unbinds and frees what was loaded.
void FreeFFmpegLibraries();
