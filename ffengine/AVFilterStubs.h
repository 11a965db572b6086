#pragma once
// libavfilter's entry points, bound by name when the library loads.
#include "MyUtils.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#define TVM_AVFILTER_ENTRY_POINTS(X) \
    X(av_buffersink_get_frame) X(av_buffersrc_close) X(av_buffersink_get_time_base) X(av_buffersink_get_w) X(av_buffersink_get_h) X(av_buffersink_get_sample_aspect_ratio) X(av_buffersrc_add_frame_flags) X(av_filter_iterate) X(avfilter_get_by_name) \
    X(avfilter_graph_alloc) X(avfilter_graph_config) X(avfilter_graph_create_filter) X(avfilter_graph_free) \
    X(avfilter_graph_parse_ptr) X(avfilter_inout_alloc) X(avfilter_inout_free) X(avfilter_link)

TVM_DECLARE_ENTRY_POINTS(TVM_AVFILTER_ENTRY_POINTS, AVFilterEntryPoints)
