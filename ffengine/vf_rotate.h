#pragma once
// The user's "rotate" video filter: "rotate=N" turns the picture clockwise
// by N whole degrees (45 without a value) about its centre, into a picture
// just large enough to hold it, with black corners and the pixel aspect
// ratio inverted.
#include <string>

// Rewrites each such filter of a filter-graph description into FFmpeg's
// own filters; every other filter, and a "rotate" whose value is no whole
// number (FFmpeg's own form), stays as it is.
std::string TranslateRotateFilter(const std::string& filterGraph);
