#pragma once
// Fills a task's source facts from a movie file or a projector executable.
#include <string>

#include "kvnTavelomaticType.h"

class TkvnSWFStreamReader {
public:
    // Reference: a movie or projector path, optionally with "?" and FlashVars.
    explicit TkvnSWFStreamReader(const std::string& reference);

    void GetFileInfo(TkvnFlashFileInfo& info) const { info = info_; }
    bool IsValid() const { return valid_; }

private:
    TkvnFlashFileInfo info_;
    bool valid_ = false;
};
