#pragma once
// Small routines shared by the task model, the SWF reader, the converter and
// the windows: colour byte order, system folders, temporary names, chunked
// stream copies, movie references and projector executables.
#include <cstdint>
#include <functional>
#include <string>

#include "Streams.h"

uint32_t ColorToBGR(uint32_t color);
uint32_t BGRToColor(uint32_t color);

std::string GetWindowsFolder();
std::string GetSystemFolder();
std::string GetTempFolder();
// A new unique name "KVN....tmp" in the temporary folder; no file is left behind.
std::string MakeTempFileName();
// Deletes FileName and its ".TMP" sibling where they exist; False only when
// something went wrong.
bool DeleteFileAndTmp(const std::string& fileName);

// Told the bytes copied so far and the total, after every block.
using TCopyProgress = std::function<void(int64_t copied, int64_t total)>;
constexpr int32_t kCopyBlockSize = 61440;
// Count 0 copies the whole Source from its start; a negative Count copies
// nothing. Answers the bytes copied.
int64_t CopyStreamWithProgress(TStream& source, TStream& dest, int64_t count, const TCopyProgress& progress = {});

// A movie reference is a path, optionally followed by "?" and FlashVars.
std::string ExtractMovieFileName(const std::string& reference);
std::string ExtractFlashVars(const std::string& reference);  // from "?" on, or empty
int32_t GetMovieFileSize(const std::string& reference);

// Copies the movie stored at the end of a projector executable into
// TargetFile (a new temporary ".swf" when empty) and answers True with
// MovieFile set to it. Answers False, leaving MovieFile alone, when the file
// is no projector holding an "FWS" or "CWS" movie.
bool ExtractSWFFromProjector(const std::string& fileName, const std::string& targetFile,
                             const TCopyProgress& progress, std::string& movieFile);
