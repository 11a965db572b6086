#pragma once
// libavformat's entry points, bound by name when the library loads.
#include "MyUtils.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
}

#define TVM_AVFORMAT_ENTRY_POINTS(X) \
    X(av_codec_get_id) X(avio_open2) X(avio_closep) X(av_codec_get_tag) X(av_demuxer_iterate) X(av_dump_format) X(av_filename_number_test) \
    X(av_find_best_stream) X(av_find_input_format) X(av_get_packet) X(av_guess_codec) X(av_guess_format) \
    X(av_interleaved_write_frame) X(av_muxer_iterate) X(av_pkt_dump_log2) X(av_read_frame) X(av_read_pause) \
    X(av_read_play) X(av_sdp_create) X(av_seek_frame) X(av_write_trailer) X(avformat_alloc_context) X(avformat_get_class) \
    X(avformat_alloc_output_context2) X(avformat_close_input) X(avformat_find_stream_info) X(avformat_free_context) \
    X(avformat_new_stream) X(avformat_open_input) X(avformat_seek_file) X(avformat_write_header) \
    X(avio_close) X(avio_enum_protocols) X(avio_feof) X(avio_flush) X(avio_open) X(avio_seek) X(avio_size) \
    X(avio_write)

TVM_DECLARE_ENTRY_POINTS(TVM_AVFORMAT_ENTRY_POINTS, AVFormatEntryPoints)
